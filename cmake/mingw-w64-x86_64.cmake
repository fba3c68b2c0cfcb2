# Cross-compiling the Windows module with mingw-w64 (64-bit).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VK_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
