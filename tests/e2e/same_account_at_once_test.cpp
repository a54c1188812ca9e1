// Two imports of one account into one knowledge base started at the same moment, as a
// double click or two terminals start them, many times: both complete, and every note is
// there once. A run told to import every note again (/ImportAll) that meets another run of
// the account does not add a second copy of what that run brought in.
#include <gtest/gtest.h>

#include <filesystem>

#include "imported_account_check.h"
#include "support/program_runner.h"
#include "support/sqlite_file.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/ynote_fixture.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

constexpr int kNotes = 12;

class SameAccountAtOnceTest : public ImportProgramTest {
  protected:
    void SetUp() override {
        ImportProgramTest::SetUp();
        account_ = std::make_unique<YNoteFixture>(folder_ + "/account");
        account_->AddNotebook("nb", "笔记本");
        account_->AddTag("t", "", "标签");
        for (int i = 0; i < kNotes; ++i) {
            const std::string id = "n" + std::to_string(i);
            account_->AddNote({id, "笔记 " + std::to_string(i), "nb", "t", 1680000000 + i,
                               1680000000 + i, "", "<p>" + id + "<img src=\"P" + id + "\"></p>"});
            account_->AddResource("P" + id, id, 1, "u\\" + id + ".png",
                                  MakePngImage(8, 8, 30, static_cast<uint8_t>(i), 0));
            account_->AddResource("A" + id, id, 2, "f\\" + id + ".txt", "attachment " + id);
        }
        account_->Close();
    }

    std::string NewKb(const std::string& name) {
        const std::string kb = folder_ + "/" + name;
        fs::create_directories(kb);
        return kb;
    }

    // Starts both at once and waits for both.
    std::pair<ProgramResult, ProgramResult> RunTogether(const std::string& kb,
                                                        const std::vector<std::string>& first,
                                                        const std::vector<std::string>& second) {
        auto a = StartImport(kb, account_->DatabasePath(), first);
        auto b = StartImport(kb, account_->DatabasePath(), second);
        return {a->Wait(), b->Wait()};
    }

    static std::string Count(const std::string& kb, const std::string& sql) {
        SqliteFile index(kb + "/index.db", SqliteFile::Mode::kReadOnly);
        return index.Value(sql);
    }

    static bool Says(const ProgramResult& run, const std::string& text) {
        return run.output.find(text) != std::string::npos;
    }

    std::unique_ptr<YNoteFixture> account_;
};

const std::string kImportedWhole = std::to_string(kNotes) + " notes walked, " +
                                   std::to_string(kNotes) + " imported, 0 imported with losses";
const std::string kNothingChanged = "0 new, 0 updated, " + std::to_string(kNotes) + " unchanged";
constexpr char kWaited[] = "this run waited for another import of the account";

// Into an empty knowledge base: one run imports every note, the other waits and finds them
// all unchanged.
TEST_F(SameAccountAtOnceTest, TwoPlainImportsLeaveEveryNoteOnce) {
    int waits = 0;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string kb = NewKb("plain-" + std::to_string(round));
        const auto [a, b] = RunTogether(kb, {}, {});
        EXPECT_EQ(a.exitCode, 0) << a.output << a.errors;
        EXPECT_EQ(b.exitCode, 0) << b.output << b.errors;
        EXPECT_TRUE((Says(a, kImportedWhole) && Says(b, kNothingChanged)) ||
                    (Says(b, kImportedWhole) && Says(a, kNothingChanged)))
            << a.output << "\n---\n"
            << b.output;
        EXPECT_FALSE(Says(a, kWaited) && Says(b, kWaited));
        waits += Says(a, kWaited) || Says(b, kWaited) ? 1 : 0;
        EXPECT_EQ(Count(kb, "select count(*) from document"), std::to_string(kNotes));
        EXPECT_EQ(Count(kb, "select count(*) from attachment"), std::to_string(kNotes));
        EXPECT_EQ(Count(kb,
                        "select count(*) from document_source where source_version is "
                        "not null"),
                  std::to_string(kNotes));
        ExpectImportedAccount(account_->DatabasePath(), account_->StorageFolder(), kb);
        if (HasFailure())
            break;
    }
    // Started together, the runs met most of the time.
    EXPECT_GT(waits, 0);
}

// Over an earlier import, /ImportAll beside a plain import or beside another /ImportAll. A
// run that waited for the other finds every note unchanged; an /ImportAll run that did not
// wait adds one copy of every note. Every record names one document.
TEST_F(SameAccountAtOnceTest, ImportAllBesideAnotherRunAddsNoSecondCopy) {
    int waits = 0;
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const bool bothAll = round % 2 == 1;
        const std::string kb = NewKb("all-" + std::to_string(round));
        const ProgramResult first = RunImport(kb, account_->DatabasePath());
        ASSERT_EQ(first.exitCode, 0) << first.output;
        const auto [all, other] = RunTogether(
            kb, {"/ImportAll"},
            bothAll ? std::vector<std::string>{"/ImportAll"} : std::vector<std::string>{});
        EXPECT_EQ(all.exitCode, 0) << all.output << all.errors;
        EXPECT_EQ(other.exitCode, 0) << other.output << other.errors;
        EXPECT_FALSE(Says(all, kWaited) && Says(other, kWaited));
        int copies = 0;
        for (const ProgramResult* run : {&all, &other}) {
            const bool asksAll = run == &all || bothAll;
            if (Says(*run, kWaited) || !asksAll) {
                EXPECT_TRUE(Says(*run, kNothingChanged)) << run->output;
            } else {
                EXPECT_TRUE(Says(*run, kImportedWhole)) << run->output;
                ++copies;
            }
        }
        waits += Says(all, kWaited) || Says(other, kWaited) ? 1 : 0;
        const std::string documents = std::to_string((1 + copies) * kNotes);
        EXPECT_EQ(Count(kb, "select count(*) from document"), documents);
        EXPECT_EQ(Count(kb, "select count(*) from attachment"), documents);
        EXPECT_EQ(Count(kb,
                        "select count(*) from document_source r join document d on d.guid "
                        "= r.document_guid where r.source_version is not null"),
                  std::to_string(kNotes));
        EXPECT_EQ(Count(kb, "select integrity_check from pragma_integrity_check"), "ok");
        if (HasFailure())
            break;
    }
    EXPECT_GT(waits, 0);
}

}  // namespace
}  // namespace zem::test
