# Undoes `cmake --install`: unregisters the installed module from the machine registry with the
# installed vk_regsvr, removes every file of the install manifest, and removes the machine
# registry too when no value is left in it (its keys are the ones registration never removes).
# Run by the `uninstall` target: cmake -DMANIFEST=... -DMODULE_NAME=... -DBINDIR=...
# -DREGISTRY=<the machine registry, absolute or relative to the prefix> -P uninstall.cmake
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "No install manifest (${MANIFEST}): nothing was installed from this build")
endif()
file(STRINGS "${MANIFEST}" files)
set(regsvr "")
set(module "")
foreach(file IN LISTS files)
  if(file MATCHES "/vk_regsvr$")
    set(regsvr "${file}")
  elseif(file MATCHES "/${MODULE_NAME}$")
    set(module "${file}")
  endif()
endforeach()

if(EXISTS "${regsvr}" AND EXISTS "${module}")
  execute_process(COMMAND "${regsvr}" --machine /u "${module}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "vk_regsvr --machine /u failed (exit code ${failed}); nothing removed")
  endif()
endif()

foreach(file IN LISTS files)
  if(EXISTS "${file}" OR IS_SYMLINK "${file}")
    message(STATUS "Removing ${file}")
    file(REMOVE "${file}")
  endif()
endforeach()

# The machine registry, found as the installed programs find it: under the prefix whose
# <bindir> held vk_regsvr, unless it is absolute.
if(regsvr AND NOT IS_ABSOLUTE "${REGISTRY}")
  string(REGEX REPLACE "/${BINDIR}/vk_regsvr$" "" prefix "${regsvr}")
  set(REGISTRY "${prefix}/${REGISTRY}")
endif()
if(IS_ABSOLUTE "${REGISTRY}" AND EXISTS "${REGISTRY}")
  file(STRINGS "${REGISTRY}" values REGEX "^value ")
  if(values)
    message(STATUS "Keeping ${REGISTRY}: other entries are still registered there")
  else()
    message(STATUS "Removing ${REGISTRY} (no entry left)")
    file(REMOVE "${REGISTRY}" "${REGISTRY}.lock")
    get_filename_component(folder "${REGISTRY}" DIRECTORY)
    file(GLOB left "${folder}/*")
    if(NOT left)
      file(REMOVE_RECURSE "${folder}")
    endif()
  endif()
endif()
