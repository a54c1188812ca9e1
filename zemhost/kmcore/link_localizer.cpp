#include <algorithm>

#include "host_files.h"
#include "html_rewrite.h"

namespace zem::kmcore {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsHtmlSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsHtmlSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// "http:", "data:", "mailto:", "file:" and also drive letters such as "C:".
bool HasScheme(std::string_view link) {
    if (link.empty() || !IsAsciiLetter(link[0]))
        return false;
    for (char c : link.substr(1)) {
        if (c == ':')
            return true;
        if (!IsAsciiAlphanumeric(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

int HexValue(char c) {
    return HexDigitValue(static_cast<unsigned char>(c));
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// Resolves "." and ".." against `from`; false when the path climbs above the page folder.
bool Normalized(std::string_view from, std::string_view path, std::string& result) {
    std::vector<std::string_view> parts;
    std::string joined = std::string(from) + std::string(path);
    std::replace(joined.begin(), joined.end(), '\\', '/');
    std::string_view rest = joined;
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (parts.empty())
                return false;
            parts.pop_back();
        } else {
            parts.push_back(part);
        }
    }
    result.clear();
    for (std::string_view part : parts) {
        if (!result.empty())
            result += '/';
        result += part;
    }
    return !result.empty();
}

}  // namespace

bool LinkLocalizer::Localize(std::string_view link, std::string_view from, std::string& localLink) {
    link = Trimmed(link);
    if (link.empty() || link[0] == '#' || link[0] == '/' || link[0] == '\\' || HasScheme(link))
        return false;
    const size_t suffixAt = std::min(link.find('?'), link.find('#'));
    const std::string_view suffix =
        suffixAt == std::string_view::npos ? std::string_view() : link.substr(suffixAt);
    const std::string decoded = PercentDecoded(link.substr(0, suffixAt));
    std::string relative;
    if (decoded.find('\0') != std::string::npos || !Normalized(from, decoded, relative))
        return false;
    if (!IsRegularFile(pageFolder_ + FromUtf8(relative)))
        return false;
    if (std::find(files_.begin(), files_.end(), relative) == files_.end())
        files_.push_back(relative);
    localLink = "index_files/" + PercentEncodeLink(relative) + std::string(suffix);
    return true;
}

}  // namespace zem::kmcore
