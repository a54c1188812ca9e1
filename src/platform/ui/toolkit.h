// The services a window toolkit gives the program: showing a dialog modally, message boxes,
// the open-file dialog, pumping messages and printing. One toolkit is current per process
// (wx, win32 or console; tests install a scripted one of their own, tests/support); it is chosen
// at start-up and used from the user-interface thread only. Until one is chosen, a console
// toolkit that never waits for input is used, so library code and tests that show messages
// never block.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace zem::ui {

class Dialog;
class Window;

// Message-box styles and results (Windows values).
constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_YESNOCANCEL = 0x3;
constexpr uint32_t MB_ICONERROR = 0x10;
constexpr uint32_t MB_ICONQUESTION = 0x20;
constexpr uint32_t MB_ICONINFORMATION = 0x40;
constexpr uint32_t MB_DEFBUTTON2 = 0x100;
constexpr uint32_t MB_DEFBUTTON3 = 0x200;
constexpr int IDOK_RESULT = 1;
constexpr int IDCANCEL_RESULT = 2;
constexpr int IDYES_RESULT = 6;
constexpr int IDNO_RESULT = 7;

// The results of a message box's buttons in their order: OK alone, or Yes, No and Cancel.
std::vector<int> MessageBoxButtons(uint32_t type);
// The result of the default button (the first unless MB_DEFBUTTON2/3 says otherwise): what
// a message box gives when nobody is there to answer it.
int DefaultMessageBoxResult(uint32_t type);

// Open-file dialog options (Windows values).
constexpr uint32_t OFN_OVERWRITEPROMPT = 0x2;
constexpr uint32_t OFN_HIDEREADONLY = 0x4;
constexpr uint32_t OFN_EXPLORER = 0x80000;
constexpr uint32_t OFN_FILEMUSTEXIST = 0x1000;

struct OpenFileRequest {
    Dialog* owner = nullptr;  // null: the main window
    Text filter;              // "description|pattern|description|pattern|"
    Text initialFolder;
    Text defaultExtension;
    Text fileName;  // initial name; the chosen full path on success
    uint32_t flags = 0;
};

// The pairs of a filter in the "description|pattern|" form, in order. A trailing
// description without a pattern is dropped.
std::vector<std::pair<Text, Text>> ParseFileFilter(const Text& filter);

class Toolkit {
  public:
    virtual ~Toolkit() = default;
    // Shows the dialog's windows, calls its InitDialog, and runs until it has ended.
    virtual void RunModal(Dialog& dialog) = 0;
    // `type` is MB_* flags; an empty caption means the system's ("Error").
    virtual int MessageBox(Dialog* owner, const Text& text, const Text& caption, uint32_t type) = 0;
    // True when the user chose a file; its full path is then in request.fileName.
    virtual bool GetOpenFileName(OpenFileRequest& request) = 0;
    // Lets the windows process what is waiting, without blocking.
    virtual void Pump() = 0;
    // A line of text for the person running the program (standard output).
    virtual void WriteOutput(const Text& line) = 0;
    // The display name of the toolkit ("wx", "win32", "console", "scripted").
    virtual const char* Name() const = 0;
};

// The current toolkit (the non-waiting console one until another is set).
Toolkit& CurrentToolkit();
// Makes `toolkit` current and returns the previous one (null when the default was used).
std::unique_ptr<Toolkit> SetToolkit(std::unique_ptr<Toolkit> toolkit);

// Start-up's choice: the edition's window toolkit when it can show a window (on Linux, wx
// when DISPLAY or WAYLAND_DISPLAY is set and it starts; on Windows, always), else the
// console, connected to a console window first. `nonInteractive` makes message boxes print
// instead of waiting.
void ChooseToolkit(bool forceConsole, bool nonInteractive);

// The application's main window: the owner of message boxes without one.
void SetMainWindow(Dialog* dialog);
Dialog* GetMainWindow();

int MessageBox(Dialog* owner, const Text& text, const Text& caption, uint32_t type);
bool GetOpenFileName(OpenFileRequest& request);
void WriteOutput(const Text& line);

}  // namespace zem::ui
