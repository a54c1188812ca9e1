#include "import/note_body.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/global.h"
#include "host/component_loading.h"
#include "import/note_resources.h"
#include "import/ynote_reader.h"
#include "platform/code_pages.h"
#include "style/default_css.h"
#include "util/paths.h"
#include "util/text_file_writer.h"

namespace zem {

namespace {

// Longest note id used as is: its UTF-8 form plus ".htm" must fit a file-system name.
constexpr size_t kMaxNameBytes = 240;

Text HashText(const Text& text) {
    const uint64_t hash = HashText64(text);
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    Text hex;
    for (int shift = 60; shift >= 0; shift -= 4)
        hex += kDigits[(hash >> shift) & 0xF];
    return hex;
}

bool IsAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Whether the tag at `at` ("<" and a letter) is a start tag of `name`, in any letter case.
bool IsStartTagOf(TextView html, size_t at, TextView name) {
    const size_t after = at + 1 + name.size();
    return EqualsIgnoreAsciiCase(html.substr(at + 1, name.size()), name) &&
           (after == html.size() || html[after] == u'>' || html[after] == u'/' ||
            IsWhiteSpace(html[after]));
}

// Just past the ">" that closes the tag at `at` (a ">" inside a quoted value does not), or
// npos when the tag never closes.
size_t TagEnd(TextView html, size_t at) {
    char16_t quote = 0;
    for (size_t position = at + 1; position < html.size(); ++position) {
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
    return TextView::npos;
}

// One pass over the page, rewriting every inline resource id as the link to its copy. At
// each position the longest id that matches wins, so an id that begins another ("R1" and
// "R10") never takes a piece of the longer one's links; rewritten text is not looked at
// again. The result is views of the page and of the links, in order: the page is never
// copied.
std::vector<TextView> LinkResources(const std::vector<TextView>& page,
                                    const std::vector<std::pair<TextView, TextView>>& links) {
    std::vector<TextView> out;
    std::vector<size_t> next(links.size());
    for (const TextView piece : page) {
        for (size_t k = 0; k < links.size(); ++k)
            next[k] = links[k].first.empty() ? TextView::npos : piece.find(links[k].first);
        size_t position = 0;
        for (;;) {
            size_t chosen = links.size();
            for (size_t k = 0; k < links.size(); ++k) {
                if (next[k] == TextView::npos)
                    continue;
                if (chosen == links.size() || next[k] < next[chosen] ||
                    (next[k] == next[chosen] && links[k].first.size() > links[chosen].first.size()))
                    chosen = k;
            }
            if (chosen == links.size())
                break;
            const size_t at = next[chosen];
            out.push_back(piece.substr(position, at - position));
            out.push_back(links[chosen].second);
            position = at + links[chosen].first.size();
            for (size_t k = 0; k < links.size(); ++k) {
                if (next[k] != TextView::npos && next[k] < position)
                    next[k] = piece.find(links[k].first, position);
            }
        }
        out.push_back(piece.substr(position));
    }
    return out;
}

// The relative URL of a copied resource: "/" separators on every edition (a "\\" would be
// encoded as part of a name), percent-encoded.
Text RelativeLink(const Text& fileName) {
    Text link(fileName);
    std::replace(link.begin(), link.end(), u'\\', u'/');
    return PercentEncodeLink(link);
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

size_t NoteBodyPosition(TextView html) {
    size_t anyForm = TextView::npos;
    for (size_t at = html.find(u'<'); at != TextView::npos;) {
        const TextView rest = html.substr(at);
        size_t next = at + 1;
        if (rest.starts_with(u"<!--")) {
            const size_t close = html.find(u"-->", at + 4);
            if (close == TextView::npos)
                break;
            next = close + 3;
        } else if (rest.starts_with(u"<body>")) {
            return at + 6;
        } else if (rest.size() > 1 && IsAsciiLetter(rest[1])) {
            // Whole tags are passed over, so that text in an attribute value is not taken
            // for markup.
            next = TagEnd(html, at);
            if (next == TextView::npos)
                break;
            if (IsStartTagOf(html, at, u"body") && anyForm == TextView::npos)
                anyForm = next;
            for (const TextView rawText : {TextView(u"style"), TextView(u"script")}) {
                if (!IsStartTagOf(html, at, rawText))
                    continue;
                next = FindIgnoreCase(html, Text(u"</") + Text(rawText), next);
                if (next == TextView::npos)
                    return anyForm != TextView::npos ? anyForm : html.size();
            }
        }
        at = html.find(u'<', next);
    }
    return anyForm != TextView::npos ? anyForm : html.size();
}

bool PrepareTemplateHtml(const Text& templateFile, const Text& htmlFile, Text& html, bool& styled) {
    html.clear();
    styled = false;
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
    else
        styled = true;
    return true;
}

const Text* NoteTemplate::Get(const Text& htmlFile) {
    if (whole_)
        return &html_;
    const Text templateFile = GetProgramFolder() + u"document.mez";
    if (!PrepareTemplateHtml(templateFile, htmlFile, html_, whole_)) {
        GetGlobal().WriteLog(
            FormatText(u"Import ynote, Failed to extract template file %1 to html file %2",
                       templateFile, htmlFile));
        return nullptr;
    }
    bodyAt_ = NoteBodyPosition(html_);
    return &html_;
}

Text BuildNoteHtmlFile(IZemKMSQLiteDatabase* database, const Text& noteId, const Text& importFolder,
                       ResourceStore& resources, NoteTemplate& noteTemplate, TextList* writtenFiles,
                       bool resourcesInRowOrder) {
    auto recordset = RunQuery(database, FormatText(kSqlSelectNoteBody, QuoteSqlText(noteId)));
    if (!recordset)
        return {};
    // A body may be large: its bytes are read first and the row let go of, so that the
    // engine's copy, the bytes and the text are never all held at once.
    std::string bytes;
    ReadBlobBytes(recordset.Get(), 1, bytes);
    recordset.Reset();
    uint32_t codePage = kCodePageUtf8;
    const Text body = DecodeNoteBody(bytes, &codePage);
    std::string().swap(bytes);
    if (codePage != kCodePageUtf8 && codePage != kCodePageUtf16Le && codePage != kCodePageUtf16Be)
        GetGlobal().WriteLog(FormatText(
            u"Import ynote, the body of note %1 is not UTF-8: read in the ANSI code page %2",
            noteId, IntToText(static_cast<int32_t>(codePage))));

    CreateFolderBelowRoot(importFolder);
    const Text htmlFile = importFolder + NoteHtmlFileName(noteId);
    if (writtenFiles)
        writtenFiles->push_back(htmlFile);
    resources.PrepareTarget(htmlFile);
    const Text* html = noteTemplate.Get(htmlFile);
    if (!html)
        return {};
    // The page is the styled template with the body between its two parts; it is written
    // in those pieces and never joined.
    const size_t bodyAt = noteTemplate.BodyPosition();
    const TextView styled = *html;
    const std::vector<TextView> page{styled.substr(0, bodyAt), body, styled.substr(bodyAt)};

    std::vector<ResourceEntry> entries;
    if (!CollectInlineResources(database, noteId, importFolder, entries, page, resources,
                                resourcesInRowOrder)) {
        // A note given up on leaves its file holding the styled template.
        SaveUnicodeTextFile(htmlFile, *html);
        return {};
    }
    TextList relativeLinks;
    for (const ResourceEntry& entry : entries) {
        if (writtenFiles)
            writtenFiles->push_back(importFolder + ToFileSystemPath(entry.fileName));
        relativeLinks.push_back(RelativeLink(entry.fileName));
    }
    std::vector<std::pair<TextView, TextView>> links;
    for (size_t i = 0; i < entries.size(); ++i)
        links.emplace_back(entries[i].searchText, relativeLinks[i]);
    // A page cut short by a failed write would be imported as the whole note.
    if (!SaveUnicodeTextFile(htmlFile, LinkResources(page, links))) {
        GetGlobal().WriteLog(FormatText(
            u"Import ynote, Failed to write the html file %1 of note %2", htmlFile, noteId));
        return {};
    }
    return htmlFile;
}

}  // namespace zem
