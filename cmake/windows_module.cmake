# VelkorString.dll: the in-process server built from the core library, with its type library,
# registration script, toolbox bitmap, strings and version block as resources, exporting the
# four entry points of the .def file and depending on system DLLs only.

# What the bitness decides: a symbol's name as the linker takes it (32-bit Windows gives C
# names a leading underscore), the type library's system kind and the stdole2.tlb of Wine's
# half of that bitness, and the .def file (the 32-bit entry points are __stdcall with decorated
# symbols; their .def maps the plain export names onto them).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VK_C_SYMBOL_PREFIX _)
  set(VK_WIDL_TARGET --win32)
  set(VK_STDOLE_DEFAULT /usr/lib/i386-linux-gnu/wine/i386-windows)
  set(VK_EXPORTS ${CMAKE_CURRENT_SOURCE_DIR}/component/win32/VelkorString-i686.def)
else()
  set(VK_C_SYMBOL_PREFIX "")
  set(VK_WIDL_TARGET --win64)
  set(VK_STDOLE_DEFAULT /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  set(VK_EXPORTS ${CMAKE_CURRENT_SOURCE_DIR}/component/win32/VelkorString.def)
endif()

# --- libbzip2 ---------------------------------------------------------------------------------
# No mingw-w64 build of libbzip2 is packaged, so the module compiles its own copy from the
# library's source tree (scripts/build-dll.sh fetches Debian's source package). Only the
# decompression side is used; bzlib.c also refers to the compressor, which therefore links too.
set(VK_BZIP2_SOURCE_DIR "" CACHE PATH "Source tree of libbzip2 (bzlib.c, decompress.c, ...)")
if(NOT EXISTS "${VK_BZIP2_SOURCE_DIR}/bzlib.c")
  message(FATAL_ERROR "VK_BZIP2_SOURCE_DIR must name a libbzip2 source tree "
                      "(scripts/build-dll.sh sets it up)")
endif()
add_library(vk_bzip2 STATIC
  ${VK_BZIP2_SOURCE_DIR}/bzlib.c ${VK_BZIP2_SOURCE_DIR}/decompress.c
  ${VK_BZIP2_SOURCE_DIR}/huffman.c ${VK_BZIP2_SOURCE_DIR}/crctable.c
  ${VK_BZIP2_SOURCE_DIR}/randtable.c
  ${VK_BZIP2_SOURCE_DIR}/compress.c ${VK_BZIP2_SOURCE_DIR}/blocksort.c)
# BZ_EXPORT makes bzlib.h declare plain functions rather than pointers into a libbz2 DLL;
# BZ_NO_STDIO leaves out the file interface, and its internal-error callback is ours
# (platform/win32/bzip2_support.cpp).
target_compile_definitions(vk_bzip2 PUBLIC BZ_EXPORT BZ_NO_STDIO)
target_include_directories(vk_bzip2 SYSTEM PUBLIC ${VK_BZIP2_SOURCE_DIR})
# Third-party code, compiled as its authors ship it.
target_compile_options(vk_bzip2 PRIVATE -w)

target_link_libraries(vk_charset PUBLIC vk_bzip2)
# libbzip2 calls back into the core (bz_internal_error, platform/win32/bzip2_support.cpp), which
# the linker has passed by when it reaches libbzip2: every program that links it asks for that
# symbol from the start, so it is taken from the core.
target_link_options(vk_bzip2 INTERFACE -Wl,--undefined=${VK_C_SYMBOL_PREFIX}bz_internal_error)
target_link_libraries(vk_platform PUBLIC ole32 oleaut32 advapi32 uuid gdi32 user32)

# --- type library -----------------------------------------------------------------------------
# Compiled from the committed interface description; the IDL files it imports (oaidl.idl,
# ocidl.idl) and stdole2.tlb come from Wine's development files. The 32-bit module carries a
# 32-bit type library (system kind SYS_WIN32), importing the stdole2.tlb of Wine's i386 half.
find_program(VK_WIDL NAMES ${VK_MINGW_PREFIX}-widl widl REQUIRED)
set(VK_IDL_INCLUDE_DIR /usr/include/wine/wine/windows CACHE PATH "Directory of oaidl.idl and ocidl.idl")
set(VK_STDOLE_DIR ${VK_STDOLE_DEFAULT} CACHE PATH "Directory of stdole2.tlb")
set(VK_TYPELIB ${CMAKE_CURRENT_BINARY_DIR}/VelkorString.tlb)
add_custom_command(
  OUTPUT ${VK_TYPELIB}
  COMMAND ${VK_WIDL} ${VK_WIDL_TARGET} -I${VK_IDL_INCLUDE_DIR} -L${VK_STDOLE_DIR} -t -T ${VK_TYPELIB}
          ${CMAKE_CURRENT_SOURCE_DIR}/component/VelkorString.idl
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/component/VelkorString.idl
  COMMENT "Compiling the type library VelkorString.tlb"
  VERBATIM)
add_custom_target(vk_typelib DEPENDS ${VK_TYPELIB})

# --- the module -------------------------------------------------------------------------------
# The resource script carries the project's version in its version block.
set(VK_RESOURCE_SCRIPT ${CMAKE_CURRENT_BINARY_DIR}/VelkorString.rc)
configure_file(component/win32/VelkorString.rc.in ${VK_RESOURCE_SCRIPT} @ONLY)
set_source_files_properties(${VK_RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS
  "${VK_TYPELIB};${CMAKE_CURRENT_SOURCE_DIR}/component/VelkorString.rgs;${CMAKE_CURRENT_SOURCE_DIR}/component/win32/toolbox.bmp")
add_library(VelkorString SHARED
  ${VK_RESOURCE_SCRIPT}
  ${VK_EXPORTS})
add_dependencies(VelkorString vk_typelib)
set_target_properties(VelkorString PROPERTIES PREFIX "" OUTPUT_NAME VelkorString)
# The resource compiler finds the type library, the script and the bitmap by these folders.
target_include_directories(VelkorString PRIVATE
  ${CMAKE_CURRENT_BINARY_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/component
  ${CMAKE_CURRENT_SOURCE_DIR}/component/win32)
# The whole core goes in: DllMain and the entry points live in it and nothing inside the module
# refers to them. The runtimes are linked statically so that only system DLLs are imported.
target_link_libraries(VelkorString PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,vkcore>")
target_link_options(VelkorString PRIVATE -static -static-libgcc -static-libstdc++)

# --- a compiled client --------------------------------------------------------------------------
# Checks the module's entry points, IDispatch and vtable, and the Windows platform layer
# directly; scripts/wine-test.sh runs it under Wine once the module is registered.
add_executable(vk_wine_client tests/wine/windows_client.cpp)
target_link_libraries(vk_wine_client PRIVATE vkcore)
target_link_options(vk_wine_client PRIVATE -municode -static -static-libgcc -static-libstdc++)

# --- the shell's GoogleTest suite -----------------------------------------------------------------
# The server's rules on the real platform (tests/wine/shell_test.cpp), with GoogleTest compiled
# for Windows from the source tree Debian's googletest package installs.
set(VK_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's source tree")
if(EXISTS ${VK_GTEST_SOURCE_DIR}/googletest/CMakeLists.txt)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VK_GTEST_SOURCE_DIR}/googletest ${CMAKE_CURRENT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_executable(vk_wine_shell_tests tests/wine/shell_test.cpp)
  target_link_libraries(vk_wine_shell_tests PRIVATE vkcore gtest)
  target_link_options(vk_wine_shell_tests PRIVATE -municode -static -static-libgcc -static-libstdc++)
  # The transcoding kernels of every CPU path the machine has, compiled as the module compiles
  # them, each compared with the scalar pass (the native differential tests, run under Wine).
  add_executable(vk_wine_kernel_tests tests/unicode/transcode_kernels_test.cpp
                                      tests/unicode/simd_paths_test.cpp)
  target_include_directories(vk_wine_kernel_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(vk_wine_kernel_tests PRIVATE vkcore gtest gtest_main)
  target_link_options(vk_wine_kernel_tests PRIVATE -static -static-libgcc -static-libstdc++)
endif()

# --- the installer ------------------------------------------------------------------------------
include(cmake/windows_msi.cmake)
