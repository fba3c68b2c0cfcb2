// The markup members: HtmlEntityEncode, HtmlEntityDecode and StripHtml. Each copies one form
// of the text value into a scratch buffer, transforms the bytes and puts the result back as
// the UTF-8 form, which is then the only current form.
#pragma once
#include "text/string_buffer.h"
#include "text/xstring.h"

namespace vk::markup {

// Removes tags: "<" opens a tag anywhere; inside a tag nothing is copied, quotes (double or
// single) hide ">", and a backslash makes the scan skip the byte after it. Text after an
// unterminated "<" is dropped.
void stripTags(StringBuffer& text);

// Escapes "&", "<", ">" and '"' in the UTF-8 form.
void htmlEntityEncode(XString& value);
// Decodes references in the ANSI form (named and byte-sized numeric references become bytes
// of the ANSI code page), then, in UTF-8, numeric references as Unicode.
void htmlEntityDecode(XString& value);
// Strips tags from the UTF-8 form.
void stripHtml(XString& value);

}  // namespace vk::markup
