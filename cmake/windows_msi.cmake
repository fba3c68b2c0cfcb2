# The Windows installer of the module: VkString-<version>-win64.msi (or -win32.msi), built with
# wixl (Debian's msitools) by the target `msi`. Its registry entries are generated at build time
# from the registration script and the interface description (tools/msi/registry_wxs.py), the
# sources DllRegisterServer itself works from, so the package and regsvr32 cannot drift apart.
find_program(VK_WIXL wixl)
find_package(Python3 COMPONENTS Interpreter)
if(NOT VK_WIXL OR NOT Python3_Interpreter_FOUND)
  message(STATUS "wixl or python3 not found: no installer target (scripts/install-deps.sh dll provides them)")
  return()
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VK_MSI_BITS 32)
  set(VK_MSI_ARCH x86)
else()
  set(VK_MSI_BITS 64)
  set(VK_MSI_ARCH x64)
endif()
set(VK_MSI_DIR ${CMAKE_CURRENT_BINARY_DIR}/msi)
set(VK_MSI ${CMAKE_CURRENT_BINARY_DIR}/VkString-${PROJECT_VERSION}-win${VK_MSI_BITS}.msi)
set(VK_MSI_GENERATOR ${CMAKE_CURRENT_SOURCE_DIR}/tools/msi/registry_wxs.py)
set(VK_MSI_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/component/VelkorString.rgs
                   ${CMAKE_CURRENT_SOURCE_DIR}/component/VelkorString.idl)

add_custom_command(
  OUTPUT ${VK_MSI_DIR}/registry.wxi ${VK_MSI_DIR}/registry-other-view.wxi
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VK_MSI_DIR}
  COMMAND ${Python3_EXECUTABLE} ${VK_MSI_GENERATOR}
          --rgs ${CMAKE_CURRENT_SOURCE_DIR}/component/VelkorString.rgs
          --idl ${CMAKE_CURRENT_SOURCE_DIR}/component/VelkorString.idl
          --bits ${VK_MSI_BITS} --wxi ${VK_MSI_DIR}
  DEPENDS ${VK_MSI_GENERATOR} ${VK_MSI_SOURCES}
  COMMENT "Generating the installer's registry entries"
  VERBATIM)

# The README and the license as Windows text files (CR LF), the license under a name Windows
# opens. wixl takes the files to install by paths relative to the folder it runs in, so they are
# gathered in the build folder.
add_custom_command(
  OUTPUT ${VK_MSI_DIR}/README.md ${VK_MSI_DIR}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VK_MSI_DIR}
  COMMAND ${Python3_EXECUTABLE} -c "import sys; [open(o, 'w', encoding='utf-8', newline='\\r\\n').write(open(i, encoding='utf-8').read()) for i, o in zip(sys.argv[1::2], sys.argv[2::2])]"
          ${CMAKE_CURRENT_SOURCE_DIR}/README.md ${VK_MSI_DIR}/README.md
          ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE ${VK_MSI_DIR}/LICENSE.txt
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE
  VERBATIM)

add_custom_command(
  OUTPUT ${VK_MSI}
  COMMAND ${VK_WIXL} --arch ${VK_MSI_ARCH} -I ${VK_MSI_DIR} -o ${VK_MSI}
          -D Bits=${VK_MSI_BITS} -D Version=${PROJECT_VERSION}
          -D Module=$<TARGET_FILE_NAME:VelkorString> -D Client=$<TARGET_FILE_NAME:vkstring>
          -D Readme=msi/README.md -D License=msi/LICENSE.txt
          ${CMAKE_CURRENT_SOURCE_DIR}/tools/msi/VkString.wxs
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tools/msi/VkString.wxs ${VK_MSI_DIR}/registry.wxi
          ${VK_MSI_DIR}/registry-other-view.wxi
          ${VK_MSI_DIR}/README.md ${VK_MSI_DIR}/LICENSE.txt VelkorString vkstring
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
  COMMENT "Building the installer VkString-${PROJECT_VERSION}-win${VK_MSI_BITS}.msi"
  VERBATIM)
add_custom_target(msi DEPENDS ${VK_MSI})
