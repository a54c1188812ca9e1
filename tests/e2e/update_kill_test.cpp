// A re-import that changes every note, killed (SIGKILL) at random moments: once the
// knowledge base has been opened again, every document is its old version whole or its new
// one - title, folder, tags, page, picture, attachment - and a later run completes the
// update without a duplicate.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <regex>
#include <thread>

#include "support/program_runner.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/ynote_fixture.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

constexpr int kNotes = 24;

std::string Picture(int note, bool changed) {
    return MakePngImage(6, 6, changed ? 250 : 10, static_cast<uint8_t>(note), 77);
}

// The same account ("account") before and after every note changed: its title, notebook,
// tag, text, picture and the bytes of its attachment.
std::unique_ptr<YNoteFixture> MakeVersion(const std::string& folder, bool changed) {
    auto y = std::make_unique<YNoteFixture>(folder);
    y->AddNotebook("nb1", "旧笔记本");
    y->AddNotebook("nb2", "新笔记本");
    y->AddTag("t1", "", "旧标签");
    y->AddTag("t2", "", "新标签");
    const std::string v = changed ? "new" : "old";
    for (int i = 0; i < kNotes; ++i) {
        const std::string n = std::to_string(i);
        y->AddNote({"n" + n, v + " title " + n, changed ? "nb2" : "nb1", changed ? "t2" : "t1",
                    1680000000, 1680000000 + (changed ? 5000 : 0), "",
                    "<p>" + v + " text " + n + "</p><img src=\"P" + n + "\">"});
        y->AddResource("P" + n, "n" + n, 1, "u\\p" + n + ".png", Picture(i, changed));
        y->AddResource("A" + n, "n" + n, 2, "f\\a" + n + ".txt", v + " attachment " + n);
    }
    y->Close();
    return y;
}

// Which version each part of the document is, "old" or "new" (or a description of what is
// wrong with it).
std::vector<std::string> Parts(SqliteFile& index, const std::string& kb, const std::string& guid,
                               int note) {
    const std::string n = std::to_string(note);
    const auto version = [](bool isOld, bool isNew) {
        return isOld ? "old" : isNew ? "new" : "neither";
    };
    std::vector<std::string> parts;
    const std::string title = index.Value("select title from document where guid = ?", {guid});
    parts.push_back(version(title == "old title " + n, title == "new title " + n));
    const std::string folder = index.Value("select location from document where guid = ?", {guid});
    parts.push_back(version(folder == "/有道云笔记/旧笔记本/", folder == "/有道云笔记/新笔记本/"));
    const std::string tags = index.Value(
        "select group_concat(t.name) from document_tag d join tag t on t.guid = d.tag_guid where "
        "d.document_guid = ?",
        {guid});
    parts.push_back(version(tags == "旧标签", tags == "新标签"));
    const std::string folderPath = kb + "/documents/" + guid + "/";
    const std::string page = ReadFileBytesIfAny(folderPath + "index.html");
    const bool oldText = page.find("old text " + n + "<") != std::string::npos;
    const bool newText = page.find("new text " + n + "<") != std::string::npos;
    parts.push_back(version(oldText && !newText, newText && !oldText));
    std::smatch link;
    std::string picture;
    if (std::regex_search(page, link, std::regex("src=\"(index_files/[^\"]+)\"")))
        picture = ReadFileBytesIfAny(folderPath + link[1].str());
    parts.push_back(version(picture == Picture(note, false), picture == Picture(note, true)));
    const SqlRows attachments =
        index.Query("select guid, name, size from attachment where document_guid = ?", {guid});
    if (attachments.size() != 1) {
        parts.push_back(std::to_string(attachments.size()) + " attachments");
    } else {
        const std::string bytes =
            ReadFileBytesIfAny(kb + "/attachments/" + attachments[0][0] + "/a" + n + ".txt");
        const bool sized = attachments[0][2] == std::to_string(bytes.size());
        parts.push_back(version(sized && bytes == "old attachment " + n,
                                sized && bytes == "new attachment " + n));
    }
    return parts;
}

TEST(UpdateKillTest, AKilledUpdateLeavesEveryDocumentOldOrNewWholeAndIsCompletedLater) {
    const std::string folder = MakeTestFolder("update kill");
    auto before = MakeVersion(folder + "/before", false);
    auto after = MakeVersion(folder + "/after", true);
    const std::string original = folder + "/original";
    fs::create_directories(original);
    ASSERT_EQ(RunImport(original, before->DatabasePath()).exitCode, 0);

    // How long an undisturbed update takes, to spread the kills over it.
    const std::string timed = folder + "/timed";
    fs::copy(original, timed, fs::copy_options::recursive);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunImport(timed, after->DatabasePath()).exitCode, 0);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);

    std::mt19937 random(std::random_device{}());
    int mixed = 0;  // kills that left some documents old and some new
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string kb = folder + "/kb" + std::to_string(round);
        fs::copy(original, kb, fs::copy_options::recursive);
        auto run = StartImport(kb, after->DatabasePath());
        std::this_thread::sleep_for(std::chrono::microseconds(
            std::uniform_int_distribution<int64_t>(0, span.count())(random)));
        run->Kill();
        run->Wait();
        // Opening the knowledge base completes or takes back what the kill cut short.
        EXPECT_EQ(RunImport(kb, folder + "/no such account.db").exitCode, 1);
        {
            SqliteFile index(kb + "/index.db", SqliteFile::Mode::kReadOnly);
            EXPECT_EQ(index.Value("select integrity_check from pragma_integrity_check"), "ok");
            EXPECT_EQ(index.Value("select count(*) from file_switch"), "0");
            const SqlRows documents =
                index.Query("select r.source_id, r.document_guid from document_source r");
            ASSERT_EQ(documents.size(), static_cast<size_t>(kNotes));
            std::set<std::string> seen;
            for (const SqlRow& document : documents) {
                const int note = std::stoi(document[0].substr(1));
                const std::vector<std::string> parts = Parts(index, kb, document[1], note);
                const std::vector<std::string> whole(parts.size(), parts[0]);
                EXPECT_EQ(parts, whole) << document[0];
                EXPECT_NE(parts[0], "neither") << document[0];
                seen.insert(parts[0]);
            }
            mixed += seen.size() > 1 ? 1 : 0;
        }
        // A later run completes the update.
        const ProgramResult completing = RunImport(kb, after->DatabasePath());
        EXPECT_EQ(completing.exitCode, 0) << completing.output;
        {
            // Closed before the folder is removed: Windows cannot remove an open file.
            SqliteFile index(kb + "/index.db", SqliteFile::Mode::kReadOnly);
            EXPECT_EQ(index.Value("select count(*) from document"), std::to_string(kNotes));
            for (const SqlRow& document :
                 index.Query("select r.source_id, r.document_guid from document_source r")) {
                const std::vector<std::string> parts =
                    Parts(index, kb, document[1], std::stoi(document[0].substr(1)));
                EXPECT_EQ(parts, std::vector<std::string>(parts.size(), "new")) << document[0];
            }
        }
        if (fs::exists(kb + "/staging"))
            for (const auto& left : fs::recursive_directory_iterator(kb + "/staging"))
                ADD_FAILURE() << "left in staging: " << left.path().generic_string();
        if (HasFailure())
            break;
        fs::remove_all(kb);
    }
    // The kills fell inside the update, not only before or after it.
    EXPECT_GT(mixed, 0);
}

}  // namespace
}  // namespace zem::test
