#include "platform/code_pages.h"

#include <climits>

#include "platform/files.h"
#include "platform/win32/windows_api.h"

namespace zem {

namespace {

constexpr uint32_t kCodePageUsAscii = 20127;

// Code pages whose converters take no flags: asking them to report invalid input fails the
// call itself (ERROR_INVALID_FLAGS).
bool TakesNoFlags(uint32_t codePage) {
    return codePage == 42 || codePage == 65000 || (codePage >= 50220 && codePage <= 50229) ||
           (codePage >= 57002 && codePage <= 57011);
}

// The number the system converts a code page by. It refuses 51932 (EUC-JP) and 51949
// (EUC-KR) as invalid parameters; 20932 and 949 (a superset of EUC-KR) read the same bytes.
uint32_t SystemCodePage(uint32_t codePage) {
    switch (codePage) {
        case kCodePageEucJp:
            return 20932;
        case 51949:
            return 949;
        default:
            return codePage;
    }
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

// Converts all of `bytes`, failing with ERROR_NO_UNICODE_TRANSLATION at any sequence that
// has none (where the converter can tell).
bool ConvertStrictly(uint32_t codePage, std::string_view bytes, Text& text) {
    if (bytes.empty()) {
        text.clear();
        return IsKnownCodePage(codePage);
    }
    if (!FitsInInt(bytes.size()))
        return false;
    const DWORD flags = TakesNoFlags(codePage) ? 0 : MB_ERR_INVALID_CHARS;
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return win32::FailWithLastError();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(codePage, flags, bytes.data(), size, wide.data(), length) != length)
        return win32::FailWithLastError();
    text = win32::FromWide(wide.data(), wide.size());
    return true;
}

// Reads bytes that do not all convert one character at a time: the shortest run of up to
// four bytes that converts, else one U+FFFD for the byte, as the POSIX edition does. The
// system's lenient conversion would put private-use stand-ins instead (0xFF in GBK becomes
// U+F8F5), which differ between code pages and look like text.
Text ConvertReplacing(uint32_t codePage, std::string_view bytes) {
    Text text;
    Text piece;
    for (size_t at = 0; at < bytes.size();) {
        size_t taken = 0;
        for (size_t length = 1; length <= 4 && at + length <= bytes.size() && !taken; ++length)
            if (ConvertStrictly(codePage, bytes.substr(at, length), piece))
                taken = length;
        if (taken) {
            text += piece;
            at += taken;
        } else {
            text += u'\uFFFD';
            ++at;
        }
    }
    return text;
}

// US-ASCII by hand: Wine's table passes bytes above 0x7F through even when asked to fail.
bool DecodeUsAscii(std::string_view bytes, bool failOnInvalid, Text& text) {
    Text decoded;
    decoded.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && failOnInvalid) {
            SetLastErrorCode(ERROR_NO_UNICODE_TRANSLATION);
            return false;
        }
        decoded += byte < 0x80 ? static_cast<char16_t>(byte) : u'\uFFFD';
    }
    text = std::move(decoded);
    return true;
}

// The text with each surrogate pair turned into U+FFFF, which no byte code page holds, so
// that a character outside the Basic Multilingual Plane becomes one default character
// rather than one per half.
Text PairsAsOneCharacter(TextView text) {
    Text result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        result += pair ? u'\uFFFF' : text[i];
        i += pair ? 1 : 0;
    }
    return result;
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
    if (codePage == kCodePageUsAscii)
        return DecodeUsAscii(bytes, failOnInvalid, text);
    const uint32_t systemCodePage = SystemCodePage(codePage);
    if (ConvertStrictly(systemCodePage, bytes, text))
        return true;
    if (failOnInvalid || GetLastErrorCode() != ERROR_NO_UNICODE_TRANSLATION)
        return false;
    text = ConvertReplacing(systemCodePage, bytes);
    return true;
}

bool TextToMultiByte(uint32_t codePage, TextView text, std::string& bytes) {
    if (codePage == kCodePageUtf8) {
        bytes = ToUtf8(text);
        return true;
    }
    const uint32_t systemCodePage = SystemCodePage(codePage);
    if (text.empty()) {
        bytes.clear();
        return IsKnownCodePage(systemCodePage);
    }
    if (!FitsInInt(text.size()))
        return false;
    // GB18030 and UTF-7 hold every character, pairs included.
    const Text input =
        systemCodePage == 54936 || systemCodePage == 65000 ? Text(text) : PairsAsOneCharacter(text);
    // A character the code page cannot hold becomes its default character ("?"), never a
    // look-alike the system would otherwise pick (best fit: "∞" as "8").
    const auto* wide = reinterpret_cast<const wchar_t*>(input.data());
    const int size = static_cast<int>(input.size());
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int length =
        WideCharToMultiByte(systemCodePage, flags, wide, size, nullptr, 0, nullptr, nullptr);
    if (length <= 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        length =
            WideCharToMultiByte(systemCodePage, flags, wide, size, nullptr, 0, nullptr, nullptr);
    }
    if (length <= 0)
        return win32::FailWithLastError();
    bytes.assign(static_cast<size_t>(length), '\0');
    if (WideCharToMultiByte(systemCodePage, flags, wide, size, bytes.data(), length, nullptr,
                            nullptr) != length)
        return win32::FailWithLastError();
    return true;
}

}  // namespace zem
