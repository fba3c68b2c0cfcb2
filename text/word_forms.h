// English plural and singular by a short list of suffix rules. Only the last bytes of the
// whole text are looked at, and only lower-case ASCII letters are recognised. The members
// work on the ANSI form and put the result back with setFromAnsi, so afterwards only the ANSI
// form is current.
#pragma once
#include "text/string_buffer.h"
#include "text/xstring.h"

namespace vk::wordforms {

void pluralize(StringBuffer& text);
void unpluralize(StringBuffer& text);

void pluralize(XString& value);
void unpluralize(XString& value);

}  // namespace vk::wordforms
