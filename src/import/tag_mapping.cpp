#include "import/tag_mapping.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "import/ynote_reader.h"

namespace zem {

namespace {

// The map's records grouped by parent id, each group in the map's key order: a descent visits
// its own children only, in the order a walk of the whole map would meet them, instead of
// walking the whole map for every tag.
using ChildIndex = std::unordered_map<Text, std::vector<const TagRecord*>>;

ChildIndex IndexByParent(const TagMap& map) {
    ChildIndex children;
    for (const auto& [key, record] : map)
        children[record.parentid].push_back(&record);
    return children;
}

// One level of the descent: the tag whose children are being made, and how far through
// them the walk is.
struct DescentLevel {
    ComPtr<IZemKMTag> tag;
    Text tagId;
    const std::vector<const TagRecord*>* children;
    size_t next = 0;
};

// Depth first, each tag made before its children and its children before its next sibling.
// The path down is kept in a list rather than on the call stack: a chain of tags as deep as
// an account cares to make it would overflow the stack.
void CreateHostTagsUnder(IZemKMDatabase* database, IZemKMTag* parentTag, const ChildIndex& children,
                         const Text& parentId, std::unordered_set<Text>& descended,
                         KnowledgeBaseWait* wait) {
    std::vector<DescentLevel> path;
    auto enter = [&](ComPtr<IZemKMTag> tag, const Text& tagId) {
        const auto group = children.find(tagId);
        if (group != children.end())
            path.push_back({std::move(tag), tagId, &group->second});
    };
    ComPtr<IZemKMTag> top;
    top.Assign(parentTag);
    enter(std::move(top), parentId);
    while (!path.empty()) {
        DescentLevel& level = path.back();
        if (level.next == level.children->size()) {
            path.pop_back();
            continue;
        }
        const TagRecord* record = (*level.children)[level.next++];
        if (record->name.empty())
            continue;
        if (wait && wait->GaveUp())
            return;
        ComPtr<IUnknown> found;
        CallWaiting(wait, [&] {
            return database->FindTagByName(record->name.c_str(), nullptr, u"", found.Out());
        });
        if (!found) {
            CallWaiting(wait, [&] {
                if (!level.tagId.empty() && level.tag)
                    return level.tag->CreateChildTag(record->name.c_str(), u"", found.Out());
                return database->CreateRootTag(record->name.c_str(), u"", found.Out());
            });
        }
        auto tag = ComPtr<IZemKMTag>::QueryFrom(found.Get());
        if (!tag)
            continue;
        // Each tag id is descended into once: an id met again (an empty id under the empty
        // top-level id, a cycle, or ids repeated in the table) would lead back here for ever
        // or multiply the walk, and its children were found or made the first time.
        if (!descended.insert(record->tagid).second)
            continue;
        enter(std::move(tag), record->tagid);
    }
}

}  // namespace

void CleanTagName(Text& name) {
    for (char16_t c : {u'\\', u'/', u',', u';'})
        std::replace(name.begin(), name.end(), c, u'-');
}

bool LoadTagMap(IZemKMSQLiteDatabase* database, TagMap& map) {
    auto recordset = RunQuery(database, kSqlSelectTags);
    if (!recordset)
        return false;
    std::vector<TagRecord> records;
    while (HasCurrentRow(recordset.Get())) {
        TagRecord record;
        record.tagid = ReadFieldText(recordset.Get(), 0);
        record.parentid = ReadFieldText(recordset.Get(), 1);
        record.name = ReadFieldText(recordset.Get(), 2);
        CleanTagName(record.name);
        records.push_back(std::move(record));
        recordset->MoveNext();
    }
    for (auto& record : records)
        map[ToUpperAscii(record.name)] = std::move(record);
    return true;
}

void CreateHostTags(IZemKMDatabase* database, IZemKMTag* parentTag, const TagMap& map,
                    const Text& parentId, KnowledgeBaseWait* wait) {
    if (!database)
        return;
    std::unordered_set<Text> descended{parentId};
    CreateHostTagsUnder(database, parentTag, IndexByParent(map), parentId, descended, wait);
}

bool CreateNotebookFolders(IZemKMSQLiteDatabase* database, IZemKMDatabase* hostDatabase,
                           const Text& root, KnowledgeBaseWait* wait) {
    if (!database || !hostDatabase)
        return true;
    auto recordset = RunQuery(database, kSqlSelectNotebooks);
    if (!recordset)
        return false;
    while (HasCurrentRow(recordset.Get()) && !(wait && wait->GaveUp())) {
        if (ReadFieldText(recordset.Get(), 0) != kUnfiledNotebookId) {
            Text location = root + ReadFieldText(recordset.Get(), 1);
            ComPtr<IUnknown> folder;
            CallWaiting(wait, [&] {
                return hostDatabase->GetFolderByLocation(location.c_str(), VARIANT_TRUE,
                                                         folder.Out());
            });
        }
        recordset->MoveNext();
    }
    return true;
}

bool AppendNotebookName(IZemKMSQLiteDatabase* database, const Text& notebookId, Text& location) {
    auto recordset =
        RunQuery(database, FormatText(kSqlSelectNotebookById, QuoteSqlText(notebookId)));
    if (!recordset)
        return false;
    location += ReadFieldText(recordset.Get(), 1);
    return true;
}

bool LookupTagNames(const Text& tags, IZemKMSQLiteDatabase* database, TextList& names,
                    bool inRowOrder) {
    TextList ids;
    SplitText(tags, u',', ids);
    for (Text& id : ids)
        id = u"'" + QuoteSqlText(id) + u"'";
    auto recordset = RunQuery(
        database, InRowOrder(FormatText(kSqlSelectTagNames, JoinTexts(ids, u",")), inRowOrder));
    if (!recordset)
        return false;
    while (HasCurrentRow(recordset.Get())) {
        names.push_back(ReadFieldText(recordset.Get(), 0));
        recordset->MoveNext();
    }
    return true;
}

}  // namespace zem
