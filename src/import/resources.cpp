#include "import/resources.h"

#include <algorithm>
#include <cstddef>

#include "config/global.h"
#include "import/file_copy.h"
#include "import/ynote_reader.h"
#include "platform/code_pages.h"
#include "util/paths.h"

namespace zem {

namespace {

constexpr TextView kForbiddenNameCharacters = u"/\"?:*|<>\r\n\t,%'";

bool IsSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

void LogUnsafePath(const Text& resourceId, const Text& noteId, const Text& path) {
    GetGlobal().WriteLog(
        FormatText(u"Import ynote, skipped resource %1 of note %2: its path %3 "
                   u"leaves its folder",
                   resourceId, noteId, path));
}

// The copy; a failure is traced in the debug log (a missing file in YNote's storage folder
// is common and not an error of the import).
bool CopyResource(const Text& source, const Text& target) {
    if (CopyFileContents(source, target))
        return true;
    GetGlobal().WriteDebugLog(
        FormatText(u"Import ynote, Failed to copy resource file %1 to %2", source, target));
    return false;
}

// `name`, or "name (2).ext", "name (3).ext" ... when an earlier attachment of the same note
// took it, so that no copy overwrites another before the host has taken it.
Text MakeNameUnique(const Text& name, const std::vector<ResourceEntry>& taken) {
    auto isTaken = [&](const Text& candidate) {
        return std::any_of(taken.begin(), taken.end(),
                           [&](const ResourceEntry& e) { return e.fileName == candidate; });
    };
    if (!isTaken(name))
        return name;
    size_t lastPiece = name.find_last_of(u"/\\");
    lastPiece = lastPiece == Text::npos ? 0 : lastPiece + 1;
    size_t dot = name.rfind(u'.');
    if (dot == Text::npos || dot <= lastPiece)
        dot = name.size();
    for (int32_t n = 2;; ++n) {
        Text candidate = name.substr(0, dot) + u" (" + IntToText(n) + u")" + name.substr(dot);
        if (!isTaken(candidate))
            return candidate;
    }
}

// The attachment's file name: reserve2 after its first "\", readable (the knowledge base
// keeps the name as text) and sanitised; the resource id, sanitised, when the name was made
// only of forbidden characters (and "attachment" when that is no better). Empty when
// reserve2 names a folder (ends with "\").
Text AttachmentFileName(const Text& reserve2, const Text& resourceId) {
    size_t backslash = reserve2.find(u'\\');
    Text name = ReadableText(backslash == Text::npos ? reserve2 : reserve2.substr(backslash + 1));
    if (name.empty())
        return name;
    SanitizeFileName(name);
    if (name.empty()) {
        name = resourceId;
        SanitizeFileName(name);
    }
    return name.empty() ? Text(u"attachment") : name;
}

}  // namespace

Text ToFileSystemPath(TextView yNotePath) {
    Text path(yNotePath);
    std::replace(path.begin(), path.end(), u'\\', u'/');
    return path;
}

bool IsPathInsideFolder(TextView relativePath) {
    if (!relativePath.empty() && IsSeparator(relativePath.front()))
        return false;
    size_t start = 0;
    while (start <= relativePath.size()) {
        size_t end = start;
        while (end < relativePath.size() && !IsSeparator(relativePath[end]))
            ++end;
        if (relativePath.substr(start, end - start) == u"..")
            return false;
        start = end + 1;
    }
    return true;
}

bool CollectInlineResources(IZemKMSQLiteDatabase* database, const Text& noteId,
                            const Text& importFolder, std::vector<ResourceEntry>& entries,
                            const std::vector<TextView>& page, const Text& storageFolder,
                            bool inRowOrder) {
    auto recordset = RunQuery(
        database,
        InRowOrder(FormatText(kSqlSelectInlineResources, QuoteSqlText(noteId)), inRowOrder));
    if (!recordset)
        return false;
    while (HasCurrentRow(recordset.Get())) {
        Text resourceId = ReadFieldText(recordset.Get(), 0);
        Text reserve2 = ReadFieldText(recordset.Get(), 1);
        recordset->MoveNext();
        if (std::none_of(page.begin(), page.end(),
                         [&](TextView piece) { return piece.find(resourceId) != Text::npos; }))
            continue;
        // The copy's name goes into the page's links and so into the knowledge base, which
        // hold text: file-name bytes that are not UTF-8 take their readable form there.
        const Text copyName = ReadableText(reserve2);
        if (!IsPathInsideFolder(reserve2) || !IsPathInsideFolder(copyName)) {
            LogUnsafePath(resourceId, noteId, reserve2);
            continue;
        }
        const Text target = importFolder + ToFileSystemPath(copyName);
        CreateDirectoryTree(GetFolderPart(target));
        if (CopyResource(storageFolder + ToFileSystemPath(reserve2), target))
            entries.push_back({resourceId, copyName, resourceId});
    }
    return true;
}

bool CollectAttachments(IZemKMSQLiteDatabase* database, const Text& noteId,
                        const Text& importFolder, std::vector<ResourceEntry>& entries,
                        const Text& storageFolder, bool inRowOrder) {
    auto recordset = RunQuery(
        database, InRowOrder(FormatText(kSqlSelectAttachments, QuoteSqlText(noteId)), inRowOrder));
    if (!recordset)
        return false;
    // Names are unique among this call's attachments only: earlier entries of the caller's
    // list belong to files the host has already taken.
    std::vector<ResourceEntry> collected;
    for (; HasCurrentRow(recordset.Get()); recordset->MoveNext()) {
        Text resourceId = ReadFieldText(recordset.Get(), 0);
        Text reserve2 = ReadFieldText(recordset.Get(), 1);
        Text name = AttachmentFileName(reserve2, resourceId);
        if (name.empty())
            continue;
        if (!IsPathInsideFolder(reserve2) || !IsPathInsideFolder(name)) {
            LogUnsafePath(resourceId, noteId, reserve2);
            continue;
        }
        name = MakeNameUnique(name, collected);
        const Text target = importFolder + ToFileSystemPath(name);
        // A name that keeps a "\" lies in a subfolder of its own.
        CreateDirectoryTree(GetFolderPart(target));
        if (CopyResource(storageFolder + ToFileSystemPath(reserve2), target))
            collected.push_back({resourceId, name, {}});
    }
    entries.insert(entries.end(), collected.begin(), collected.end());
    return true;
}

bool IsValidFileName(TextView name) {
    return name.size() <= 259 && name.find_first_of(kForbiddenNameCharacters) == TextView::npos;
}

void SanitizeFileName(Text& name) {
    if (IsValidFileName(name))
        return;
    if (name.size() >= 260) {
        const Text extension = GetExtension(name);
        const std::ptrdiff_t keep = 259 - static_cast<std::ptrdiff_t>(extension.size());
        name =
            keep > 0 ? name.substr(0, static_cast<size_t>(keep)) + extension : name.substr(0, 250);
    }
    for (char16_t c : kForbiddenNameCharacters)
        std::replace(name.begin(), name.end(), c, u'-');
    while (ReplaceAll(name, u"--", u"-") > 0) {
    }
    name = TrimTextStart(TrimTextEnd(name));
    const size_t first = name.find_first_not_of(u'-');
    name =
        first == Text::npos ? Text() : name.substr(first, name.find_last_not_of(u'-') + 1 - first);
}

}  // namespace zem
