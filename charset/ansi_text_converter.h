// Lends the engine's ANSI conversions to the native system services below it.
#pragma once

namespace vk {

// Installs the converter (platform::installAnsiTextConverter); answers true.
bool installAnsiTextConverter();

}  // namespace vk
