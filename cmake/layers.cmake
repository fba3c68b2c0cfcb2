# The core is built in layers, each an object library that sees only its own headers and those
# of the layers it stands on. A layer's headers are linked into a folder of its own in the build
# tree (build/layers/<layer>/<folder>/<header>), and only those folders are on a layer's include
# path, so a file that includes a header of a higher layer does not compile:
#
#   vk_platform     platform/    the system services (Windows, or our native stand-ins) and the one
#                                UTF-8 coder; needs nothing
#   vk_unicode      unicode/     Unicode algorithms (script classes, the UTF-8 <-> UTF-16 kernels)
#   vk_buffers      text/        the byte and string buffers
#   vk_charset      charset/     charset names, the conversion engine, its tables
#   vk_text         text/        the text value and its editing, markup and word-form operations
#   vk_coding       coding/      content codings
#   vk_dates        dates/       automation dates, RFC 822 and RFC 3339
#   vk_files        files/       files and byte-array VARIANTs
#   vk_component    component/   the string object, its member table and the server shell
#
# vk_layer(<name> FOLDER <folder> [FILES <stem>...] [EXCEPT <stem>...] BELOW <layer>...)
# takes the sources and headers of <folder> (recursively; the other system's native/ or win32/
# half left out), or only the files named by FILES stems, or all but the EXCEPT stems.
set(VK_LAYERS "")

function(vk_layer name)
  cmake_parse_arguments(L "" "FOLDER" "FILES;EXCEPT;BELOW" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${L_FOLDER}/*.cpp)
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${L_FOLDER}/*.h
       ${PROJECT_SOURCE_DIR}/${L_FOLDER}/*.inc)
  set(other_half native)
  if(NOT WIN32)
    set(other_half win32)
  endif()
  foreach(list sources headers)
    list(FILTER ${list} EXCLUDE REGEX "/${L_FOLDER}/${other_half}/")
    if(L_FILES)
      list(JOIN L_FILES "|" stems)
      list(FILTER ${list} INCLUDE REGEX "/${L_FOLDER}/(${stems})\\.(cpp|h|inc)$")
    endif()
    if(L_EXCEPT)
      list(JOIN L_EXCEPT "|" stems)
      list(FILTER ${list} EXCLUDE REGEX "/${L_FOLDER}/(${stems})\\.(cpp|h|inc)$")
    endif()
  endforeach()
  if(WIN32 AND name STREQUAL "vk_platform")
    # The time services keep one set of automation-date arithmetic for both builds; their file
    # carries its own Windows branch for the clock and the zone.
    list(APPEND sources ${PROJECT_SOURCE_DIR}/platform/native/time_services.cpp)
  endif()
  if(WIN32 AND name STREQUAL "vk_component")
    # Late binding goes through the registered type library (component/win32/
    # typeinfo_dispatch.cpp) instead of the dispatcher driven by the member table.
    list(FILTER sources EXCLUDE REGEX "/component/(vkstring_)?dispatch\\.cpp$")
  endif()

  # The layer's own include folder, made afresh at each configuration so that a header that
  # moved to another layer is no longer found here.
  set(root ${PROJECT_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${root})
  foreach(header ${headers})
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${header})
    get_filename_component(folder ${root}/${relative} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${header} ${root}/${relative} SYMBOLIC)
  endforeach()

  add_library(${name} OBJECT ${sources})
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${L_BELOW})
  if(NOT WIN32)
    # Natively each object is compiled once, position-independent and with hidden visibility,
    # for both the static core that programs and tests link and the shared module.
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON
                          CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  endif()
  set(VK_LAYERS ${VK_LAYERS} ${name} PARENT_SCOPE)
endfunction()

set(VK_BUFFER_FILES block_memory data_buffer string_buffer velkor_object)

vk_layer(vk_platform FOLDER platform)
vk_layer(vk_unicode FOLDER unicode BELOW vk_platform)
vk_layer(vk_buffers FOLDER text FILES ${VK_BUFFER_FILES} BELOW vk_unicode)
vk_layer(vk_charset FOLDER charset BELOW vk_buffers)
vk_layer(vk_text FOLDER text EXCEPT ${VK_BUFFER_FILES} BELOW vk_charset)
vk_layer(vk_coding FOLDER coding BELOW vk_text)
vk_layer(vk_dates FOLDER dates BELOW vk_text)
vk_layer(vk_files FOLDER files BELOW vk_text)
vk_layer(vk_component FOLDER component BELOW vk_coding vk_dates vk_files)
