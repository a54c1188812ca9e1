// Bytes of text that do not say how they are encoded: the one set of rules every reader of
// such bytes follows (text files, note bodies, INI files, the pages the engine takes in).
// Stateless; any thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/text.h"

namespace zem {

// UTF-16 little-endian without a byte-order mark: more than ten bytes, an even count, a zero
// byte among them, and the statistical test (IsTextUnicode) agrees.
bool IsUnmarkedUtf16(std::string_view bytes);

// The code page of 8-bit bytes that name none: UTF-8 when they are valid UTF-8, else the
// user's ANSI code page (kCodePageAnsi). Text in a legacy code page is almost never valid
// UTF-8, while UTF-8 text often converts without error in a legacy code page, so UTF-8 is
// the one to try first.
uint32_t CodePageOfUndeclaredBytes(std::string_view bytes);

// The bytes decoded by that rule (invalid sequences of the ANSI code page replaced). Returns
// kCodePageUtf8, or the number of the ANSI code page when that was used.
uint32_t DecodeUndeclaredBytes(std::string_view bytes, Text& text);

}  // namespace zem
