# The installed form of the project: one version everywhere. Included from the top-level
# CMakeLists.txt once the module and the programs are defined.

# Every program and the module say the project's version (set once, by project()).
foreach(program vkstring vk_regsvr)
  add_test(NAME version_${program}
           COMMAND sh -c "$<TARGET_FILE:${program}> --version | grep -qE '^${program} ${PROJECT_VERSION}( |$)'")
endforeach()
add_test(NAME version_module
         COMMAND sh -c "readelf -p .vkstring_version $<TARGET_FILE:VelkorString> | grep -qF 'VkString ${PROJECT_VERSION}'")
# The type library's version is the project's major.minor, in the interface description and
# in the registration script alike (idl_matches_member_list keeps the committed files equal to
# the generator's output).
add_test(NAME version_type_library
         COMMAND sh -c "grep -qF 'version(${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})' ${CMAKE_CURRENT_SOURCE_DIR}/component/VelkorString.idl && grep -qF \"'Version' = s '${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}'\" ${CMAKE_CURRENT_SOURCE_DIR}/component/VelkorString.rgs")

# cmake --install into a temporary prefix, the installed vkstring as an unprivileged user served
# by that prefix's machine registry, and the uninstall target (tests/install/install_test.sh).
if(VK_INSTALL_REGISTER)
  add_test(NAME install_end_to_end
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/install/install_test.sh ${PROJECT_BINARY_DIR}
                   ${PROJECT_SOURCE_DIR})
  # The installed vk_regsvr keeps the module loaded to the end, as it always does; see
  # vkstring_register for why leak detection is off for it.
  set_tests_properties(install_end_to_end PROPERTIES ENVIRONMENT ASAN_OPTIONS=detect_leaks=0
                       RUN_SERIAL TRUE)
endif()
# A vk_regsvr of a build tree has no machine registry to write.
add_test(NAME regsvr_machine_refused_outside_an_installation
         COMMAND sh -c "out=$($<TARGET_FILE:vk_regsvr> --machine $<TARGET_FILE:VelkorString> 2>&1); test $? = 1 && echo \"$out\" | grep -q 'not installed'")
