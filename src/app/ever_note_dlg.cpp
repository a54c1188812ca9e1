#include "app/ever_note_dlg.h"

#include "app/about_dlg.h"
#include "app/resource_ids.h"
#include "config/translations.h"
#include "config/user_messages.h"
#include "host/data_store.h"
#include "platform/files.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/toolkit.h"
#include "util/text_helpers.h"

namespace zem {

namespace {

ComPtr<IZemKMDatabase> TakeReference(IZemKMDatabase* database) {
    ComPtr<IZemKMDatabase> held;
    held.Assign(database);
    return held;
}

// The host's per-user files, asked for in this order: settings, then log.
struct HostFilePaths {
    Text settings = GetSettingsFilePath();
    Text log = GetLogFilePath();
};

const HostFilePaths& HostFiles() {
    static const HostFilePaths paths;
    return paths;
}

}  // namespace

CZemEverNoteDlg::CZemEverNoteDlg(IZemKMDatabase* database, const Text& appPath)
    : ui::Dialog(IDD_ZEMYNOTE_DIALOG),
      database_(TakeReference(database)),
      coreDll_(appPath),
      toolsDll_(HostFiles().log.c_str(), HostFiles().settings.c_str(), appPath.c_str()) {
    InstallProgramResources();
    icon_ = ui::FindIcon(IDR_MAINFRAME);
    OnCommandId(IDC_BUTTON_BROWSE, [this] { OnBrowse(); });
}

CZemEverNoteDlg::~CZemEverNoteDlg() = default;

ZemKMCreateSQLiteDatabaseFunc CZemEverNoteDlg::SQLiteFactory() {
    return coreDll_.createSQLiteDatabase;
}

void CZemEverNoteDlg::DoDataExchange(ui::DataExchange& exchange) {
    exchange.Control(IDC_EDIT_PATH, pathEdit_);
    exchange.Control(IDC_STATIC_STATUS, status_);
    exchange.Control(IDC_PROGRESS, progress_);
    exchange.Control(ui::IDOK, okButton_);
}

bool CZemEverNoteDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    TranslateWindow(GetTranslationTable(), *GetWindow());
    if (HasSystemMenu()) {
        Text about = TranslateResourceString(IDS_ABOUTBOX);
        if (!about.empty()) {
            AppendSystemMenuItem({true, 0, {}});
            AppendSystemMenuItem({false, IDM_ABOUTBOX, about});
        }
    }
    SetIcon(icon_, true);
    SetIcon(icon_, false);
    EnableOkForPath();
    TranslateWindow(GetTranslationTable(), *GetWindow());
    if (!autoImportPath_.empty()) {
        pathEdit_.SetText(autoImportPath_);
        EnableOkForPath();
        ui::PostCommand(*this, ui::IDOK);
    }
    return true;
}

void CZemEverNoteDlg::EnableOkForPath() {
    okButton_.Enable(pathEdit_.GetTextLength() > 0);
}

void CZemEverNoteDlg::OnBrowse() {
    ui::OpenFileRequest request;
    request.owner = nullptr;  // the main window
    request.filter = TranslateResourceString(IDS_FILE_FILTER);
    request.flags = ui::OFN_HIDEREADONLY | ui::OFN_OVERWRITEPROMPT | ui::OFN_EXPLORER;
    constexpr size_t kFolderBufferChars = 1024;
    request.initialFolder = (GetLocalAppDataFolder() + ToNativeSeparators(u"YNote/Data"))
                                .substr(0, kFolderBufferChars - 1);
    if (!ui::GetOpenFileName(request))
        return;
    pathEdit_.SetText(request.fileName);
    EnableOkForPath();
}

void CZemEverNoteDlg::OnOK() {
    // The run pumps messages, so OK can arrive again while it walks; one run at a time.
    if (importing_)
        return;
    importing_ = true;
    cancelRequested_ = false;
    lastOutcome_ = RunYNoteImport(*this);
    importing_ = false;
    switch (lastOutcome_) {
        case ImportOutcome::kCompleted:
        case ImportOutcome::kCompletedWithGaps:
            EndDialog(ui::IDOK);  // already ended by the run; kept for safety
            break;
        case ImportOutcome::kCancelled:
            EndDialog(ui::IDCANCEL);
            break;
        case ImportOutcome::kStopped:
        case ImportOutcome::kNotRun:
            // The dialog stays open for another try, unless nobody is there to try.
            if (!autoImportPath_.empty())
                EndDialog(ui::IDCANCEL);
            break;
    }
}

void CZemEverNoteDlg::OnCancel() {
    if (importing_) {
        cancelRequested_ = true;
        return;
    }
    ui::Dialog::OnCancel();
}

void CZemEverNoteDlg::OnSysCommand(uint32_t command) {
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    ui::Dialog::OnSysCommand(command);
}

void CZemEverNoteDlg::PumpMessages() {
    ui::PumpMessages();
}

ImportAgainChoice CZemEverNoteDlg::AskImportAgain(const Text& account, int32_t documents) {
    if (importEveryNote_)
        return ImportAgainChoice::kEveryNote;
    if (!autoImportPath_.empty())
        return ImportAgainChoice::kOnlyNewAndChanged;
    const Text question =
        FormatText(TranslateResourceString(IDS_IMPORT_AGAIN), account, IntToText(documents));
    switch (AskYesNoCancel(question)) {
        case ui::IDYES_RESULT:
            return ImportAgainChoice::kOnlyNewAndChanged;
        case ui::IDNO_RESULT:
            return ImportAgainChoice::kEveryNote;
        default:
            return ImportAgainChoice::kNothing;
    }
}

void CZemEverNoteDlg::ShowRunSummary(const Text& summary) {
    if (!autoImportPath_.empty())
        ui::WriteOutput(summary);
}

}  // namespace zem
