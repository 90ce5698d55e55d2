# The checked build: Clang with AddressSanitizer and UndefinedBehaviorSanitizer
# on the program's own C++, stopping at the first report, and the libFuzzer
# targets beside the portable suites. SQLite (C) stays uninstrumented: it is
# not ours to fix, and building it plainly saves most of the build's time.
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(QM_SANITIZE ON)
# The standard library checks its containers too: bounds of operator[] and
# friends, and reads of a vector's spare capacity.
set(CMAKE_CXX_FLAGS_INIT "-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer \
-D_GLIBCXX_ASSERTIONS -D_GLIBCXX_SANITIZE_VECTOR -Wno-unknown-warning-option")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fsanitize=address,undefined")
# Line tables are all a report needs, and -O1 is the sanitizers' own advice:
# both keep this tree's build short.
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO_INIT "-O1 -gline-tables-only -DNDEBUG")
set(CMAKE_C_FLAGS_RELWITHDEBINFO_INIT "-O1 -DNDEBUG")
