// The program's text as the wide-character strings of the Windows API: both are UTF-16, so
// only the pointer type differs.
#pragma once

#include "platform/text.h"

namespace zem::ui {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16");

inline const wchar_t* Wide(const Text& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline Text FromWide(const wchar_t* text) {
    return Text(reinterpret_cast<const char16_t*>(text));
}

}  // namespace zem::ui
