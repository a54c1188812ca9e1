#include "import/note_body.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "config/global.h"
#include "host/component_loading.h"
#include "import/resources.h"
#include "import/ynote_reader.h"
#include "style/default_css.h"
#include "util/paths.h"
#include "util/text_file_writer.h"

namespace zem {

namespace {

// Longest note id used as is: its UTF-8 form plus ".htm" must fit a file-system name.
constexpr size_t kMaxNameBytes = 240;

Text HashText(const Text& text) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char16_t c : text) {
        hash = (hash ^ static_cast<uint64_t>(c)) * 1099511628211ull;
    }
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    Text hex;
    for (int shift = 60; shift >= 0; shift -= 4)
        hex += kDigits[(hash >> shift) & 0xF];
    return hex;
}

// The end of the first "<body" start tag in any letter case, or npos.
size_t FindBodyStartTagEnd(const Text& html) {
    for (size_t at = FindIgnoreCase(html, u"<body"); at != Text::npos;
         at = FindIgnoreCase(html, u"<body", at + 1)) {
        size_t position = at + 5;
        if (position < html.size() && html[position] != u'>' && html[position] != u'/' &&
            !IsWhiteSpace(html[position]))
            continue;  // another element, such as <bodyx>
        char16_t quote = 0;
        for (; position < html.size(); ++position) {
            const char16_t c = html[position];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'>') {
                return position + 1;
            }
        }
        return Text::npos;
    }
    return Text::npos;
}

// The relative URL of a copied resource: "/" separators, percent-encoded.
Text RelativeLink(const Text& fileName) {
    return PercentEncodeLink(ToFileSystemPath(fileName));
}

}  // namespace

Text NoteHtmlFileName(const Text& noteId) {
    if (!noteId.empty() && noteId != u"." && noteId != u".." && IsValidFileName(noteId) &&
        noteId.find(u'\\') == Text::npos && ToUtf8(noteId).size() <= kMaxNameBytes)
        return noteId + u".htm";
    Text name = noteId.substr(0, 64);
    SanitizeFileName(name);
    std::replace(name.begin(), name.end(), u'\\', u'-');
    if (!name.empty())
        name += u'-';
    return name + HashText(noteId) + u".htm";
}

void InsertNoteBody(Text& html, const Text& body) {
    size_t position = html.find(u"<body>");
    if (position != Text::npos) {
        position += 6;
    } else {
        position = FindBodyStartTagEnd(html);
        if (position == Text::npos)
            position = html.size();
    }
    html.insert(position, body);
}

bool PrepareTemplateHtml(const Text& templateFile, const Text& htmlFile, Text& html) {
    html.clear();
    ComPtr<IZemKMTools> tools = ComPtr<IZemKMTools>::Attach(CreateKMToolsObject());
    if (!tools) {
        GetGlobal().WriteLog(u"Failed to create IZemKMTools!");
        return false;
    }
    if (Failed(tools->ExtractHtmlFile(templateFile.c_str(), htmlFile.c_str()))) {
        GetGlobal().WriteLog(FormatText(u"Failed to extrct html file: %1", templateFile));
        return false;
    }
    if (!LoadHtmlWithDefaultCss(htmlFile, html))
        GetGlobal().WriteLog(
            FormatText(u"Failed to insert default CSS into template html file: %1", htmlFile));
    return true;
}

Text BuildNoteHtmlFile(IZemKMSQLiteDatabase* database, const Text& noteId, const Text& importFolder,
                       const Text& storageFolder, TextList* writtenFiles) {
    auto recordset = RunQuery(database, FormatText(kSqlSelectNoteBody, QuoteSqlText(noteId)));
    if (!recordset)
        return {};
    const Text templateFile = GetProgramFolder() + u"document.mez";
    CreateDirectoryTree(importFolder);
    const Text htmlFile = importFolder + NoteHtmlFileName(noteId);
    if (writtenFiles)
        writtenFiles->push_back(htmlFile);
    Text html;
    if (!PrepareTemplateHtml(templateFile, htmlFile, html)) {
        GetGlobal().WriteLog(
            FormatText(u"Import ynote, Failed to extract template file %1 to html file %2",
                       templateFile, htmlFile));
        return {};
    }
    const Text styledTemplate = html;
    InsertNoteBody(html, ReadBlobText(recordset.Get(), 1));

    std::vector<ResourceEntry> entries;
    if (!CollectInlineResources(database, noteId, importFolder, entries, html, storageFolder)) {
        // A note given up on leaves its file holding the styled template.
        SaveUnicodeTextFile(htmlFile, styledTemplate);
        return {};
    }
    for (const ResourceEntry& entry : entries) {
        if (writtenFiles)
            writtenFiles->push_back(importFolder + ToFileSystemPath(entry.fileName));
        ReplaceAll(html, entry.searchText, RelativeLink(entry.fileName));
    }
    SaveUnicodeTextFile(htmlFile, html);
    return htmlFile;
}

}  // namespace zem
