# Cross build of the 32-bit Windows programs with mingw-w64 on Debian.
# The -posix compilers: with the win32 thread model GCC has no std::mutex or std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(mingw_prefix i686-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

# Only the cross tree: never a Linux library or header by mistake.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(ZLIB_USE_STATIC_LIBS ON)

# Static runtime: without it every exe needs libwinpthread-1.dll and the C++ runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest (and anything else that runs a built program) goes through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
