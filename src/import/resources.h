// A note's resources: inline ones (named in the note's HTML, copied beside the HTML file at
// their YNote relative path) and attachments (copied into the import folder under a safe,
// note-unique file name). Only files that were copied enter the entry lists. A resource whose
// path would leave its folder is skipped and logged. User-interface thread only.
#pragma once

#include <vector>

#include "host/zem_km_interfaces.h"

namespace zem {

struct ResourceEntry {
    Text resourceId;
    // Relative to the import folder, in YNote's form ("\" separators): the whole reserve2
    // for inline resources, the sanitised, note-unique name for attachments; file-name bytes
    // that are not UTF-8 in their readable form (ReadableText).
    Text fileName;
    // The text the note's HTML names the resource by (inline resources only).
    Text searchText;
};

// YNote's "\"-separated relative path as a file-system path ("/" separators).
Text ToFileSystemPath(TextView yNotePath);

// A relative path (either separator) that stays inside the folder it is joined to: not
// absolute and without ".." pieces.
bool IsPathInsideFolder(TextView relativePath);

// The resources of the note (type not 4) whose id the page mentions (the page given in
// pieces: its text is never joined), copied to import folder + reserve2 with their folders
// made. False only when the query failed. Both collections take the rows in row order when
// `inRowOrder` (see StatementRowOrder).
bool CollectInlineResources(IZemKMSQLiteDatabase* database, const Text& noteId,
                            const Text& importFolder, std::vector<ResourceEntry>& entries,
                            const std::vector<TextView>& page, const Text& storageFolder,
                            bool inRowOrder = false);

// The note's attachments (type not 1, 3 or 4), copied to import folder + their file name
// (reserve2 after its first "\", sanitised; the resource id when nothing usable is left;
// " (2)", " (3)" ... before the extension when the note already has that name). False only
// when the query failed.
bool CollectAttachments(IZemKMSQLiteDatabase* database, const Text& noteId,
                        const Text& importFolder, std::vector<ResourceEntry>& entries,
                        const Text& storageFolder, bool inRowOrder = false);

// False for names over 259 characters or holding / " ? : * | < > CR LF TAB , % '.
bool IsValidFileName(TextView name);
// Leaves a valid name alone; otherwise shortens it to 259 characters keeping its extension,
// turns each forbidden character into "-", collapses "--" and trims white space and "-".
void SanitizeFileName(Text& name);

}  // namespace zem
