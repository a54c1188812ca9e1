#include "imported_account_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>

#include "platform/text.h"
#include "support/local_time.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "support/ynote_fixture.h"

namespace zem::test {

namespace {

namespace fs = std::filesystem;

constexpr char kRoot[] = "/有道云笔记/";
constexpr int64_t kEndOfYear3000 = 32535215999;  // last second of 3000 in UTC, give or take a day

std::string Replaced(std::string text, const std::string& characters, char with) {
    for (char& c : text) {
        if (characters.find(c) != std::string::npos)
            c = with;
    }
    return text;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n\f\v");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n\f\v") + 1 - first);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    if (text.empty())
        return pieces;
    size_t start = text[0] == separator && text.size() > 1 ? 1 : 0;
    while (true) {
        const size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end - start));
        if (end == std::string::npos || end + 1 == text.size())
            break;
        start = end + 1;
    }
    return pieces;
}

bool Usable(int64_t seconds) {
    return seconds >= 0 && seconds < kEndOfYear3000;
}

void ExpectFolders(SqliteFile& ynote, SqliteFile& kb) {
    std::set<std::string> folders;
    for (const SqlRow& row : kb.Query("select location from folder"))
        folders.insert(row[0]);
    for (const SqlRow& notebook : ynote.Query("select notebookid, notebookname from "
                                              "notebook_attr where notebookid != '00000111'"))
        EXPECT_TRUE(folders.count(kRoot + notebook[1] + "/")) << notebook[1];
}

void ExpectTagTree(SqliteFile& ynote, SqliteFile& kb) {
    std::map<std::string, std::string> parentOf;  // host tag name -> parent name
    for (const SqlRow& row : kb.Query("select t.name, coalesce(p.name, '') from tag t left "
                                      "join tag p on p.guid = t.parent_guid"))
        parentOf[row[0]] = row[1];
    std::map<std::string, std::string> ynoteNames;
    for (const SqlRow& tag : ynote.Query("select tagid, name from tag_attr"))
        ynoteNames[tag[0]] = Replaced(tag[1], "\\/,;", '-');
    for (const SqlRow& tag : ynote.Query("select tagid, parentid, name from tag_attr")) {
        const std::string name = Replaced(tag[2], "\\/,;", '-');
        ASSERT_TRUE(parentOf.count(name)) << "tag " << name;
        const std::string parent = tag[1].empty() ? "" : ynoteNames[tag[1]];
        EXPECT_EQ(parentOf[name], parent) << "parent of tag " << name;
    }
}

// The note page the program hands to the engine for a body as stored: the head and <body>
// of the stored page (the template with the default style), the body with each picture's id
// replaced by its link, and the rest of the template. Empty when the body is not UTF-8,
// which the program reads in the user's code page instead.
std::string NotePage(std::string body,
                     const std::vector<std::pair<std::string, std::string>>& links,
                     const std::string& storedPage) {
    body = body.substr(0, body.find('\0'));
    if (body.size() > 3 && body.starts_with("\xEF\xBB\xBF"))
        body.erase(0, 3);
    Text text;
    if (!FromUtf8Strict(body, text))
        return {};
    for (const auto& [id, link] : links)
        for (size_t at = body.find(id); !id.empty() && at != std::string::npos;
             at = body.find(id, at + link.size()))
            body.replace(at, id.size(), link);
    const std::string templatePage = ReadFileBytes(std::string(ZEM_BIN_DIR) + "/document.mez");
    const size_t storedBody = storedPage.find("<body>");
    const size_t templateBody = templatePage.find("<body>");
    if (storedBody == std::string::npos || templateBody == std::string::npos)
        return {};
    return storedPage.substr(0, storedBody + 6) + body + templatePage.substr(templateBody + 6);
}

void ExpectNote(SqliteFile& ynote, SqliteFile& kb, const SqlRow& note,
                const std::string& storageFolder, const std::string& kbFolder,
                ImportCheckOptions options,
                std::vector<std::pair<std::string, std::string>>& judged) {
    const std::string& noteId = note[0];
    std::string title = note[1].empty() ? "无标题笔记" : Replaced(note[1], "/", '-');
    SCOPED_TRACE("note " + noteId + " \"" + title + "\"");
    SqlRows docs = kb.Query(
        "select guid, location, coalesce(url, ''), created, modified, "
        "updated from document where title = ?",
        {title});
    ASSERT_EQ(docs.size(), 1u);
    const SqlRow& doc = docs[0];
    const std::string notebook =
        ynote.Value("select notebookname from notebook_attr where notebookid = ?", {note[2]});
    EXPECT_EQ(doc[1], notebook.empty() ? std::string(kRoot) : kRoot + notebook + "/");
    EXPECT_EQ(doc[2], note[6]);

    const int64_t created = std::strtoll(note[4].c_str(), nullptr, 10);
    const int64_t updated = std::strtoll(note[5].c_str(), nullptr, 10);
    if (created == 0) {
        EXPECT_EQ(doc[3], doc[4]);  // both the moment of the import
    } else {
        EXPECT_EQ(doc[3], Usable(created) ? LocalStorageTime(created) : doc[3]);
        if (Usable(updated)) {
            EXPECT_EQ(doc[4], LocalStorageTime(updated));
            EXPECT_EQ(doc[5], LocalStorageTime(updated));
        }
    }
    for (int column = 3; column <= 5; ++column)
        EXPECT_GT(doc[column], "1900");

    std::set<std::string> expectedTags, tags;
    for (const std::string& id : Split(note[3], ','))
        for (const SqlRow& tag : ynote.Query("select name from tag_attr where tagid = ?", {id}))
            expectedTags.insert(Replaced(Trimmed(tag[0]), "\\/,;", '-'));
    for (const SqlRow& row : kb.Query("select t.name from document_tag dt join tag t on "
                                      "t.guid = dt.tag_guid where dt.document_guid = ?",
                                      {doc[0]}))
        tags.insert(row[0]);
    EXPECT_EQ(tags, expectedTags);

    const std::string body = ynote.Value("select data from note where noteid = ?", {noteId});
    const std::string page = ReadFileBytes(kbFolder + "/documents/" + doc[0] + "/index.html");
    std::multiset<std::string> expectedAttachments, attachments;
    std::vector<std::pair<std::string, std::string>> links;
    for (const SqlRow& res :
         ynote.Query("select r.resid, r.reserve2, a.type from resources r join resource_attr a on "
                     "a.resid = r.resid where a.noteid = ?",
                     {noteId})) {
        const std::string relative = Replaced(res[1], "\\", '/');
        const std::string source = storageFolder + relative;
        // Paths that leave the storage folder are never read.
        const bool escapes = relative.starts_with("/") || relative == ".." ||
                             relative.starts_with("../") || relative.ends_with("/..") ||
                             relative.find("/../") != std::string::npos;
        if (!options.resourcesReachable || escapes || !fs::is_regular_file(source))
            continue;
        const int type = std::stoi(res[2]);
        if (type != 4 && body.find(res[0]) != std::string::npos) {
            links.emplace_back(res[0], PercentEncodeLink(relative));
            EXPECT_NE(page.find("index_files/" + relative), std::string::npos) << relative;
            EXPECT_EQ(ReadFileBytes(kbFolder + "/documents/" + doc[0] + "/index_files/" + relative),
                      ReadFileBytes(source));
        }
        const size_t backslash = res[1].find('\\');
        if (type != 1 && type != 3 && type != 4 && backslash + 1 != res[1].size())
            expectedAttachments.insert(ReadFileBytes(source));
    }
    // The page the engine was given, where its links lead to the same files.
    if (const std::string notePage = NotePage(body, links, page);
        !notePage.empty() && options.resourcesReachable) {
        const std::string path = storageFolder + "judged-page-" + doc[0] + ".htm";
        WriteFileBytes(path, notePage);
        judged.emplace_back(path, kbFolder + "/documents/" + doc[0] + "/index.html");
    }
    std::set<std::string> names;
    for (const SqlRow& a :
         kb.Query("select guid, name from attachment where document_guid = ?", {doc[0]})) {
        attachments.insert(ReadFileBytes(kbFolder + "/attachments/" + a[0] + "/" + a[1]));
        EXPECT_TRUE(names.insert(a[1]).second) << "attachment name twice: " << a[1];
    }
    EXPECT_TRUE(attachments == expectedAttachments)
        << attachments.size() << " attachments, expected " << expectedAttachments.size();
}

}  // namespace

void ExpectImportedAccount(const std::string& ynoteDatabase, const std::string& storageFolder,
                           const std::string& kbFolder, ImportCheckOptions options) {
    SqliteFile ynote(ynoteDatabase, SqliteFile::Mode::kReadOnly);
    SqliteFile kb(kbFolder + "/index.db", SqliteFile::Mode::kReadOnly);
    ExpectFolders(ynote, kb);
    ExpectTagTree(ynote, kb);
    SqlRows notes = ynote.Query(
        "select noteid, coalesce(title, ''), notebookid, coalesce(tags, ''), datecreated, "
        "dateupdated, coalesce(sourceurl, '') from note_attr");
    EXPECT_EQ(kb.Query("select guid from document").size(), notes.size());
    std::vector<std::pair<std::string, std::string>> judged;
    for (const SqlRow& note : notes)
        ExpectNote(ynote, kb, note, storageFolder, kbFolder, options, judged);
    ExpectPagesJudged(judged, kbFolder + "/..");
}

std::string ExpectPagesJudged(const std::vector<std::pair<std::string, std::string>>& pages,
                              const std::string& folder) {
    std::string manifest;
    for (const auto& [notePage, storedPage] : pages)
        manifest += notePage + "\t" + storedPage + "\n";
    WriteFileBytes(folder + "/judged-pages.txt", manifest);
#ifdef _WIN32
    // The judge is a Linux program (python3 with html5lib), which a Windows process cannot
    // start; the Linux edition judges the pages of the same accounts.
    std::cout << "pages not judged: html5lib runs only on the Linux edition\n";
    return std::string();
#else
    const std::string command = std::string(ZEM_PYTHON) + " " + ZEM_PAGE_JUDGE + " " + folder +
                                "/judged-pages.txt > " + folder + "/judgement.txt 2>&1";
    const int status = std::system(command.c_str());
    const std::string judgement = ReadFileBytes(folder + "/judgement.txt");
    EXPECT_EQ(status, 0) << judgement;
    std::cout << judgement.substr(judgement.rfind('\n', judgement.size() - 2) + 1);
    return judgement;
#endif
}

std::string DocumentGuid(const std::string& kbFolder, const std::string& title) {
    SqliteFile kb(kbFolder + "/index.db", SqliteFile::Mode::kReadOnly);
    return kb.Value("select guid from document where title = ?", {title});
}

}  // namespace zem::test
