#include "platform/code_pages.h"

#include <climits>

#include "platform/files.h"
#include "platform/win32/windows_api.h"

namespace zem {

namespace {

// Code pages whose converters take no flags: asking them to report invalid input fails the
// call itself (ERROR_INVALID_FLAGS).
bool TakesNoFlags(uint32_t codePage) {
    return codePage == 42 || codePage == 65000 || (codePage >= 50220 && codePage <= 50229) ||
           (codePage >= 57002 && codePage <= 57011);
}

// Whether the system converts in the code page (0 and 3: the user's and the thread's ANSI
// code page).
bool IsKnownCodePage(uint32_t codePage) {
    if (codePage == kCodePageAnsi || codePage == 3 || IsValidCodePage(codePage))
        return true;
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return false;
}

bool FitsInInt(size_t size) {
    if (size <= static_cast<size_t>(INT_MAX))
        return true;
    SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
    return false;
}

}  // namespace

bool MultiByteToText(uint32_t codePage, std::string_view bytes, bool failOnInvalid, Text& text) {
    // UTF-16 and UTF-32 are not byte code pages: bytes that merely declare them are 8-bit
    // text, and reading them in pairs would turn them into garbage.
    if (codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return false;
    }
    // UTF-8 is read by the program's own decoder, the same on every edition.
    if (codePage == kCodePageUtf8) {
        if (!failOnInvalid) {
            text = FromUtf8(bytes);
            return true;
        }
        if (FromUtf8Strict(bytes, text))
            return true;
        SetLastErrorCode(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    if (bytes.empty()) {
        text.clear();
        return IsKnownCodePage(codePage);
    }
    if (!FitsInInt(bytes.size()))
        return false;
    const DWORD flags = failOnInvalid && !TakesNoFlags(codePage) ? MB_ERR_INVALID_CHARS : 0;
    const int length = MultiByteToWideChar(codePage, flags, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0)
        return win32::FailWithLastError();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()),
                            wide.data(), length) != length)
        return win32::FailWithLastError();
    text = win32::FromWide(wide.data(), wide.size());
    return true;
}

bool TextToMultiByte(uint32_t codePage, TextView text, std::string& bytes) {
    if (codePage == kCodePageUtf8) {
        bytes = ToUtf8(text);
        return true;
    }
    if (text.empty()) {
        bytes.clear();
        return IsKnownCodePage(codePage);
    }
    if (!FitsInInt(text.size()))
        return false;
    // A character the code page cannot hold becomes its default character ("?").
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, wide, size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return win32::FailWithLastError();
    bytes.assign(static_cast<size_t>(length), '\0');
    if (WideCharToMultiByte(codePage, 0, wide, size, bytes.data(), length, nullptr, nullptr) !=
        length)
        return win32::FailWithLastError();
    return true;
}

}  // namespace zem
