// A modal dialog built from a dialog template. DoModal creates the window tree, lets the
// current toolkit show it and run its modal loop, and returns the result given to
// EndDialog; the windows exist only while DoModal runs. Derived dialogs override the hooks
// (initialisation, OK, Cancel, system commands) and register command handlers by control
// id. The toolkits deliver what the user does through ClickButton and SendSysCommand.
// User-interface thread only; a dialog must not be moved while it runs.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/ui/resource_table.h"
#include "platform/ui/window.h"

namespace zem::ui {

// System commands: the close box and the first value free for the program's own items.
constexpr uint32_t SC_CLOSE = 0xF060;

struct MenuItem {
    bool separator = false;
    uint32_t command = 0;
    Text text;  // "&" marks the mnemonic
};

// A program-side handle on one control of a running dialog. Empty (every operation does
// nothing and reads give empty values) until the dialog's data exchange attaches it, and
// again after the dialog's windows are gone.
class Control {
  public:
    Control() = default;
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    void Attach(Window* window) { window_ = window; }
    Window* GetWindow() const { return window_; }

    Text GetText() const;
    int GetTextLength() const;
    void SetText(const Text& text);
    void Enable(bool enable);
    bool IsEnabled() const;

  protected:
    Window* window_ = nullptr;
};

class ProgressBar : public Control {
  public:
    void SetRange32(int32_t low, int32_t high);
    int32_t SetPos(int32_t position);
};

class Dialog;

// Binds controls to their members when the dialog initialises.
class DataExchange {
  public:
    explicit DataExchange(Dialog& dialog) : dialog_(dialog) {}
    void Control(int id, ui::Control& control);

  private:
    Dialog& dialog_;
};

class Dialog {
  public:
    explicit Dialog(int templateId);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Shows the dialog modally; the result given to EndDialog, or -1 when the template is
    // missing.
    int DoModal();
    // Ends the modal loop with `result` once the current handler returns.
    void EndDialog(int result);

    int TemplateId() const { return templateId_; }
    bool IsRunning() const { return root_ != nullptr && !ended_; }
    bool IsEnded() const { return ended_; }
    int Result() const { return result_; }

    // The dialog's own window (class "#32770", text = caption); null outside DoModal.
    Window* GetWindow() const { return root_.get(); }
    Window* GetDlgItem(int id) const;
    const DialogTemplate* Template() const { return template_; }

    bool HasSystemMenu() const;
    void AppendSystemMenuItem(const MenuItem& item) { systemMenu_.push_back(item); }
    const std::vector<MenuItem>& SystemMenu() const { return systemMenu_; }

    void SetIcon(const IconResource* icon, bool big);
    const IconResource* Icon() const { return bigIcon_ ? bigIcon_ : smallIcon_; }

    // Called by the toolkit once the windows exist, before the dialog is shown.
    bool InitDialog();
    // What the user does. A disabled or missing button does nothing (false).
    bool ClickButton(int id);
    void SendSysCommand(uint32_t command);
    // Routes a command to its handler: registered handlers, then OK and Cancel.
    void ExecuteCommand(int id);

  protected:
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange&) {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Default: the close box cancels; other commands do nothing.
    virtual void OnSysCommand(uint32_t command);

    void OnCommandId(int id, std::function<void()> handler);

  private:
    friend class DataExchange;
    void CreateWindows();

    int templateId_;
    const DialogTemplate* template_ = nullptr;
    std::unique_ptr<Window> root_;
    std::vector<MenuItem> systemMenu_;
    std::map<int, std::function<void()>> handlers_;
    std::vector<Control*> bound_;
    const IconResource* bigIcon_ = nullptr;
    const IconResource* smallIcon_ = nullptr;
    bool ended_ = false;
    int result_ = 0;
};

}  // namespace zem::ui
