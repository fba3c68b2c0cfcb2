// The man page and the bash completion of vkstring, generated at build time by the program
// itself (vkstring --print-man-page / --print-bash-completion) so that both come from the
// --help text, the member table and the charset name table, never from a copy of them.
#pragma once
#include <string>

namespace vk::cli {

std::string manPage();
std::string bashCompletion();

}  // namespace vk::cli
