#include "platform/text.h"

#include <algorithm>
#include <type_traits>

namespace zem {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `i`; returns false (advancing past one byte) when invalid.
bool DecodeUtf8(std::string_view bytes, size_t& i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    int length;
    char32_t min;
    if (b0 < 0x80) {
        c = b0;
        ++i;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        length = 2, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (i + length > bytes.size()) {
        ++i;
        return false;
    }
    for (int k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(bytes[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += length;
    return true;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

namespace {

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD, or with `heldBytes` a held file-name byte
// (U+DC80-U+DCFF) becomes that byte. Written through a pointer into room for the longest
// form (three bytes per unit; a surrogate pair takes four for two units): every page of
// every note passes here.
std::string EncodeUtf8(TextView text, bool heldBytes) {
    std::string out(text.size() * 3, '\0');
    char* p = out.data();
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            *p++ = static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (heldBytes && IsHeldByte(static_cast<char16_t>(c))) {
            *p++ = static_cast<char>(c - 0xDC00);
            continue;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *p++ = static_cast<char>(0xE0 | (c >> 12));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *p++ = static_cast<char>(0xF0 | (c >> 18));
            *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<size_t>(p - out.data()));
    return out;
}

}  // namespace

std::string ToUtf8(TextView text) {
    return EncodeUtf8(text, false);
}

std::string ToFileSystemBytes(TextView text) {
    return EncodeUtf8(text, true);
}

namespace {

enum class InvalidBytes { kReplace, kFail, kHold };

// The units of `bytes` into `out`, each invalid byte as U+FFFD or as a held byte, or false at
// the first invalid byte. Written through a pointer into room for one unit per byte (four
// bytes give a surrogate pair, two units): every page of every note passes here.
bool DecodeUtf8Text(std::string_view bytes, InvalidBytes invalid, Text& out) {
    out.assign(bytes.size(), u'\0');
    char16_t* p = out.data();
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            *p++ = b;
            ++i;
            continue;
        }
        char32_t c;
        if (!DecodeUtf8(bytes, i, c)) {
            if (invalid == InvalidBytes::kFail) {
                out.clear();
                return false;
            }
            // DecodeUtf8 stepped over exactly the first byte, which is `b`.
            c = invalid == InvalidBytes::kHold ? 0xDC00 + b : kReplacement;
        }
        if (c < 0x10000) {
            *p++ = static_cast<char16_t>(c);
        } else {
            c -= 0x10000;
            *p++ = static_cast<char16_t>(0xD800 + (c >> 10));
            *p++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        }
    }
    out.resize(static_cast<size_t>(p - out.data()));
    return true;
}

}  // namespace

Text FromUtf8(std::string_view bytes) {
    Text out;
    DecodeUtf8Text(bytes, InvalidBytes::kReplace, out);
    return out;
}

bool FromUtf8Strict(std::string_view bytes, Text& out) {
    return DecodeUtf8Text(bytes, InvalidBytes::kFail, out);
}

Text FromFileSystemBytes(std::string_view bytes) {
    Text out;
    DecodeUtf8Text(bytes, InvalidBytes::kHold, out);
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t c;
        if (!DecodeUtf8(bytes, i, c))
            return false;
    }
    return true;
}

namespace {

char16_t Utf16Unit(std::string_view bytes, size_t index, bool bigEndian) {
    const auto first = static_cast<unsigned char>(bytes[2 * index]);
    const auto second = static_cast<unsigned char>(bytes[2 * index + 1]);
    return static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

Text Utf16BytesToText(std::string_view bytes, bool bigEndian) {
    Text text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = Utf16Unit(bytes, i, bigEndian);
    return text;
}

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian) {
    const size_t units = bytes.size() / 2;
    // The size of what ToUtf8 writes: a surrogate pair takes four bytes, a lone surrogate
    // three (U+FFFD).
    size_t size = 0;
    for (size_t i = 0; i < units; ++i) {
        const char16_t c = Utf16Unit(bytes, i, bigEndian);
        if (c < 0x80) {
            size += 1;
        } else if (c < 0x800) {
            size += 2;
        } else if (IsHighSurrogate(c) && i + 1 < units &&
                   IsLowSurrogate(Utf16Unit(bytes, i + 1, bigEndian))) {
            size += 4;
            ++i;
        } else {
            size += 3;
        }
    }
    std::string out;
    out.reserve(size);
    // Converted a slice at a time through ToUtf8; a slice never ends between the two units
    // of a pair.
    constexpr size_t kSliceUnits = 16384;
    Text slice;
    for (size_t start = 0; start < units;) {
        size_t end = std::min(units, start + kSliceUnits);
        if (end < units && IsHighSurrogate(Utf16Unit(bytes, end - 1, bigEndian)) &&
            IsLowSurrogate(Utf16Unit(bytes, end, bigEndian)))
            ++end;
        slice.resize(end - start);
        for (size_t i = start; i < end; ++i)
            slice[i - start] = Utf16Unit(bytes, i, bigEndian);
        out += ToUtf8(slice);
        start = end;
    }
    return out;
}

namespace {
template <class C>
std::basic_string<C> PercentEncoded(std::basic_string_view<C> path) {
    static constexpr std::string_view kEscaped = "%#?\"'<>&()\\ ";
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::basic_string<C> encoded;
    encoded.reserve(path.size());
    for (const C c : path) {
        const auto unit = static_cast<std::make_unsigned_t<C>>(c);
        if (unit < 0x20 || unit == 0x7F ||
            (unit < 0x80 && kEscaped.find(static_cast<char>(unit)) != std::string_view::npos)) {
            encoded += C('%');
            encoded += C(kDigits[unit >> 4]);
            encoded += C(kDigits[unit & 15]);
        } else {
            encoded += c;
        }
    }
    return encoded;
}
}  // namespace

std::string PercentEncodeLink(std::string_view path) {
    return PercentEncoded(path);
}
Text PercentEncodeLink(TextView path) {
    return PercentEncoded(path);
}

namespace {
template <class View>
bool SameIgnoringAsciiCase(View a, View b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ToLowerAscii(a[i]) != ToLowerAscii(b[i]))
            return false;
    return true;
}
}  // namespace

bool EqualsIgnoreAsciiCase(TextView a, TextView b) {
    return SameIgnoringAsciiCase(a, b);
}
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    return SameIgnoringAsciiCase(a, b);
}

}  // namespace zem
