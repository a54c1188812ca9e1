#ifdef _WIN32

#include "support/wide_text.h"

#include "platform/text.h"

namespace zem::test {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Wide(const std::string& utf8) {
    const Text text = FromUtf8(utf8);
    return std::wstring(text.begin(), text.end());
}

std::string Utf8(const std::wstring& wide) {
    return ToUtf8(TextView(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

}  // namespace zem::test

#endif
