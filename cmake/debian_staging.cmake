# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged install, before the .deb is made: turns the
# tree that `cmake --install` lays out into what a Debian package holds.
#  - the doc folder is named after the package (/usr/share/doc/vkstring), with the licence in
#    Debian's copyright file instead of LICENSE, and the packaging's changelog.Debian.gz;
#  - manual pages are compressed, and the stripped programs and module lose their .comment;
#  - modes are the usual ones whatever the umask of the build: folders 755, programs 755,
#    everything else 644 (the module is loaded with dlopen, never executed).
# gzip -n leaves the name and time out of the header, so the package is the same from build to build.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT IS_DIRECTORY "${root}/bin")
  message(FATAL_ERROR "No staged installation under ${root}")
endif()

function(vk_gzip source target)
  execute_process(COMMAND gzip -9n -c "${source}" OUTPUT_FILE "${target}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${source} failed")
  endif()
endfunction()

set(docdir "${root}/share/doc/${CPACK_PACKAGE_NAME}")
if(NOT "${root}/${CPACK_VK_DOCDIR}" STREQUAL "${docdir}")
  file(RENAME "${root}/${CPACK_VK_DOCDIR}" "${docdir}")
endif()
file(REMOVE "${docdir}/LICENSE")
file(COPY_FILE "${CPACK_VK_DEB_DIR}/copyright" "${docdir}/copyright")
vk_gzip("${CPACK_VK_DEB_DIR}/changelog" "${docdir}/changelog.Debian.gz")

file(GLOB_RECURSE pages "${root}/${CPACK_VK_MANDIR}/*")
foreach(page IN LISTS pages)
  if(NOT page MATCHES "\\.gz$")
    vk_gzip("${page}" "${page}.gz")
    file(REMOVE "${page}")
  endif()
endforeach()

# CPack's strip leaves the compilers' .comment notes; Debian's packages go without them.
file(GLOB binaries "${root}/${CPACK_VK_BINDIR}/*" "${root}/${CPACK_VK_MODULEDIR}/*.so")
foreach(binary IN LISTS binaries)
  execute_process(COMMAND "${CPACK_VK_STRIP}" --remove-section=.comment "${binary}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${CPACK_VK_STRIP} --remove-section=.comment ${binary} failed")
  endif()
endforeach()

file(GLOB_RECURSE entries LIST_DIRECTORIES true "${root}/*")
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY "${entry}" OR entry MATCHES "^${root}/bin/")
    file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                      WORLD_READ WORLD_EXECUTE)
  else()
    file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
endforeach()
