#include "link_resolution.h"

#include <algorithm>
#include <vector>

#include "platform/text.h"

namespace zem::kmcore {

namespace {

bool IsSpecialScheme(std::string_view scheme) {
    for (std::string_view special : {"http", "https", "file", "ftp", "ws", "wss"})
        if (EqualsIgnoreAsciiCase(scheme, special))
            return true;
    return false;
}

size_t SchemeLength(std::string_view link) {
    if (link.empty() || !IsAsciiLetter(link[0]))
        return 0;
    for (size_t i = 1; i < link.size(); ++i) {
        const char c = link[i];
        if (c == ':')
            return i;
        if (!IsAsciiAlphanumeric(c) && c != '+' && c != '-' && c != '.')
            return 0;
    }
    return 0;
}

bool IsDotSegment(std::string_view segment, int dots) {
    size_t found = 0;
    while (!segment.empty()) {
        if (segment[0] == '.') {
            segment.remove_prefix(1);
        } else if (segment.size() >= 3 && EqualsIgnoreAsciiCase(segment.substr(0, 3), "%2e")) {
            segment.remove_prefix(3);
        } else {
            return false;
        }
        ++found;
    }
    return found == static_cast<size_t>(dots);
}

// An absolute path with its "." and ".." segments resolved; ".." stops at the root.
std::string WithoutDotSegments(std::string_view path) {
    std::vector<std::string_view> segments;
    size_t start = 1;
    bool endsInFolder = false;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string_view::npos)
            slash = path.size();
        const std::string_view segment = path.substr(start, slash - start);
        const bool last = slash == path.size();
        endsInFolder = false;
        if (IsDotSegment(segment, 2)) {
            if (!segments.empty())
                segments.pop_back();
            endsInFolder = last;
        } else if (IsDotSegment(segment, 1)) {
            endsInFolder = last;
        } else {
            segments.push_back(segment);
        }
        start = slash + 1;
    }
    std::string result;
    for (std::string_view segment : segments) {
        result += '/';
        result += segment;
    }
    if (result.empty() || endsInFolder)
        result += '/';
    return result;
}

// "C:\folder" or "C:/folder": a path on a Windows drive, which pages saved on Windows hold
// as links to their own files.
bool IsDrivePath(std::string_view link) {
    return link.size() >= 3 && IsAsciiLetter(link[0]) && link[1] == ':' &&
           (link[2] == '/' || link[2] == '\\');
}

int HexValue(char c) {
    return HexDigitValue(static_cast<unsigned char>(c));
}

}  // namespace

std::string CleanLink(std::string_view link) {
    while (!link.empty() && static_cast<unsigned char>(link.front()) <= 0x20)
        link.remove_prefix(1);
    while (!link.empty() && static_cast<unsigned char>(link.back()) <= 0x20)
        link.remove_suffix(1);
    std::string clean(link);
    std::erase_if(clean, [](char c) { return c == '\t' || c == '\n' || c == '\r'; });
    return clean;
}

bool HasScheme(std::string_view link) {
    return SchemeLength(link) > 0;
}

std::string_view LinkSuffix(std::string_view link) {
    const size_t at = FindFirstOf(link, "?#");
    return at == std::string_view::npos ? std::string_view() : link.substr(at);
}

std::string ResolveLink(std::string_view base, std::string_view link) {
    // Against a file: base a drive path is read as the file it names, the way the system's
    // own browser reads it, not as a link with the one-letter scheme "c:".
    if (IsDrivePath(link) && SchemeLength(base) == 4 &&
        EqualsIgnoreAsciiCase(base.substr(0, 5), "file:"))
        return ResolveLink(base, "/" + std::string(link));
    if (HasScheme(link))
        return std::string(link);
    const size_t schemeLength = SchemeLength(base);
    if (schemeLength == 0)
        return {};
    const std::string_view scheme = base.substr(0, schemeLength);
    const std::string_view baseWithoutFragment = base.substr(0, base.find('#'));
    if (link.starts_with('#'))
        return std::string(baseWithoutFragment) + std::string(link);
    const std::string_view afterScheme = base.substr(schemeLength + 1);
    if (!afterScheme.starts_with('/'))
        return {};  // "data:", "mailto:": nothing is relative to them
    std::string relative(link);
    const size_t suffixAt = std::min(FindFirstOf(relative, "?#"), relative.size());
    if (IsSpecialScheme(scheme))
        std::replace(relative.begin(), relative.begin() + static_cast<std::ptrdiff_t>(suffixAt),
                     '\\', '/');
    if (relative.starts_with("//"))
        return std::string(scheme) + ":" + relative;
    // The base split into "scheme://authority", its path and what follows.
    size_t pathAt = schemeLength + 1;
    if (afterScheme.starts_with("//"))
        pathAt = std::min(FindFirstOf(base, "/?#", pathAt + 2), base.size());
    const size_t basePathEnd = std::min(FindFirstOf(base, "?#", pathAt), base.size());
    const std::string_view origin = base.substr(0, pathAt);
    if (relative.empty())
        return std::string(baseWithoutFragment);
    if (relative.starts_with('?'))
        return std::string(base.substr(0, basePathEnd)) + relative;
    const std::string_view suffix = std::string_view(relative).substr(suffixAt);
    const std::string_view path = std::string_view(relative).substr(0, suffixAt);
    std::string merged;
    if (path.starts_with('/')) {
        merged = path;
    } else {
        const std::string_view basePath = base.substr(pathAt, basePathEnd - pathAt);
        const size_t slash = basePath.rfind('/');
        merged = slash == std::string_view::npos ? std::string("/")
                                                 : std::string(basePath.substr(0, slash + 1));
        merged += path;
    }
    return std::string(origin) + WithoutDotSegments(merged) + std::string(suffix);
}

std::string FileAddress(std::string_view path) {
    std::string forward(path);
    std::replace(forward.begin(), forward.end(), '\\', '/');
    return (forward.starts_with('/') ? "file://" : "file:///") + PercentEncodeLink(forward);
}

bool LocalFilePath(std::string_view address, std::string& path) {
    if (SchemeLength(address) != 4 || !EqualsIgnoreAsciiCase(address.substr(0, 5), "file:"))
        return false;
    std::string_view rest = address.substr(5);
    rest = rest.substr(0, FindFirstOf(rest, "?#"));
    if (rest.starts_with("//")) {
        const size_t pathAt = std::min(rest.find('/', 2), rest.size());
        const std::string_view host = rest.substr(2, pathAt - 2);
        if (!host.empty() && !EqualsIgnoreAsciiCase(host, "localhost"))
            return false;
        rest = rest.substr(pathAt);
    }
    path.clear();
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
            HexValue(rest[i + 2]) >= 0) {
            path += static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
            i += 2;
        } else {
            path += rest[i] == '\\' ? '/' : rest[i];  // "file:///C:\x" is "file:///C:/x"
        }
    }
    // A drive letter: "/C:/folder" is "C:/folder".
    if (path.size() >= 3 && path[0] == '/' && IsAsciiLetter(path[1]) && path[2] == ':')
        path.erase(0, 1);
    // "/dir//a.png" is the file "/dir/a.png" on every file system: one name per file, so a
    // file linked both ways is copied once and a style sheet's links are rewritten for the
    // folder it is in. A leading "//" (a Windows share) stays.
    if (path.size() > 1)
        path.erase(std::unique(path.begin() + 1, path.end(),
                               [](char a, char b) { return a == '/' && b == '/'; }),
                   path.end());
    // Decoding must not make new segments: "a%2F..%2Fb" names a file "a/../b" to no browser.
    if (path.find('\0') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = FindFirstOf(path, "/\\", start);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view segment = std::string_view(path).substr(start, end - start);
        if (segment == "." || segment == "..")
            return false;
        start = end + 1;
    }
    return !path.empty();
}

}  // namespace zem::kmcore
