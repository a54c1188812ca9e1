#include "html_entities.h"

#include <algorithm>
#include <iterator>

#include "platform/text.h"

namespace zem::kmcore {

namespace {

struct NamedReference {
    std::string_view name;  // without "&"; with ";" unless it is one of the old names
    std::string_view text;  // UTF-8
};

constexpr NamedReference kNamed[] = {
#include "html_entities_table.inc"
};
constexpr size_t kLongestName = 32;

// What a numeric reference to 0x80-0x9F means: the Windows-1252 character of that byte
// (0 where the byte has none and the number stays as it is).
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const NamedReference* FindNamed(std::string_view name) {
    const auto* found = std::lower_bound(
        std::begin(kNamed), std::end(kNamed), name,
        [](const NamedReference& entry, std::string_view key) { return entry.name < key; });
    return found != std::end(kNamed) && found->name == name ? found : nullptr;
}

// `rest` follows "&#". Appends the character and gives the length consumed after "&#", or
// 0 when no digit follows (the text is then no reference).
size_t DecodeNumeric(std::string_view rest, std::string& out) {
    const bool hex = !rest.empty() && (rest[0] == 'x' || rest[0] == 'X');
    size_t at = hex ? 1 : 0;
    const size_t firstDigit = at;
    uint32_t value = 0;
    for (; at < rest.size(); ++at) {
        const int digit = HexDigitValue(static_cast<unsigned char>(rest[at]));
        if (digit < 0 || (!hex && digit > 9))
            break;
        value = std::min<uint32_t>(value * (hex ? 16 : 10) + static_cast<uint32_t>(digit),
                                   0x110000);  // anything larger is as wrong
    }
    if (at == firstDigit)
        return 0;
    if (at < rest.size() && rest[at] == ';')
        ++at;
    char32_t c = value;
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        c = 0xFFFD;
    else if (value >= 0x80 && value <= 0x9F && kWindows1252High[value - 0x80])
        c = kWindows1252High[value - 0x80];
    AppendUtf8(out, c);
    return at;
}

// `rest` follows "&". Appends the characters of the longest name that starts it and gives
// its length, or 0 when none does or an old name without ";" runs on into the value.
size_t DecodeNamed(std::string_view rest, std::string& out) {
    size_t length = 0;
    while (length < rest.size() && length < kLongestName && IsAsciiAlphanumeric(rest[length]))
        ++length;
    if (length < rest.size() && rest[length] == ';')
        ++length;
    for (; length > 0; --length) {
        const NamedReference* entry = FindNamed(rest.substr(0, length));
        if (!entry)
            continue;
        if (!entry->name.ends_with(';') && length < rest.size() &&
            (rest[length] == '=' || IsAsciiAlphanumeric(rest[length])))
            return 0;
        out += entry->text;
        return length;
    }
    return 0;
}

}  // namespace

std::string DecodeAttributeValue(std::string_view value) {
    std::string decoded;
    decoded.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const size_t amp = value.find('&', i);
        decoded.append(value.substr(i, amp - i));
        if (amp == std::string_view::npos)
            break;
        const std::string_view rest = value.substr(amp + 1);
        size_t consumed = rest.starts_with('#') ? DecodeNumeric(rest.substr(1), decoded)
                                                : DecodeNamed(rest, decoded);
        if (consumed > 0 && rest.starts_with('#'))
            ++consumed;
        if (consumed == 0)
            decoded += '&';
        i = amp + consumed;
    }
    return decoded;
}

}  // namespace zem::kmcore
