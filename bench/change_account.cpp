// Changes every n-th note of a benchmark account as YNote would after an edit: a newer
// dateupdated and a longer body. For the benchmark of an import that follows an earlier one.
//
// Usage: bench_change_account <account.db> <n>
// Prints the number of notes changed.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "support/sqlite_file.h"

int main(int argc, char** argv) {
    const long every = argc == 3 ? std::atol(argv[2]) : 0;
    if (every <= 0) {
        std::fprintf(stderr, "usage: bench_change_account <account.db> <n>\n");
        return 2;
    }
    try {
        zem::test::SqliteFile account(argv[1], zem::test::SqliteFile::Mode::kCreate);
        const std::string chosen =
            "select noteid from note_attr where rowid % " + std::to_string(every) + " = 0";
        account.Script(
            "begin;"
            "update note set data = data || '<p>changed</p>' where noteid in (" +
            chosen +
            ");"
            "update note_attr set dateupdated = dateupdated + 86400 where noteid in (" +
            chosen + ");");
        const std::string changed = account.Value("select count(*) from (" + chosen + ")");
        account.Exec("commit");
        std::printf("%s\n", changed.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
