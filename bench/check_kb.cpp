// Checks that an imported knowledge base is complete: the number of documents and
// attachments, every attachment file present with its recorded size, and every picture a
// document links present in its index_files folder.
// Usage: bench_check_kb <knowledge-base folder> <documents> <attachments> <pictures>
// Prints "ok" or what is missing; exit status 0 only when complete.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

long Count(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    long value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        value = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: bench_check_kb <kb folder> <documents> <attachments> <pictures>\n");
        return 2;
    }
    const fs::path kb = argv[1];
    const long documents = std::atol(argv[2]), attachments = std::atol(argv[3]),
               pictures = std::atol(argv[4]);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2((kb / "index.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        std::printf("cannot open %s\n", (kb / "index.db").c_str());
        return 1;
    }
    bool complete = true;
    const long foundDocuments = Count(db, "select count(*) from document");
    const long foundAttachments = Count(db, "select count(*) from attachment");
    if (foundDocuments != documents || foundAttachments != attachments) {
        std::printf("documents %ld of %ld, attachments %ld of %ld\n", foundDocuments, documents,
                    foundAttachments, attachments);
        complete = false;
    }
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "select guid, name, size from attachment", -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const fs::path file = kb / "attachments" /
                              reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)) /
                              reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
        std::error_code error;
        if (fs::file_size(file, error) != static_cast<uintmax_t>(sqlite3_column_int64(stmt, 2))) {
            std::printf("attachment missing or short: %s\n", file.c_str());
            complete = false;
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);

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
