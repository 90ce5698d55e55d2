# Shared by scripts/run and scripts/test: configure and build one target tree.
# build_tree native|windows|sanitize [TARGET...]
build_tree() {
  local kind=$1; shift
  local dir=$QM_BUILD/$kind
  local args=(-S "$QM_ROOT" -B "$dir" -G Ninja -DQM_SQLITE_DIR="$QM_BUILD/deps/sqlite")
  [ "$kind" = windows ] && args+=(-DCMAKE_TOOLCHAIN_FILE="$QM_ROOT/cmake/mingw-w64.cmake")
  [ "$kind" = sanitize ] && args+=(-DCMAKE_TOOLCHAIN_FILE="$QM_ROOT/cmake/clang-sanitize.cmake")
  [ -f "$dir/build.ninja" ] || cmake "${args[@]}" >/dev/null
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$dir" "${targets[@]}"
}
