# End-to-end tests of the vkstring program (tests/vkstring/cli_test.sh), run against the native
# module registered into a registry file of their own by a fixture. Included from the top-level
# CMakeLists.txt once the module and vk_regsvr are defined.
set(VK_CLI_TEST_DIR ${CMAKE_CURRENT_BINARY_DIR}/vkstring-test)
set(VK_CLI_REGISTRY ${VK_CLI_TEST_DIR}/registry)
add_test(NAME vkstring_register
         COMMAND sh -c "mkdir -p '${VK_CLI_TEST_DIR}' && rm -f '${VK_CLI_REGISTRY}' && $<TARGET_FILE:vk_regsvr> /s $<TARGET_FILE:VelkorString>")
# Leak detection is off for vk_regsvr alone: under the sanitizers it reports what the module it
# unloads still held, which is not what these tests are about (the client runs with it on).
set_tests_properties(vkstring_register PROPERTIES FIXTURES_SETUP vkstring_registered
                     ENVIRONMENT "VK_REGISTRY=${VK_CLI_REGISTRY};ASAN_OPTIONS=detect_leaks=0")
foreach(section conversions arguments options errors help convert)
  add_test(NAME vkstring_${section}
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/vkstring/cli_test.sh ${section}
                   $<TARGET_FILE:vkstring> ${CMAKE_CURRENT_SOURCE_DIR}/tests/vkstring/data
                   ${VK_CLI_TEST_DIR}/${section})
  set_tests_properties(vkstring_${section} PROPERTIES FIXTURES_REQUIRED vkstring_registered
                       ENVIRONMENT VK_REGISTRY=${VK_CLI_REGISTRY})
endforeach()
# The client reaches the object by late binding only: none of the object's code is linked in.
add_test(NAME vkstring_links_no_member_code
         COMMAND sh -c "! nm -C $<TARGET_FILE:vkstring> | grep -E ' [TtWw] vk::VkString::'")
