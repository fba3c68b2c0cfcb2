# Cross-compiling the Windows module with mingw-w64 (32-bit), for the hosts that can only load a
# 32-bit in-process server. The -posix compilers carry the winpthreads thread model, which
# std::mutex and std::thread need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VK_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built for Windows run under Wine when CMake or CTest needs to run them.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
