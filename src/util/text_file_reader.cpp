#include "util/text_file_reader.h"

#include <string>

#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/text_decoding.h"
#include "util/paths.h"
#include "util/text_helpers.h"

namespace zem {

namespace {

// Only a page or an XML file declares its own character set: a plain text that quotes a
// <meta> tag is not declaring anything.
CharsetDeclaration DeclarationOf(const Text& path) {
    const Text extension = GetExtension(path);
    if (FindIgnoreCase(extension, u".htm") != Text::npos)
        return CharsetDeclaration::kHtmlMeta;
    if (FindIgnoreCase(extension, u".xml") != Text::npos)
        return CharsetDeclaration::kXml;
    return CharsetDeclaration::kNone;
}

}  // namespace

bool LoadTextFile(const Text& path, Text& text) {
    try {
        // A folder opens as a stream here, but it is not a text file.
        FileAttributes attributes;
        const bool found = GetFileAttributes(path, attributes);
        if (found && attributes.isFolder)
            return false;
        FileStream file;
        if (!file.Open(path, "rb"))
            return false;
        std::string bytes(static_cast<size_t>(found ? attributes.size : 0), '\0');
        bytes.resize(file.Read(bytes.data(), bytes.size()));
        file.Close();
        DecodeText(bytes, DeclarationOf(path), text);
        text.resize(NormalizeLineEnds16(text.data(), text.size() * 2));
        return true;
    } catch (...) {
        return false;
    }
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
