# Cross-compiling the Windows module with mingw-w64 (32-bit), for the hosts that can only load a
# 32-bit in-process server.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VK_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
