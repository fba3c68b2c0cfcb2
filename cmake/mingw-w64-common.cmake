# What both mingw-w64 toolchains share; the including file sets CMAKE_SYSTEM_PROCESSOR and
# VK_MINGW_PREFIX first. The -posix compilers carry the winpthreads thread model, which
# std::mutex and std::thread need.
set(CMAKE_SYSTEM_NAME Windows)

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
