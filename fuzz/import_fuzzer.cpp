// The whole import: the input bytes become a small YNote account (tables there or not,
// notebooks, a tag tree, notes with their bodies, resources with their paths and storage
// files), imported by the program's own driver with the scripted toolkit into a fresh
// knowledge base through the real engine library, as the program loads it; half the time
// the account is imported once more into the same knowledge base. Promises checked: no crash
// or sanitizer report; the knowledge base passes SQLite's integrity and foreign-key checks;
// every note is imported, imported with its losses named, or skipped with its reason;
// nothing is written outside the knowledge base, the program's temporary folder and the log.
#include <fuzzer/FuzzedDataProvider.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/resource_ids.h"
#include "fuzz_support.h"
#include "host/component_loading.h"
#include "host/km_global.h"
#include "import/import_driver.h"
#include "support/import_audit.h"
#include "support/scripted_toolkit.h"
#include "support/test_home.h"
#include "support/ynote_fixture.h"

namespace zem::fuzz {
namespace {

namespace fs = std::filesystem;
using test::YNoteFixture;

// The driver's view of the dialog: no window, nobody cancels.
class Surface : public ImportDialogSurface {
  public:
    Surface(IZemKMDatabase* host, ZemKMCreateSQLiteDatabaseFunc factory, Text source)
        : host_(host), factory_(factory), source_(std::move(source)) {}
    IZemKMDatabase* HostDatabase() override { return host_; }
    ZemKMCreateSQLiteDatabaseFunc SQLiteFactory() override { return factory_; }
    Text SourcePath() override { return source_; }
    void SetStatusText(const Text&) override {}
    void SetProgressRange(int32_t) override {}
    void SetProgressPosition(int32_t) override {}
    void PumpMessages() override {}
    bool CancelRequested() override { return false; }
    ImportAgainChoice AskImportAgain(const Text&, int32_t) override {
        return ImportAgainChoice::kOnlyNewAndChanged;
    }
    void ShowRunSummary(const Text&) override {}
    void EndWithOk() override {}

  private:
    IZemKMDatabase* host_;
    ZemKMCreateSQLiteDatabaseFunc factory_;
    Text source_;
};

// Short texts from a small alphabet that holds what trips readers: separators, dots, quotes,
// markup, Chinese.
std::string Piece(FuzzedDataProvider& input, size_t most) {
    static const char* const kPieces[] = {"a", "B", " ", "/", "\\", ".",  "..", "'", "\"", "<",
                                          ">", "&", "%", ",", "中", "文", "#",  "?", "=",  "\t"};
    std::string text;
    const size_t count = input.ConsumeIntegralInRange<size_t>(0, most);
    for (size_t i = 0; i < count; ++i)
        text += kPieces[input.ConsumeIntegralInRange<size_t>(0, std::size(kPieces) - 1)];
    return text;
}

std::string IdOf(FuzzedDataProvider& input, char kind, int count) {
    const int pick = input.ConsumeIntegralInRange(-1, count);
    return pick < 0 ? Piece(input, 3) : std::string(1, kind) + std::to_string(pick);
}

std::string Body(FuzzedDataProvider& input, int resources) {
    std::string body;
    const int parts = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < parts; ++i) {
        switch (input.ConsumeIntegralInRange(0, 3)) {
            case 0:
                body += "<img src=\"" + IdOf(input, 'r', resources) + "\">";
                break;
            case 1:
                body += "<p>" + Piece(input, 8) + "</p>";
                break;
            case 2:
                body += input.ConsumeRandomLengthString(64);
                break;
            default:
                body += "<a href=\"" + Piece(input, 6) + "\">" + Piece(input, 3) + "</a>";
        }
    }
    return body;
}

// The account the input describes; titles are made unique, as the audit matches notes by
// title. Now and then a note has a second row (the id of the first note again), which the
// import takes as the same note changed: `oneRowEach` turns false then (as soon as the row is
// added: a row the account's keys refuse ends the building with an exception).
void BuildAccount(FuzzedDataProvider& input, YNoteFixture& account, bool& oneRowEach) {
    const int notebooks = input.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < notebooks; ++i)
        account.AddNotebook("b" + std::to_string(i), Piece(input, 6));
    const int tags = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < tags; ++i)
        account.AddTag("t" + std::to_string(i), IdOf(input, 't', tags), Piece(input, 5));
    const int resources = input.ConsumeIntegralInRange(0, 4);
    const int notes = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < notes; ++i) {
        test::YNoteNote note;
        note.noteId = input.ConsumeIntegralInRange(0, 5) == 0 ? "n0" : "n" + std::to_string(i);
        oneRowEach = oneRowEach && (i == 0 || note.noteId != "n0");
        if (i > 0 || input.ConsumeBool())
            note.title = "N" + std::to_string(i) + Piece(input, 6);
        note.notebookId = IdOf(input, 'b', notebooks);
        note.tags =
            IdOf(input, 't', tags) + (input.ConsumeBool() ? "," + IdOf(input, 't', tags) : "");
        note.created = input.ConsumeIntegral<int32_t>();
        note.updated = input.ConsumeBool() ? note.created : input.ConsumeIntegral<int64_t>();
        note.sourceUrl = input.ConsumeBool() ? "" : Piece(input, 6);
        if (input.ConsumeIntegralInRange(0, 7) > 0)
            note.body = Body(input, resources);
        account.AddNote(note);
    }
    for (int i = 0; i < resources; ++i) {
        const std::string path = Piece(input, 6);
        account.AddResource(
            "r" + std::to_string(i), IdOf(input, 'n', notes), input.ConsumeIntegralInRange(0, 3),
            path, input.ConsumeBool() ? std::optional<std::string>(Piece(input, 4)) : std::nullopt);
    }
    if (input.ConsumeIntegralInRange(0, 5) == 0)
        account.SetStorageDirValue(input.ConsumeBool() ? std::optional<std::string>(Piece(input, 4))
                                                       : std::nullopt);
    for (const char* table : {"note_attr", "note", "notebook_attr", "tag_attr", "resources",
                              "resource_attr", "config_new"})
        if (input.ConsumeIntegralInRange(0, 9) == 0)
            account.DropTable(table);
}

ComPtr<IZemKMDatabase> OpenKnowledgeBase(const std::string& kbFolder) {
    auto host = ComPtr<IZemKMDatabase>::Attach(static_cast<IZemKMDatabase*>(
        CreateKMCoreObject(CLSID_ZemKMDatabase, IZemKMDatabase::kIID)));
    Check(static_cast<bool>(host), "the engine makes a database component");
    ScopedBstr error;
    const Text index = FromUtf8(kbFolder + "/index.db");
    Check(host->OpenEx(index.c_str(), kOpenExFixedText, 0, error.Out()) == S_OK,
          "a fresh knowledge base opens", ToUtf8(error.ToText()));
    return host;
}

void CheckNone(const std::vector<std::string>& faults, std::string_view promise) {
    std::string all;
    for (const std::string& fault : faults)
        all += fault + "\n";
    Check(faults.empty(), promise, all);
}

// One run of the driver into the knowledge base, audited.
// `accountNotes`: every note is to be accounted for by its title (a first run, one row to a
// note).
void ImportAndAudit(CZemKMCoreDll& core, const std::string& folder, const std::string& account,
                    bool accountNotes) {
    const std::string home = test::TestHome();
    const std::string kb = folder + "/kb";
    std::error_code ignored;
    fs::remove(test::LogPath(home), ignored);
    const test::Snapshot before = test::TakeSnapshot(home);
    ImportOutcome outcome;
    {
        ComPtr<IZemKMDatabase> host = OpenKnowledgeBase(kb);
        Surface surface(host.Get(), core.createSQLiteDatabase, FromUtf8(account));
        outcome = RunYNoteImport(surface);
    }
    const std::string log = test::LogTextFrom(home, 0);
    CheckNone(test::ChangesOutsideItsPlaces(before, test::TakeSnapshot(home), home, kb),
              "nothing is written outside the knowledge base, the temporary folder and the log");
    CheckNone(test::KnowledgeBaseFaults(kb), "the knowledge base passes SQLite's checks");
    const bool completed =
        outcome == ImportOutcome::kCompleted || outcome == ImportOutcome::kCompletedWithGaps;
    if (accountNotes && completed)
        CheckNone(test::NotesNotAccountedFor(test::AccountTitles(account, folder + "/check"), log,
                                             kb, outcome == ImportOutcome::kCompleted ? 0 : 1),
                  "every note is imported, imported with its losses named, or skipped");
}

// The engine library, loaded before anything else and kept: libFuzzer counts the coverage of
// a library in place, so it must never be unloaded and loaded again elsewhere.
zem::CZemKMCoreDll& Engine() {
    static zem::CZemKMCoreDll core{zem::Text()};
    return core;
}

}  // namespace
}  // namespace zem::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace zem;
    if (!test::EnterTestHome())
        fuzz::Fail("the fuzz home can be made");
    fuzz::Check(fuzz::Engine().Load() && fuzz::Engine().createSQLiteDatabase,
                "the engine library loads");
    atexit(test::LeaveTestHome);
    InstallKMGlobal();
    ui::SetToolkit(std::make_unique<ui::ScriptedToolkit>());
    InstallProgramResources();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zem;
    using namespace zem::fuzz;
    FuzzedDataProvider input(data, size);
    const std::string folder = test::MakeTestFolder("run");
    fs::create_directories(folder + "/kb");
    const bool again = input.ConsumeBool();
    std::string account;
    bool oneRowEach = true;
    {
        YNoteFixture fixture(
            folder + "/ynote", "account",
            input.ConsumeBool() ? test::YNoteKeys::kPrimaryKeys : test::YNoteKeys::kNone);
        try {
            BuildAccount(input, fixture, oneRowEach);
        } catch (const std::exception&) {
            // A row the account's keys refuse (a repeated id) ends the account there.
        }
        fixture.Close();
        account = fixture.DatabasePath();
    }
    ImportAndAudit(Engine(), folder, account, oneRowEach);
    if (again)
        ImportAndAudit(Engine(), folder, account, false);
    return 0;
}
