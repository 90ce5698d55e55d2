# Shared by scripts/run and scripts/test: the Wine environment and a prefix
# in which Chinese text renders (fonts, substitutes, locale) and every
# process shares one virtual desktop.

wine_environment() {
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
}

# prepare_prefix DIR: makes DIR a ready prefix once; later calls only check.
prepare_prefix() {
  local dir=$1
  [ -f "$dir/.quillmere-ready" ] && return 0
  echo "wine: preparing the prefix $dir (once)"
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  (
    export WINEPREFIX=$dir
    wine_environment
    wine wineboot -i >/dev/null 2>&1
    cp /usr/share/wine/fonts/* "$dir/drive_c/windows/Fonts/"
    local subst='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    local link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    for face in "MS Shell Dlg" "MS Shell Dlg 2" "SimSun" "NSimSun" "Microsoft YaHei" "Microsoft YaHei UI"; do
      wine reg add "$subst" /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
    done
    for face in "Tahoma" "Microsoft Sans Serif" "Segoe UI"; do
      wine reg add "$link" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
    done
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f >/dev/null 2>&1
    wineserver -w
  )
  touch "$dir/.quillmere-ready"
}

# start_virtual_display: starts Xvfb on a free display and exports DISPLAY.
start_virtual_display() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  QM_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
  echo "wine: Xvfb did not start" >&2
  return 1
}

stop_virtual_display() {
  [ -n "${QM_XVFB_PID:-}" ] && kill "$QM_XVFB_PID" 2>/dev/null && wait "$QM_XVFB_PID" 2>/dev/null
  QM_XVFB_PID=
}
