// Checks that an imported knowledge base is complete: the number of documents and
// attachments, every attachment file present with its recorded size, and every picture a
// document links present in its index_files folder.
// Usage: bench_check_kb <knowledge-base folder> <documents> <attachments> <pictures>
// Prints "ok" or what is missing; exit status 0 only when complete.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "support/sqlite_file.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: bench_check_kb <kb folder> <documents> <attachments> <pictures>\n");
        return 2;
    }
    const fs::path kb = argv[1];
    const long documents = std::atol(argv[2]), attachments = std::atol(argv[3]),
               pictures = std::atol(argv[4]);
    bool complete = true;
    try {
        zem::test::SqliteFile index((kb / "index.db").string(),
                                    zem::test::SqliteFile::Mode::kReadOnly);
        const long foundDocuments = std::atol(index.Value("select count(*) from document").c_str());
        const long foundAttachments =
            std::atol(index.Value("select count(*) from attachment").c_str());
        if (foundDocuments != documents || foundAttachments != attachments) {
            std::printf("documents %ld of %ld, attachments %ld of %ld\n", foundDocuments, documents,
                        foundAttachments, attachments);
            complete = false;
        }
        for (const zem::test::SqlRow& row :
             index.Query("select guid, name, size from attachment")) {
            const fs::path file = kb / "attachments" / row[0] / row[1];
            std::error_code error;
            if (fs::file_size(file, error) != std::strtoull(row[2].c_str(), nullptr, 10)) {
                std::printf("attachment missing or short: %s\n", file.c_str());
                complete = false;
            }
        }
    } catch (const std::exception& e) {
        std::printf("cannot read %s: %s\n", (kb / "index.db").c_str(), e.what());
        return 1;
    }

    long foundPictures = 0;
    if (fs::exists(kb / "documents"))
        for (const auto& entry : fs::recursive_directory_iterator(kb / "documents"))
            if (entry.is_regular_file() && entry.path().extension() == ".png")
                ++foundPictures;
    if (foundPictures != pictures) {
        std::printf("pictures %ld of %ld\n", foundPictures, pictures);
        complete = false;
    }
    if (complete)
        std::printf("ok\n");
    return complete ? 0 : 1;
}
