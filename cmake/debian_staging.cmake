# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged tree of the Debian package, before it is
# packed: the doc folder as Debian lays it out (the copyright file in place of LICENSE, the
# packaging changelog as changelog.Debian.gz) and the manual pages compressed, as dpkg-based
# systems and lintian expect. Compression is gzip -9n: no name or time stamp, so the same
# sources give the same package.
set(stage "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT IS_DIRECTORY "${stage}")
  set(stage "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
endif()
if(NOT IS_DIRECTORY "${stage}/bin")
  message(FATAL_ERROR "debian_staging: no staged tree under ${stage}")
endif()

find_program(GZIP gzip REQUIRED)
function(vk_gzip file)
  execute_process(COMMAND ${GZIP} -9nf "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "debian_staging: gzip ${file} failed")
  endif()
endfunction()

set(doc "${stage}/${CPACK_VK_DOCDIR}")
file(REMOVE "${doc}/LICENSE")
file(COPY "${CPACK_VK_DEB_DIR}/copyright" DESTINATION "${doc}")
file(COPY_FILE "${CPACK_VK_DEB_DIR}/changelog" "${doc}/changelog.Debian")
vk_gzip("${doc}/changelog.Debian")

file(GLOB pages "${stage}/${CPACK_VK_MANDIR}/man*/*")
foreach(page IN LISTS pages)
  if(NOT page MATCHES "\\.gz$")
    vk_gzip("${page}")
  endif()
endforeach()
