// Prints what a knowledge base holds: folders, the tag tree, and every document with its
// source address, dates, tags and attachments; last, the path of one page with pictures.
//
//   show_knowledge_base <knowledge base folder>/index.db
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "support/sqlite_file.h"

using zem::test::SqliteFile;

namespace {

void PrintTags(SqliteFile& index, const std::string& parent, int depth) {
    for (const auto& tag : index.Query("select guid, name from tag where coalesce(parent_guid, "
                                       "'') = ? order by name",
                                       {parent})) {
        std::printf("  %*s%s\n", depth * 2, "", tag[1].c_str());
        PrintTags(index, tag[0], depth + 1);
    }
}

void Show(const std::string& indexPath) {
    SqliteFile index(indexPath, SqliteFile::Mode::kReadOnly);
    const std::string folder = std::filesystem::path(indexPath).parent_path().string();

    std::printf("Folders:\n");
    for (const auto& row : index.Query("select location from folder order by location"))
        std::printf("  %s\n", row[0].c_str());

    std::printf("\nTags:\n");
    PrintTags(index, "", 0);

    std::printf("\nDocuments:\n");
    std::string pageWithPictures;
    for (const auto& doc : index.Query("select guid, location, title, coalesce(url, ''), "
                                       "created, modified, updated from document "
                                       "order by location, title")) {
        std::printf("  %s%s\n", doc[1].c_str(), doc[2].c_str());
        if (!doc[3].empty())
            std::printf("    source:      %s\n", doc[3].c_str());
        std::printf("    created:     %s   modified: %s   updated: %s\n", doc[4].c_str(),
                    doc[5].c_str(), doc[6].c_str());
        std::string tags;
        for (const auto& tag : index.Query("select t.name from document_tag dt join tag t on "
                                           "t.guid = dt.tag_guid where dt.document_guid = ? "
                                           "order by t.name",
                                           {doc[0]}))
            tags += (tags.empty() ? "" : "; ") + tag[0];
        if (!tags.empty())
            std::printf("    tags:        %s\n", tags.c_str());
        for (const auto& a : index.Query("select name, size from attachment where "
                                         "document_guid = ? order by name",
                                         {doc[0]}))
            std::printf("    attachment:  %s (%s bytes)\n", a[0].c_str(), a[1].c_str());
        const std::string page = folder + "/documents/" + doc[0] + "/index.html";
        const std::string pictures = folder + "/documents/" + doc[0] + "/index_files";
        std::printf("    page:        %s\n", page.c_str());
        if (pageWithPictures.empty() && std::filesystem::is_directory(pictures))
            pageWithPictures = page;
    }
    if (!pageWithPictures.empty())
        std::printf("\nOpen this imported page in a browser:\n  file://%s\n",
                    pageWithPictures.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <knowledge base>/index.db\n", argv[0]);
        return 2;
    }
    try {
        Show(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "show_knowledge_base: %s\n", e.what());
        return 1;
    }
    return 0;
}
