#include "platform/text_decoding.h"

#include <cstring>

#include "platform/code_pages.h"
#include "platform/system_info.h"

namespace zem {

bool IsUnmarkedUtf16(std::string_view bytes) {
    return bytes.size() > 10 && bytes.size() % 2 == 0 &&
           std::memchr(bytes.data(), 0, bytes.size()) && IsTextUnicode(bytes.data(), bytes.size());
}

uint32_t CodePageOfUndeclaredBytes(std::string_view bytes) {
    return IsValidUtf8(bytes) ? kCodePageUtf8 : kCodePageAnsi;
}

uint32_t DecodeUndeclaredBytes(std::string_view bytes, Text& text) {
    if (CodePageOfUndeclaredBytes(bytes) == kCodePageUtf8) {
        text = FromUtf8(bytes);
        return kCodePageUtf8;
    }
    if (MultiByteToText(kCodePageAnsi, bytes, false, text))
        return GetAnsiCodePage();
    // The ANSI conversion itself failed (no converter): keep what UTF-8 can make of the
    // bytes rather than lose them.
    text = FromUtf8(bytes);
    return kCodePageUtf8;
}

}  // namespace zem
