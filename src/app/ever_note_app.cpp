#include "app/ever_note_app.h"

#include "app/ever_note_dlg.h"
#include "app/program_version.h"
#include "app/resource_ids.h"
#include "config/command_line.h"
#include "config/global.h"
#include "config/translations.h"
#include "config/user_messages.h"
#include "host/component_loading.h"
#include "platform/com.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "platform/ui/toolkit.h"
#include "util/paths.h"
#include "util/text_helpers.h"

namespace zem {

namespace {

// The chosen toolkit is closed when start-up returns, while the process is still whole.
struct ToolkitSession {
    ~ToolkitSession() { ui::SetToolkit(nullptr); }
};

// The system's default caption, in the user's language once translations are loaded.
void ShowStartupError(const Text& text) {
    Text caption;
    Translate(GetTranslationTable(), u"Error", caption);
    ui::MessageBox(nullptr, text, caption, ui::MB_OK | ui::MB_ICONERROR);
}

// Scripts tell a run whose every note arrived whole from one that completed with skipped
// notes or losses, though both end with "Import completed".
int ExitStatusOf(ImportOutcome outcome) {
    switch (outcome) {
        case ImportOutcome::kCompleted:
            return kExitCompleted;
        case ImportOutcome::kCompletedWithGaps:
            return kExitCompletedWithGaps;
        case ImportOutcome::kNotRun:
        case ImportOutcome::kStopped:
        case ImportOutcome::kCancelled:
            break;
    }
    return kExitStoppedOrCancelled;
}

// The host folder as given: "/AppPath=", else the registry value "AppPath". The host folder
// is used again after loading a library has moved the current directory (the tools library is
// loaded from it by the dialog), so a relative one is made absolute now. Its closing
// separator, or the lack of one, stays as given.
Text FindAppPath(const std::vector<Text>& arguments, const Text& startFolder) {
    Text appPath = GetCommandLineParam(arguments, u"AppPath");
    if (appPath.empty())
        appPath = ReadRegistryText(GetProductRegistryKey(), u"AppPath", nullptr);
    return MakeAbsolutePath(appPath, startFolder);
}

}  // namespace

CZemEverNoteApp::CZemEverNoteApp() {
    InitializeComponentModel();
}
CZemEverNoteApp::~CZemEverNoteApp() = default;

Text& AppFolder() {
    static Text folder = GetProgramFolder();
    return folder;
}

Text ToolsDllPath() {
    return AppFolder() + u"ZemTools.dll";
}

bool CZemEverNoteApp::InitInstance() {
    exitStatus_ = kExitStartupFailed;
    const std::vector<Text> arguments = GetCommandLineArguments();
    if (IsHelpRequest(arguments)) {
        ui::WriteOutput(CommandLineHelpText());
        exitStatus_ = kExitCompleted;
        return false;
    }
    const Text startFolder = GetCurrentDirectory();
    if (IsVersionRequest(arguments)) {
        // The engine start-up would load: the host folder's, else the one beside the program
        // (where the loader finds a bare library name first).
        const Text appPath = FindAppPath(arguments, startFolder);
        ui::WriteOutput(
            VersionReport((appPath.empty() ? GetProgramFolder() : appPath) + u"ZemKMCore.dll"));
        exitStatus_ = kExitCompleted;
        return false;
    }
    InstallProgramResources();
    // The open-file dialog gives full paths; relative paths on the command line mean paths
    // relative to where the program was started (loading the host libraries changes the
    // directory).
    const Text importPath =
        MakeAbsolutePath(GetCommandLineParam(arguments, u"Import"), startFolder);
    ui::ChooseToolkit(HasCommandLineSwitch(arguments, u"Console"), !importPath.empty());
    ToolkitSession toolkitSession;

    const Text appPath = FindAppPath(arguments, startFolder);
    if (!appPath.empty() && PathExists(appPath)) {
        AppFolder() = appPath;
        AddTrailingSeparator(AppFolder());
    }
    if (!PathExists(ToolsDllPath())) {
        ShowStartupError(u"Can not find ZemTools.dll");
        return false;
    }

    LoadTranslations();
    const Text databasePath =
        MakeAbsolutePath(GetCommandLineParam(arguments, u"DatabasePath"), startFolder);

    // The engine path is the AppPath text as given, with no separator added.
    ComPtr<IUnknown> created = ComPtr<IUnknown>::Attach(
        CreateHostObject(appPath + u"ZemKMCore.dll", CLSID_ZemKMDatabase, IZemKMDatabase::kIID));
    auto database = ComPtr<IZemKMDatabase>::QueryFrom(created.Get());
    created.Reset();
    if (!database) {
        Text message;
        Translate(GetTranslationTable(), u"Can not create database object", message);
        ShowStartupError(message);
        return false;
    }

    if (!databasePath.empty()) {
        ScopedBstr error;
        HRESULT hr = database->OpenEx(databasePath.c_str(), kOpenExFixedText, 0, error.Out());
        if (Failed(hr)) {
            GetGlobal().WriteLog(u"Failed to open knowledge base: " + databasePath + u", " +
                                 error.ToText());
            // Another program holding the knowledge base is no fault of it: it only has to be
            // closed there first.
            if (hr == ZEM_E_KNOWLEDGE_BASE_BUSY)
                ShowStartupError(
                    TranslateResourceStringArg(IDS_KNOWLEDGE_BASE_IN_USE, databasePath));
            else if (!error.ToText().empty())
                ShowStartupError(error.ToText());
            return false;
        }
    } else if (HRESULT hr = database->Open(u""); hr != S_OK) {
        GetGlobal().WriteLog(u"Failed to open the default knowledge base: " +
                             Int64ToText(static_cast<int64_t>(hr)));
        return false;
    }

    {
        CZemEverNoteDlg dialog(database.Get(), appPath);
        dialog.SetAutoImportPath(importPath);
        dialog.SetImportEveryNote(HasCommandLineSwitch(arguments, u"ImportAll"));
        ui::SetMainWindow(&dialog);
        dialog.DoModal();
        ui::SetMainWindow(nullptr);
        exitStatus_ = ExitStatusOf(dialog.LastOutcome());
    }
    return false;
}

}  // namespace zem
