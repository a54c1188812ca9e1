// Character references in HTML attribute values, decoded as a browser decodes them.
#pragma once

#include <string>
#include <string_view>

namespace zem::kmcore {

// The value of an attribute (UTF-8, as written between its quotes) with every character
// reference replaced by its characters: every named reference of the HTML standard, the
// old names also without ";" (unless "=" or a letter or digit follows, as in a link's
// "?a=1&copy=2"), and numeric references, where 0, surrogates and values past U+10FFFF
// give U+FFFD and 0x80-0x9F give the Windows-1252 characters. Anything else stays as it is.
std::string DecodeAttributeValue(std::string_view value);

}  // namespace zem::kmcore
