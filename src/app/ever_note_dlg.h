// The import dialog: the program's only window. The user picks the YNote account database
// with Browse and starts the import with OK; the OK handler is the import run.
//
// Owns, for its lifetime: a reference on the host database, the engine library (for its
// SQLite factory) and the tools library, built in that order and destroyed in reverse. It is
// the import driver's surface while a run goes on. During a run, Cancel or the close box
// asks the run to stop after the current note instead of ending the dialog, and a second OK
// does nothing. User-interface thread only.
#pragma once

#include "host/component_loading.h"
#include "import/import_driver.h"
#include "platform/ui/dialog.h"

namespace zem {

class CZemEverNoteDlg : public ui::Dialog, public ImportDialogSurface {
  public:
    CZemEverNoteDlg(IZemKMDatabase* database, const Text& appPath);
    ~CZemEverNoteDlg() override;

    // Non-interactive use: once the dialog is up, `path` is put in the path field as Browse
    // would put it and OK is pressed; a run that does not complete then ends the dialog.
    void SetAutoImportPath(const Text& path) { autoImportPath_ = path; }
    // An account imported before is imported whole again, as new documents, without asking.
    // Otherwise a non-interactive run imports only its new and changed notes, and an
    // interactive one asks.
    void SetImportEveryNote(bool everyNote) { importEveryNote_ = everyNote; }
    // How the last run ended (kNotRun when none ran).
    ImportOutcome LastOutcome() const { return lastOutcome_; }
    bool IsImporting() const { return importing_; }

    // ImportDialogSurface
    IZemKMDatabase* HostDatabase() override { return database_.Get(); }
    ZemKMCreateSQLiteDatabaseFunc SQLiteFactory() override;
    Text SourcePath() override { return pathEdit_.GetText(); }
    void SetStatusText(const Text& text) override { status_.SetText(text); }
    void SetProgressRange(int32_t high) override { progress_.SetRange32(0, high); }
    void SetProgressPosition(int32_t position) override { progress_.SetPos(position); }
    void PumpMessages() override;
    bool CancelRequested() override { return cancelRequested_; }
    ImportAgainChoice AskImportAgain(const Text& account, int32_t documents) override;
    void ShowRunSummary(const Text& summary) override;
    void EndWithOk() override { EndDialog(ui::IDOK); }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    void OnOK() override;
    void OnCancel() override;
    void OnSysCommand(uint32_t command) override;

  private:
    void OnBrowse();
    void EnableOkForPath();

    ComPtr<IZemKMDatabase> database_;
    CZemKMCoreDll coreDll_;
    CZemToolsDll toolsDll_;
    const ui::IconResource* icon_ = nullptr;
    ui::Control pathEdit_;
    ui::Control status_;
    ui::ProgressBar progress_;
    ui::Control okButton_;

    Text autoImportPath_;
    bool importEveryNote_ = false;
    bool importing_ = false;
    bool cancelRequested_ = false;
    ImportOutcome lastOutcome_ = ImportOutcome::kNotRun;
};

}  // namespace zem
