// Reads text files whose encoding is not known in advance, by the rules of
// platform/text_decoding.h; HTML files may declare their character set in a <meta> tag, XML
// files in their declaration. Loaded text always has LF line ends and no zero characters.
#pragma once

#include <cstddef>

#include "platform/text.h"

namespace zem {

bool LoadTextFile(const Text& path, Text& text);

// In place: zero units dropped, CR LF to LF, lone CR to LF, a terminating zero written when
// the text shrank. Returns the new length in units.
size_t NormalizeLineEnds16(char16_t* units, size_t byteCount);

}  // namespace zem
