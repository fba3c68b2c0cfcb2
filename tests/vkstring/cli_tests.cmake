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
# The registry file as users meet it: relative module paths recorded absolute, a read-only
# registry used by another user (the script drops to nobody when run as root), a corrupt one.
# It keeps registries of its own under /tmp and needs no fixture.
add_test(NAME vkstring_registry
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/vkstring/registry_test.sh
                 $<TARGET_FILE:vkstring> $<TARGET_FILE:vk_regsvr> $<TARGET_FILE:VelkorString>)
# The ANSI code page as a setting (VK_ANSI_CODEPAGE, the registry's ACP value): the members that
# see the ANSI form under 932 and 1252, and refused values. Keeps a registry of its own.
add_test(NAME vkstring_ansi_code_page
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/vkstring/ansi_code_page_test.sh
                 $<TARGET_FILE:vkstring> $<TARGET_FILE:vk_regsvr> $<TARGET_FILE:VelkorString>)
set_tests_properties(vkstring_ansi_code_page PROPERTIES ENVIRONMENT ASAN_OPTIONS=detect_leaks=0)
# The generated man page renders and the generated completion completes.
add_test(NAME vkstring_shell_files
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/vkstring/shell_files_test.sh $<TARGET_FILE:vkstring>
                 ${PROJECT_BINARY_DIR}/vkstring.1 ${PROJECT_BINARY_DIR}/vkstring.bash-completion)
