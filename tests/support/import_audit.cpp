#include "support/import_audit.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>
#include <set>

#include "platform/text.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"

namespace zem::test {

namespace fs = std::filesystem;

namespace {

std::string ForwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool Logged(const std::string& log, const std::string& text) {
    return log.find(text) != std::string::npos;
}

}  // namespace

Snapshot TakeSnapshot(const std::string& root) {
    Snapshot snapshot;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(Utf8Path(root), error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::directory_entry& entry = *it;
        const fs::file_status status = entry.symlink_status();
        std::string kind;
        if (fs::is_symlink(status))
            kind = "link to " + PathUtf8(fs::read_symlink(entry.path()));
        else if (fs::is_directory(status))
            kind = "folder";
        else if (fs::is_regular_file(status))
            kind = "file " +
                   std::to_string(std::hash<std::string>()(ReadFileBytes(PathUtf8(entry.path()))));
        else
            kind = "special";
        snapshot[ForwardSlashes(PathUtf8(entry.path()))] = kind;
    }
    return snapshot;
}

std::string LogPath(const std::string& home) {
    return home + "/Documents/My Knowledge/Zem.log";
}

// The log is UTF-16LE with a byte-order mark.
std::string LogTextFrom(const std::string& home, size_t from) {
    const std::string bytes = ReadFileBytesIfAny(LogPath(home));
    if (from < 2)
        from = 2;
    std::u16string text;
    for (size_t i = from; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    return ToUtf8(text);
}

std::vector<std::string> ChangesOutsideItsPlaces(const Snapshot& before, const Snapshot& after,
                                                 const std::string& home,
                                                 const std::string& kbFolder) {
    const std::string root = ForwardSlashes(home);
    const std::string kb = ForwardSlashes(kbFolder);
    // The runner keeps the program's output in folders of its own ("work/started-").
    auto allowed = [&](const std::string& path, const std::string& kind) {
        return path.starts_with(kb + "/") || path.starts_with(root + "/tmp/Zem") ||
               path == ForwardSlashes(LogPath(home)) ||
               (kind == "folder" && path.starts_with(root + "/Documents")) ||
               path.starts_with(root + "/work/started-");
    };
    std::vector<std::string> faults;
    for (const auto& [path, kind] : after) {
        const auto earlier = before.find(path);
        if (earlier == before.end() && !allowed(path, kind))
            faults.push_back("written outside its places: " + path);
        else if (earlier != before.end() && earlier->second != kind && !allowed(path, kind))
            faults.push_back("changed outside its places: " + path);
    }
    for (const auto& [path, kind] : before)
        if (!after.count(path) && !allowed(path, kind))
            faults.push_back("removed outside its places: " + path);
    return faults;
}

std::vector<std::string> KnowledgeBaseFaults(const std::string& kbFolder) {
    const std::string index = kbFolder + "/index.db";
    if (!fs::exists(Utf8Path(index)))
        return {};
    SqliteFile kb(index, SqliteFile::Mode::kReadOnly);
    std::vector<std::string> faults;
    const std::string integrity = kb.Value("select integrity_check from pragma_integrity_check");
    if (integrity != "ok")
        faults.push_back("integrity check: " + integrity);
    if (!kb.Query("select * from pragma_foreign_key_check").empty())
        faults.push_back("the foreign-key check finds rows");
    return faults;
}

std::vector<std::string> AccountTitles(const std::string& account, const std::string& folder) {
    fs::create_directories(Utf8Path(folder));
    const std::string copy = folder + "/account.db";
    for (const char* suffix : {"", "-wal", "-journal"}) {
        fs::remove(Utf8Path(copy + suffix));
        if (fs::is_regular_file(Utf8Path(account + suffix)))
            fs::copy_file(Utf8Path(account + suffix), Utf8Path(copy + suffix));
    }
    SqliteFile database(copy, SqliteFile::Mode::kCreate);
    std::vector<std::string> titles;
    for (const SqlRow& row : database.Query("select coalesce(title, '') from note_attr")) {
        std::string title = row[0].empty() ? "无标题笔记" : row[0];
        std::replace(title.begin(), title.end(), '/', '-');
        titles.push_back(title);
    }
    return titles;
}

std::vector<std::string> NotesNotAccountedFor(const std::vector<std::string>& titles,
                                              const std::string& log, const std::string& kbFolder,
                                              int exitStatus) {
    std::multiset<std::string> documents;
    SqliteFile kb(kbFolder + "/index.db", SqliteFile::Mode::kReadOnly);
    for (const SqlRow& row : kb.Query("select title from document"))
        documents.insert(row[0]);

    std::vector<std::string> faults;
    int whole = 0, withLosses = 0, skipped = 0;
    for (const std::string& title : titles) {
        if (Logged(log, "Import ynote, skipped note \"" + title + "\": "))
            ++skipped;
        else if (!documents.count(title))
            faults.push_back("note \"" + title + "\" was neither imported nor skipped");
        else if (Logged(log, "Import ynote, note \"" + title + "\" lost "))
            ++withLosses;
        else
            ++whole;
    }
    std::smatch counts;
    const std::regex countsLine(
        "Import ynote completed: (\\d+) notes walked, (\\d+) imported, (\\d+) imported with "
        "losses, (\\d+) skipped");
    if (!std::regex_search(log, counts, countsLine)) {
        faults.push_back("the log has no closing counts");
        return faults;
    }
    const bool walkBroken = Logged(log, "the note list could not be read beyond note");
    const auto expectCount = [&](size_t index, size_t expected, const char* what) {
        if (std::stoul(counts[index]) != expected)
            faults.push_back(std::string("the closing line counts ") + counts[index].str() + " " +
                             what + ", the notes say " + std::to_string(expected));
    };
    if (!walkBroken) {
        expectCount(1, titles.size(), "walked");
        expectCount(2, static_cast<size_t>(whole), "imported");
        expectCount(3, static_cast<size_t>(withLosses), "imported with losses");
        expectCount(4, static_cast<size_t>(skipped), "skipped");
    }
    if (exitStatus >= 0 && (exitStatus == 0) != (withLosses == 0 && skipped == 0 && !walkBroken))
        faults.push_back("exit status " + std::to_string(exitStatus) +
                         " disagrees with the notes' fates");
    return faults;
}

}  // namespace zem::test
