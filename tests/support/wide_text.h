// UTF-8 and the UTF-16 of the Windows API, for test support code that calls the system
// directly. The conversion itself is the platform layer's; wchar_t is 16 bits on Windows.
#pragma once

#ifdef _WIN32

#include <string>

namespace zem::test {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

}  // namespace zem::test

#endif
