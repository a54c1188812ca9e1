#include "platform/text.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace zem {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Mostly-ASCII text (HTML above all) is tested sixteen bytes at a time, and a block that is
// all ASCII is converted whole instead of a character at a time. A block is tested only where
// an ASCII character starts it, so that Chinese text pays for few tests that fail.
constexpr size_t kBlock = 16;
constexpr bool kHostLittleEndian = std::endian::native == std::endian::little;
static_assert(kHostLittleEndian || std::endian::native == std::endian::big);

uint64_t LoadEightBytes(const unsigned char* p) {
    uint64_t eight;
    std::memcpy(&eight, p, sizeof eight);
    return eight;
}

// True when no byte of the block at `p` has a bit of `mask` set (`mask` repeats each 8 bytes).
bool IsBlockClearOf(const unsigned char* p, uint64_t mask) {
    return ((LoadEightBytes(p) | LoadEightBytes(p + 8)) & mask) == 0;
}

bool IsAsciiBlock(const unsigned char* p) {
    return IsBlockClearOf(p, 0x8080808080808080);
}

// The sixteen ASCII bytes at `from` as sixteen units at `to`. Copied through local arrays,
// which overlap nothing, so that the compiler converts the block in vector registers.
void WidenAsciiBlock(const unsigned char* from, char16_t* to) {
    unsigned char bytes[kBlock];
    std::memcpy(bytes, from, kBlock);
    char16_t units[kBlock];
    for (size_t k = 0; k < kBlock; ++k)
        units[k] = bytes[k];
    std::memcpy(to, units, sizeof units);
}

// The eight ASCII units in the sixteen bytes at `from`, in either byte order, as eight bytes
// at `to`. On a little-endian host each eight bytes are packed in a register: the compiler
// makes no vector code of local arrays here, and a byte at a time is slower.
template <bool kBigEndian>
void NarrowAsciiBlock(const unsigned char* from, char* to) {
    if constexpr (kHostLittleEndian) {
        for (size_t k = 0; k < kBlock; k += 8) {
            uint64_t units = LoadEightBytes(from + k);
            if constexpr (kBigEndian)
                units >>= 8;
            // The low byte of unit n, at bit 16n, moves to bit 8n.
            units = (units | units >> 8) & 0x0000FFFF0000FFFF;
            const auto four = static_cast<uint32_t>(units | units >> 16);
            std::memcpy(to + k / 2, &four, sizeof four);
        }
    } else {
        for (size_t k = 0; k < kBlock / 2; ++k)
            to[k] = static_cast<char>(from[2 * k + (kBigEndian ? 1 : 0)]);
    }
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Decodes one UTF-8 sequence at `i`; returns false (advancing past one byte) when invalid.
// Each length is decoded on its own, with no loop over the continuation bytes: faster for the
// three-byte characters of Chinese text.
bool DecodeUtf8(std::string_view bytes, size_t& i, char32_t& c) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + i;
    const size_t left = bytes.size() - i;
    const auto continues = [&](size_t k) { return k < left && (p[k] & 0xC0) == 0x80; };
    if (p[0] < 0x80) {
        c = p[0];
        ++i;
        return true;
    }
    if ((p[0] & 0xE0) == 0xC0) {
        if (continues(1)) {
            c = (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu);
            if (c >= 0x80) {
                i += 2;
                return true;
            }
        }
    } else if ((p[0] & 0xF0) == 0xE0) {
        if (continues(1) && continues(2)) {
            c = (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
            if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
                i += 3;
                return true;
            }
        }
    } else if ((p[0] & 0xF8) == 0xF0) {
        if (continues(1) && continues(2) && continues(3)) {
            c = (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
            if (c >= 0x10000 && c <= 0x10FFFF) {
                i += 4;
                return true;
            }
        }
    }
    ++i;
    return false;
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

// UTF-16 units held as bytes in either order: a text's own storage (in the host's order) or
// a page read from a file, which is then converted without first being made a text.
template <bool kBigEndian>
struct Utf16Units {
    const unsigned char* bytes;
    size_t size;

    static constexpr bool kSwapped = kBigEndian == kHostLittleEndian;

    char16_t operator[](size_t i) const {
        char16_t unit;
        std::memcpy(&unit, bytes + 2 * i, sizeof unit);
        return kSwapped ? static_cast<char16_t>(unit >> 8 | unit << 8) : unit;
    }
    // True when the block of units from `i` is ASCII: each unit's high byte zero and its low
    // byte below 0x80.
    bool IsAsciiBlock(size_t i) const {
        return IsBlockClearOf(bytes + 2 * i, kSwapped ? 0x80FF80FF80FF80FF : 0xFF80FF80FF80FF80);
    }
    // The UTF-8 size of the block of units from `i`, or 0 when it holds a surrogate, whose size
    // depends on its neighbours. Counted four units to a register without a branch per unit,
    // which text mixing Chinese and ASCII would mispredict.
    size_t Utf8SizeOfBlock(size_t i) const {
        // A mask for the units' bits, placed as the units' bytes are.
        constexpr auto bits = [](uint64_t mask) {
            return kSwapped ? (mask & 0x00FF00FF00FF00FF) << 8 | (mask >> 8 & 0x00FF00FF00FF00FF)
                            : mask;
        };
        constexpr uint64_t kLowBits = 0x7FFF7FFF7FFF7FFF, kTopBits = ~kLowBits;
        // The top bit of each unit of `x` that is not zero.
        const auto nonZero = [](uint64_t x) {
            return (((x & kLowBits) + kLowBits) | x) & kTopBits;
        };
        uint64_t extraBytes = 0, surrogates = 0;
        for (size_t k = 0; k < kBlock; k += 8) {
            const uint64_t four = LoadEightBytes(bytes + 2 * i + k);
            extraBytes += nonZero(four & bits(0xFF80FF80FF80FF80)) >> 15;
            extraBytes += nonZero(four & bits(0xF800F800F800F800)) >> 15;
            surrogates |= ~nonZero((four & bits(0xF800F800F800F800)) ^ bits(0xD800D800D800D800));
        }
        if ((surrogates & kTopBits) != 0)
            return 0;
        // The four counts summed into the top unit.
        return kBlock / 2 + (extraBytes * 0x0001000100010001 >> 48);
    }
};

Utf16Units<!kHostLittleEndian> UnitsOf(TextView text) {
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

// The size of what WriteUtf8 writes without held bytes, counted first so that a page is made
// at its exact size: a page of 50 MB must not take three times that while it is converted.
template <bool kBigEndian>
size_t Utf8Size(Utf16Units<kBigEndian> units) {
    size_t size = 0;
    for (size_t i = 0; i < units.size;) {
        if (units.size - i >= kBlock / 2) {
            if (units.IsAsciiBlock(i)) {
                size += kBlock / 2;
                i += kBlock / 2;
                continue;
            }
            if (const size_t blockSize = units.Utf8SizeOfBlock(i)) {
                size += blockSize;
                i += kBlock / 2;
                continue;
            }
        }
        for (const size_t end = std::min(units.size, i + kBlock / 2); i < end;) {
            const char16_t c = units[i++];
            if (c < 0x80) {
                size += 1;
            } else if (c < 0x800) {
                size += 2;
            } else if (IsHighSurrogate(c) && i < units.size && IsLowSurrogate(units[i])) {
                size += 4;
                ++i;
            } else {
                size += 3;
            }
        }
    }
    return size;
}

// UTF-16 to UTF-8 at `p`, returning the end; a lone surrogate becomes U+FFFD, or with
// `heldBytes` a held file-name byte (U+DC80-U+DCFF) becomes that byte. A pair is a character
// even where its second half looks like a held byte.
template <bool kBigEndian>
char* WriteUtf8(Utf16Units<kBigEndian> units, bool heldBytes, char* p) {
    for (size_t i = 0; i < units.size;) {
        if (units[i] < 0x80 && units.size - i >= kBlock / 2 && units.IsAsciiBlock(i)) {
            NarrowAsciiBlock<kBigEndian>(units.bytes + 2 * i, p);
            p += kBlock / 2;
            i += kBlock / 2;
            continue;
        }
        for (const size_t end = std::min(units.size, i + kBlock / 2); i < end;) {
            char32_t c = units[i++];
            if (c < 0x80) {
                *p++ = static_cast<char>(c);
                continue;
            }
            if (IsHighSurrogate(static_cast<char16_t>(c)) && i < units.size &&
                IsLowSurrogate(units[i])) {
                c = 0x10000 + ((c - 0xD800) << 10) + (units[i] - 0xDC00);
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
    }
    return p;
}

// A text is written in one pass into room for its longest form (three bytes per unit; a pair
// takes four for two units): for Chinese text that is faster than counting the size first.
std::string EncodeUtf8(TextView text, bool heldBytes) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<size_t>(WriteUtf8(UnitsOf(text), heldBytes, out.data()) - out.data()));
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
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t i = 0; i < bytes.size();) {
        if (data[i] < 0x80 && bytes.size() - i >= kBlock && IsAsciiBlock(data + i)) {
            WidenAsciiBlock(data + i, p);
            p += kBlock;
            i += kBlock;
            continue;
        }
        for (const size_t end = std::min(bytes.size(), i + kBlock); i < end;) {
            const unsigned char b = data[i];
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
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t i = 0; i < bytes.size();) {
        if (data[i] < 0x80 && bytes.size() - i >= kBlock && IsAsciiBlock(data + i)) {
            i += kBlock;
            continue;
        }
        for (const size_t end = std::min(bytes.size(), i + kBlock); i < end;) {
            char32_t c;
            if (!DecodeUtf8(bytes, i, c))
                return false;
        }
    }
    return true;
}

Text Utf16BytesToText(std::string_view bytes, bool bigEndian) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    Text text(bytes.size() / 2, u'\0');
    const Utf16Units<false> little{data, text.size()};
    const Utf16Units<true> big{data, text.size()};
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = bigEndian ? big[i] : little[i];
    return text;
}

void ReplaceLoneSurrogates(Text& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            ++i;
        else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i]))
            text[i] = u'\uFFFD';
    }
}

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t count = bytes.size() / 2;
    const auto encode = [](auto units) {
        std::string out(Utf8Size(units), '\0');
        [[maybe_unused]] const char* end = WriteUtf8(units, false, out.data());
        assert(end == out.data() + out.size());
        return out;
    };
    return bigEndian ? encode(Utf16Units<true>{data, count})
                     : encode(Utf16Units<false>{data, count});
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

size_t FindFirstOf(std::string_view text, std::string_view set, size_t from) {
    for (size_t i = from; i < text.size(); ++i) {
        for (const char c : set) {
            if (text[i] == c)
                return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace zem
