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

# The install itself (cmake --install into a temporary prefix, vkstring from there as an
# unprivileged user) and the Debian package are steps of scripts/test.sh: tests/install/install_test.sh
# and tests/install/deb_test.sh.
# A vk_regsvr of a build tree has no machine registry to write.
add_test(NAME regsvr_machine_refused_outside_an_installation
         COMMAND sh -c "out=$($<TARGET_FILE:vk_regsvr> --machine $<TARGET_FILE:VelkorString> 2>&1); test $? = 1 && echo \"$out\" | grep -q 'not installed'")

# vk_regsvr's manual page is written by hand: it must name every option its usage text lists.
add_test(NAME regsvr_man_page_names_every_option
         COMMAND sh -c "options=$($<TARGET_FILE:vk_regsvr> 2>&1 | grep -oE '(--[a-z-]+|/[a-z])' | sort -u); test -n \"$options\" || exit 1; for o in $options; do grep -qF -- \"$(echo $o | sed 's/-/\\\\-/g')\" ${CMAKE_CURRENT_SOURCE_DIR}/tools/vk_regsvr.1 || { echo \"not in vk_regsvr.1: $o\"; exit 1; }; done")
