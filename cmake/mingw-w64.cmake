# Cross build for 64-bit Windows with the mingw-w64 posix-threads toolchain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# mingw-w64's libstdc++ 12 can lose the wake-up of the semaphore inside every std::stop_callback, so a
# thread stopped from another one may hang for ever; winpthreads semaphores do not. The whole build
# must agree on this, since it changes inline library code.
set(CMAKE_CXX_FLAGS_INIT "-D_GLIBCXX_USE_POSIX_SEMAPHORE=1")

# No DLLs of ours or of the compiler's runtime to ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and benchmarks run under Wine through a wrapper that owns a private prefix in the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run" CACHE FILEPATH "Runs Windows programs under Wine")
