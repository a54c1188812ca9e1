// The floor: only the work that no import of this design can avoid, on one YNote account.
// It copies the database once, writes every note body as one file, copies every resource
// file twice (into a working folder and into a knowledge-base folder) and inserts one row
// per note into a fresh SQLite table in one transaction. The import's time is measured
// against this program's time on the same account in the same run.
//
// Usage: bench_floor <ynote.db> <output folder>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool Fail(const std::string& what) {
    std::fprintf(stderr, "bench_floor: %s\n", what.c_str());
    return false;
}

void CopyFile(const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// YNote stores resource paths relative to its storage folder with "\" separators.
std::string ToSlashes(std::string path) {
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

std::string QueryText(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    std::string result;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        const auto* text = sqlite3_column_text(stmt, 0);
        if (text)
            result = reinterpret_cast<const char*>(text);
    }
    sqlite3_finalize(stmt);
    return result;
}

bool Run(const fs::path& source, const fs::path& out) {
    fs::remove_all(out);
    const fs::path work = out / "work";
    const fs::path kb = out / "kb";
    fs::create_directories(work);
    fs::create_directories(kb);

    const fs::path copy = work / "ynote.db";
    fs::copy_file(source, copy);

    sqlite3* ynote = nullptr;
    if (sqlite3_open_v2(copy.c_str(), &ynote, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return Fail("cannot open " + copy.string());

    sqlite3_stmt* notes = nullptr;
    if (sqlite3_prepare_v2(ynote, "select noteid, data from note", -1, &notes, nullptr) !=
        SQLITE_OK)
        return Fail(sqlite3_errmsg(ynote));
    std::vector<std::string> ids;
    while (sqlite3_step(notes) == SQLITE_ROW) {
        std::string id = reinterpret_cast<const char*>(sqlite3_column_text(notes, 0));
        std::ofstream body(work / (id + ".htm"), std::ios::binary);
        body.write(static_cast<const char*>(sqlite3_column_blob(notes, 1)),
                   sqlite3_column_bytes(notes, 1));
        ids.push_back(std::move(id));
    }
    sqlite3_finalize(notes);

    std::string storage = QueryText(
        ynote, "select configvalue from config_new where configname='AttachmentStorageDir'");
    if (!storage.empty() && storage.back() != '/')
        storage += '/';
    sqlite3_stmt* resources = nullptr;
    if (sqlite3_prepare_v2(ynote, "select reserve2 from resources", -1, &resources, nullptr) ==
        SQLITE_OK) {
        while (sqlite3_step(resources) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(resources, 0);
            if (!text)
                continue;
            const std::string relative = ToSlashes(reinterpret_cast<const char*>(text));
            const fs::path from = storage + relative;
            if (!fs::exists(from))
                continue;
            CopyFile(from, work / "res" / relative);
            CopyFile(work / "res" / relative, kb / "res" / relative);
        }
    }
    sqlite3_finalize(resources);
    sqlite3_close(ynote);

    sqlite3* index = nullptr;
    if (sqlite3_open((kb / "index.db").c_str(), &index) != SQLITE_OK)
        return Fail("cannot create the index");
    sqlite3_exec(index, "create table document(guid text primary key)", nullptr, nullptr, nullptr);
    sqlite3_exec(index, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(index, "insert into document values(?)", -1, &insert, nullptr);
    for (const auto& id : ids) {
        sqlite3_bind_text(insert, 1, id.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(index, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(index);
    std::printf("%zu\n", ids.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_floor <ynote.db> <output folder>\n");
        return 2;
    }
    try {
        return Run(argv[1], argv[2]) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_floor: %s\n", e.what());
        return 1;
    }
}
