#include "util/text_helpers.h"

#include "platform/files.h"

#include <algorithm>
#include <limits>

namespace zem {

Text FormatText(TextView format, TextView arg1, TextView arg2, TextView arg3) {
    const TextView args[] = {arg1, arg2, arg3};
    Text result;
    result.reserve(format.size() + arg1.size() + arg2.size() + arg3.size());
    for (size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        const char16_t next = i + 1 < format.size() ? format[i + 1] : u'\0';
        if (c == u'%' && next >= u'1' && next <= u'9') {
            const int index = next - u'1';
            if (index < 3)
                result += args[index];
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

void SplitText(TextView text, char16_t separator, TextList& list) {
    if (text.empty())
        return;
    if (text.front() == separator)
        text.remove_prefix(1);
    if (!text.empty() && text.back() == separator)
        text.remove_suffix(1);
    const bool dropCarriageReturn = separator == u'\n';
    for (;;) {
        const size_t end = text.find(separator);
        TextView piece = text.substr(0, end);
        if (dropCarriageReturn && !piece.empty() && piece.back() == u'\r')
            piece.remove_suffix(1);
        list.emplace_back(piece);
        if (end == TextView::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

Text JoinTexts(const TextList& list, TextView separator) {
    Text result;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i > 0)
            result += separator;
        result += list[i];
    }
    return result;
}

Text Int64ToText(int64_t value) {
    // Work on the unsigned magnitude so that the most negative value has no overflow.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : value;
    Text digits;
    do {
        digits += static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        digits += u'-';
    std::reverse(digits.begin(), digits.end());
    return digits;
}

Text IntToText(int32_t value) {
    return Int64ToText(value);
}

int64_t TextToInt64(TextView text) {
    size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    // Accumulate as a negative number: its range holds the most negative value.
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    int64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i] - u'0';
        if (value < (kMin + digit) / 10) {
            overflow = true;
        } else {
            value = value * 10 - digit;
        }
    }
    if (overflow)
        return negative ? kMin : std::numeric_limits<int64_t>::max();
    if (negative)
        return value;
    return value == kMin ? std::numeric_limits<int64_t>::max() : -value;
}

int32_t TextToInt32(TextView text) {
    const int64_t value = TextToInt64(text);
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

bool IsWhiteSpace(char16_t c) {
    // The C library's wide classification in a UTF-8 locale: the ASCII blanks and the
    // Unicode spaces, without the non-breaking ones.
    if (c == u' ' || (c >= u'\t' && c <= u'\r'))
        return true;
    if (c < 0x1680)
        return false;
    return c == 0x1680 || (c >= 0x2000 && c <= 0x2006) || (c >= 0x2008 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x205F || c == 0x3000;
}

Text TrimTextStart(TextView text) {
    size_t start = 0;
    while (start < text.size() && IsWhiteSpace(text[start]))
        ++start;
    return Text(text.substr(start));
}

Text TrimTextEnd(TextView text) {
    size_t end = text.size();
    while (end > 0 && IsWhiteSpace(text[end - 1]))
        --end;
    return Text(text.substr(0, end));
}

Text TrimText(TextView text) {
    size_t start = 0;
    size_t end = text.size();
    while (start < end && IsWhiteSpace(text[start]))
        ++start;
    while (end > start && IsWhiteSpace(text[end - 1]))
        --end;
    return Text(text.substr(start, end - start));
}

char16_t ToUpperAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c;
}

Text ToUpperAscii(TextView text) {
    Text result(text);
    for (char16_t& c : result)
        c = ToUpperAscii(c);
    return result;
}

bool EqualsIgnoreCase(TextView a, TextView b) {
    return a.size() == b.size() && StartsWithIgnoreCase(a, b);
}

bool StartsWithIgnoreCase(TextView text, TextView prefix) {
    if (prefix.size() > text.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (ToUpperAscii(text[i]) != ToUpperAscii(prefix[i]))
            return false;
    }
    return true;
}

size_t FindIgnoreCase(TextView text, TextView what, size_t from) {
    if (from > text.size() || what.size() > text.size() - from)
        return Text::npos;
    for (size_t i = from; i + what.size() <= text.size(); ++i) {
        if (StartsWithIgnoreCase(text.substr(i), what))
            return i;
    }
    return Text::npos;
}

size_t ReplaceAll(Text& text, TextView what, TextView with) {
    if (what.empty())
        return 0;
    size_t count = 0;
    Text result;
    size_t start = 0;
    for (size_t found; (found = text.find(what, start)) != Text::npos;
         start = found + what.size()) {
        result.append(text, start, found - start);
        result += with;
        ++count;
    }
    if (count == 0)
        return 0;
    result.append(text, start);
    text = std::move(result);
    return count;
}

uint64_t HashText64(TextView text) {
    uint64_t hash = 14695981039346656037ull;
    for (char16_t c : text)
        hash = (hash ^ static_cast<uint64_t>(c)) * 1099511628211ull;
    return hash;
}

bool EndsWithSeparator(TextView path) {
    return !path.empty() && (path.back() == u'/' || path.back() == u'\\');
}

void AddTrailingSeparator(Text& path) {
    if (!path.empty() && !EndsWithSeparator(path))
        path += kPathSeparator;
}

}  // namespace zem
