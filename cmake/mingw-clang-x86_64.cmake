# Second compiler: Debian's clang for 64-bit Windows, linked by lld against
# the mingw-w64 headers, C runtime and the posix-thread libstdc++ of Debian's
# mingw-w64 GCC. Statically, like the GCC build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${MINGW_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_TRIPLE})
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_AR /usr/bin/${MINGW_TRIPLE}-ar)
set(CMAKE_RANLIB /usr/bin/${MINGW_TRIPLE}-ranlib)
set(CMAKE_STRIP /usr/bin/${MINGW_TRIPLE}-strip)
set(CMAKE_SYSROOT /usr/${MINGW_TRIPLE})

# clang does not recognise Debian's versioned GCC folder (".../12-posix"), so
# its C++ headers and libraries are named here.
file(GLOB VX_GCC_DIRS /usr/lib/gcc/${MINGW_TRIPLE}/*-posix)
list(SORT VX_GCC_DIRS COMPARE NATURAL ORDER DESCENDING)
list(GET VX_GCC_DIRS 0 VX_GCC_DIR)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${VX_GCC_DIR}/include/c++
    ${VX_GCC_DIR}/include/c++/${MINGW_TRIPLE} ${VX_GCC_DIR}/include/c++/backward)
# GCC's libstdc++ keeps its thread-local variables in emulated TLS.
set(CMAKE_C_FLAGS_INIT "-femulated-tls")
set(CMAKE_CXX_FLAGS_INIT "-femulated-tls")
# GCC's posix libstdc++ needs winpthread, which only the gcc driver adds by
# itself; lld resolves archives in any order, so it may stand first.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -static -L${VX_GCC_DIR} -lpthread")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT}")
# CMake asks GNU ld, not lld, whether --push-state works; lld's MinGW driver
# has only --whole-archive and --no-whole-archive.
set(_CMAKE_LINKER_PUSHPOP_STATE_SUPPORTED FALSE)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
