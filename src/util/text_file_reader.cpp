#include "util/text_file_reader.h"

#include <vector>

#include "platform/code_pages.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/text_decoding.h"
#include "util/paths.h"
#include "util/text_helpers.h"

namespace zem {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

char ToUpperAsciiByte(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Position of `what` (ASCII) in `bytes` at or after `from`, ignoring the case of A-Z.
size_t FindBytesIgnoreCase(std::string_view bytes, std::string_view what, size_t from = 0) {
    for (size_t i = from; i + what.size() <= bytes.size(); ++i) {
        size_t k = 0;
        while (k < what.size() && ToUpperAsciiByte(bytes[i + k]) == ToUpperAsciiByte(what[k]))
            ++k;
        if (k == what.size())
            return i;
    }
    return std::string_view::npos;
}

std::string_view TrimChar(std::string_view value, char c) {
    while (!value.empty() && value.front() == c)
        value.remove_prefix(1);
    while (!value.empty() && value.back() == c)
        value.remove_suffix(1);
    return value;
}

Text CutAtFirstSpace(Text text) {
    const size_t space = text.find(u' ');
    if (space != Text::npos)
        text.resize(space);
    return text;
}

// The code page of the name a file declares; with no declaration, UTF-8 when the bytes are
// valid UTF-8, else ANSI.
uint32_t CodePageOfDeclaration(const Text& name, std::string_view bytes) {
    return name.empty() ? CodePageOfUndeclaredBytes(bytes) : CodePageFromCharset(name);
}

}  // namespace

bool LoadTextFile(const Text& path, Text& text) {
    try {
        // A folder opens as a stream here, but it is not a text file.
        FileAttributes attributes;
        const bool found = GetFileAttributes(path, attributes);
        if (found && attributes.isFolder)
            return false;
        const auto count = static_cast<size_t>(found ? attributes.size : 0);
        FileStream file;
        if (!file.Open(path, "rb"))
            return false;
        std::vector<char> bytes(count + 4, 0);
        file.Read(bytes.data(), count);
        const bool decoded = DecodeTextBuffer(bytes.data(), count, path, text);
        file.Close();
        return decoded;
    } catch (...) {
        return false;
    }
}

bool DecodeTextBuffer(char* bytes, size_t count, const Text& path, Text& text) {
    const std::string_view raw(bytes, count);
    const bool utf16Mark = raw.starts_with("\xFF\xFE");
    if (utf16Mark || IsUnmarkedUtf16(raw)) {
        text = Utf16BytesToText(raw.substr(utf16Mark ? 2 : 0), false);
        text.resize(NormalizeLineEnds16(text.data(), text.size() * 2));
        return true;
    }

    const std::string_view normalized(bytes, NormalizeLineEnds8(bytes, count));
    if (normalized.starts_with(kUtf8Mark)) {
        text = DecodeBytes(normalized.substr(kUtf8Mark.size()), kCodePageUtf8);
        return true;
    }
    const Text extension = GetExtension(path);
    if (FindIgnoreCase(extension, u".htm") != Text::npos) {
        text =
            DecodeBytes(normalized, CodePageOfDeclaration(FindHtmlCharset(normalized), normalized));
    } else if (FindIgnoreCase(extension, u".xml") != Text::npos) {
        text =
            DecodeBytes(normalized, CodePageOfDeclaration(FindXmlEncoding(normalized), normalized));
    } else if (FindIgnoreCase(extension, u".php") != Text::npos) {
        text = DecodeBytes(normalized, kCodePageUtf8);
    } else {
        text = DecodeBytes(normalized, CodePageOfUndeclaredBytes(normalized));
    }
    return true;
}

Text DecodeBytes(std::string_view bytes, uint32_t codePage) {
    bytes = bytes.substr(0, bytes.find('\0'));
    if (bytes.size() > kUtf8Mark.size() && bytes.starts_with(kUtf8Mark)) {
        bytes.remove_prefix(kUtf8Mark.size());
        codePage = kCodePageUtf8;
    }
    Text text;
    if (MultiByteToText(codePage, bytes, false, text) && !text.empty())
        return text;
    if (MultiByteToText(kCodePageAnsi, bytes, false, text))
        return text;
    // Even the ANSI conversion failed: keep what UTF-8 can make of the bytes rather than
    // losing them.
    return FromUtf8(bytes);
}

Text FindHtmlCharset(std::string_view bytes) {
    constexpr std::string_view kCharset = "charset=";
    for (size_t meta = FindBytesIgnoreCase(bytes, "<meta"); meta != std::string_view::npos;) {
        const size_t close = bytes.find('>', meta);
        if (close == std::string_view::npos)
            return {};
        const std::string_view tag = bytes.substr(meta, close + 1 - meta);
        const size_t charset = FindBytesIgnoreCase(tag, kCharset);
        if (charset == std::string_view::npos) {
            meta = FindBytesIgnoreCase(bytes, "<meta", close + 1);
            continue;
        }
        std::string_view value = TrimChar(tag.substr(charset + kCharset.size()), '\'');
        value = TrimChar(value, '"');
        const size_t end = value.find_first_of("'\">");
        if (end == std::string_view::npos)
            return {};
        return CutAtFirstSpace(DecodeBytes(value.substr(0, end), kCodePageAnsi));
    }
    return {};
}

Text FindXmlEncoding(std::string_view bytes) {
    constexpr std::string_view kEncoding = "encoding=";
    const size_t start = FindBytesIgnoreCase(bytes, "<?xml");
    if (start == std::string_view::npos)
        return {};
    const size_t close = bytes.find('>', start);
    if (close == std::string_view::npos)
        return {};
    const std::string_view declaration = bytes.substr(start, close - start);
    const size_t encoding = FindBytesIgnoreCase(declaration, kEncoding);
    if (encoding == std::string_view::npos)
        return {};
    std::string value(declaration.substr(encoding + kEncoding.size()));
    for (char& c : value) {
        if (c == '"' || c == '\'' || c == '?')
            c = ' ';
    }
    return CutAtFirstSpace(TrimText(DecodeBytes(value, kCodePageAnsi)));
}

uint32_t CodePageFromCharset(TextView name) {
    return CodePageForCharsetName(name);
}

size_t NormalizeLineEnds8(char* bytes, size_t count) {
    size_t out = 0;
    for (size_t i = 0; i < count; ++i) {
        const char c = bytes[i];
        if (c == '\0')
            continue;
        if (c == '\r') {
            if (i + 1 < count && bytes[i + 1] == '\n')
                continue;
            bytes[out++] = '\n';
        } else {
            bytes[out++] = c;
        }
    }
    // When nothing was dropped the terminator is the caller's spare zero byte.
    if (out < count)
        bytes[out] = '\0';
    return out;
}

size_t NormalizeLineEnds16(char16_t* units, size_t byteCount) {
    const size_t count = byteCount / 2;
    size_t out = 0;
    for (size_t i = 0; i < count; ++i) {
        const char16_t c = units[i];
        if (c == u'\0')
            continue;
        if (c == u'\r') {
            if (i + 1 < count && units[i + 1] == u'\n')
                continue;
            units[out++] = u'\n';
        } else {
            units[out++] = c;
        }
    }
    if (out < count)
        units[out] = u'\0';
    return out;
}

}  // namespace zem
