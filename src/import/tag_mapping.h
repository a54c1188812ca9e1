// YNote notebooks and tags on the host side: one folder per notebook under the root folder,
// the YNote tag tree recreated as host tags, and each note's tag names. Query failures are
// shown by RunQuery; everything else here is silent. What calls the host is the
// user-interface thread's; a note's look-ups (AppendNotebookName, LookupTagNames) are made by
// the thread that reads the account. The tag map belongs to the import run that loaded it.
#pragma once

#include <map>

#include "host/zem_km_interfaces.h"
#include "import/knowledge_base_wait.h"
#include "util/text_helpers.h"

namespace zem {

// The host folder every imported notebook lies under.
inline constexpr char16_t kYNoteRootFolder[] = u"/有道云笔记/";
// The notebook that gets no folder in advance (its notes still get one per note).
inline constexpr char16_t kUnfiledNotebookId[] = u"00000111";

struct TagRecord {
    Text name;  // cleaned by CleanTagName, not trimmed
    Text tagid;
    Text parentid;  // empty: top level
};

// Keyed by the cleaned name with a-z upper-cased, ordered by UTF-16 code units. A later row
// whose key matches replaces the earlier record whole.
using TagMap = std::map<Text, TagRecord>;

// Each "\", "/", "," and ";" becomes "-".
void CleanTagName(Text& name);

// Fills the map from tag_attr; false when the query gave no result set.
bool LoadTagMap(IZemKMSQLiteDatabase* database, TagMap& map);

// Creates (or finds by name) the host tags whose parent id is `parentId`, under `parentTag`
// when it and the parent id are given, and descends into each. A tag id already on the
// current path is not descended into again, so malformed parent links cannot loop. Host
// calls go through `wait` when given.
void CreateHostTags(IZemKMDatabase* database, IZemKMTag* parentTag, const TagMap& map,
                    const Text& parentId, KnowledgeBaseWait* wait = nullptr);

// One host folder per notebook at root + name, except the unfiled notebook; host calls go
// through `wait` when given. False when the notebooks could not be read (the query's message
// shown).
bool CreateNotebookFolders(IZemKMSQLiteDatabase* database, IZemKMDatabase* hostDatabase,
                           const Text& root, KnowledgeBaseWait* wait = nullptr);

// Appends the notebook's name (empty when its row is missing); false when the query failed.
bool AppendNotebookName(IZemKMSQLiteDatabase* database, const Text& notebookId, Text& location);

// Appends the names of the tags listed in `tags` ("," separated ids), in database order (in
// row order when `inRowOrder`, see StatementRowOrder); false when the query failed.
bool LookupTagNames(const Text& tags, IZemKMSQLiteDatabase* database, TextList& names,
                    bool inRowOrder = false);

}  // namespace zem
