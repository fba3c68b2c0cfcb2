# `cmake --install build [--prefix P]`: the programs in bin/, the module in its own folder
# below lib/ (it is loaded by path, never linked against), the README and LICENSE in the doc
# folder, then the module registered into the machine registry of that prefix by the installed
# vk_regsvr. `cmake --build build --target uninstall` undoes it (cmake/uninstall.cmake).
# Included from the top-level CMakeLists.txt once the targets are defined (native build only).

option(VK_INSTALL_REGISTER "Register the installed module into the prefix's machine registry" ON)

install(TARGETS vkstring vk_regsvr RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS VelkorString LIBRARY DESTINATION ${VK_INSTALL_MODULEDIR})
install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The man page and bash completion that the build writes (tools/vkstring/CMakeLists.txt), and
# vk_regsvr's page.
install(FILES ${PROJECT_BINARY_DIR}/vkstring.1 tools/vk_regsvr.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/vkstring.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME vkstring)

# Registration runs the installed vk_regsvr on the installed module, so the registry records
# the module's installed path and lands in the registry that installation reads. A staged
# install (DESTDIR, for a package) registers nothing: the paths there are not the final ones,
# and a package registers from its own maintainer scripts.
if(VK_INSTALL_REGISTER)
  install(CODE "set(vk_bindir \"${CMAKE_INSTALL_BINDIR}\")
                set(vk_moduledir \"${VK_INSTALL_MODULEDIR}\")
                set(vk_module \"$<TARGET_FILE_NAME:VelkorString>\")")
  install(CODE [[
    if(DEFINED ENV{DESTDIR} AND NOT "$ENV{DESTDIR}" STREQUAL "")
      message(STATUS "Staged install (DESTDIR): the module is not registered")
    else()
      set(regsvr "${CMAKE_INSTALL_PREFIX}/${vk_bindir}/vk_regsvr")
      set(module "${CMAKE_INSTALL_PREFIX}/${vk_moduledir}/${vk_module}")
      message(STATUS "Registering ${module} into the machine registry")
      execute_process(COMMAND "${regsvr}" --machine /s "${module}" RESULT_VARIABLE failed)
      if(failed)
        # Again, not silent, for its message.
        execute_process(COMMAND "${regsvr}" --machine "${module}")
        message(FATAL_ERROR "vk_regsvr --machine failed (exit code ${failed}): the module is "
                            "installed but not registered")
      endif()
    endif()
  ]])
endif()

# Unregisters the module from the machine registry, then removes the installed files (those
# install_manifest.txt lists).
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${PROJECT_BINARY_DIR}/install_manifest.txt
          -DMODULE_NAME=$<TARGET_FILE_NAME:VelkorString> -DBINDIR=${CMAKE_INSTALL_BINDIR}
          -DREGISTRY=${VK_MACHINE_REGISTRY_DIR}/registry -P ${PROJECT_SOURCE_DIR}/cmake/uninstall.cmake
  COMMENT "Unregistering and removing the installed files"
  VERBATIM)
include(cmake/debian_package.cmake)
