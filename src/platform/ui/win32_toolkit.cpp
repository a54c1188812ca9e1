#include "platform/ui/win32_toolkit.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/code_pages.h"
#include "platform/system_info.h"
#include "platform/ui/dialog.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/standard_streams.h"
#include "platform/ui/toolkit.h"
#include "platform/ui/win32_dialog_template.h"
#include "platform/ui/win32_text.h"
#include "platform/ui/window_toolkit.h"

// The Windows headers come after the layer's own, whose constants they define as macros.
#include "platform/ui/win32_icons.h"
#include "platform/ui/win32_windows.h"

namespace zem::ui {

namespace {

// Posted to a dialog once it is on the screen, so that its first painting comes before
// the hook looks at it.
constexpr UINT kShownMessage = WM_APP + 1;

std::function<void(HWND)>& FirstDialogShownHook() {
    static std::function<void(HWND)> hook;
    return hook;
}

// Texts may name files whose bytes are not UTF-8; the window shows them readably.
Text Shown(const Text& text) {
    return ReadableText(text);
}

bool IsIconStatic(const Window& window) {
    return window.ClassName() == kStaticClass && (window.Style() & SS_TYPEMASK) == SS_ICON;
}

// One running dialog as a native window. Every model change is mirrored on its control;
// every user action goes to the model, whose end the modal loop watches for. The window
// and the icons it shows belong to this object.
class NativeDialog : public WindowView {
  public:
    NativeDialog(Dialog& dialog, HWND owner) : dialog_(dialog), owner_(owner) {}

    ~NativeDialog() override {
        dialog_.GetWindow()->SetView(nullptr);
        if (hwnd_)
            DestroyWindow(hwnd_);
        for (HICON icon : icons_)
            DestroyIcon(icon);
    }

    NativeDialog(const NativeDialog&) = delete;
    NativeDialog& operator=(const NativeDialog&) = delete;

    // The window exists and the model's InitDialog has run (it may have ended the dialog).
    bool Create() {
        const DialogTemplate& t = *dialog_.Template();
        // Shown by Show once placed, and not at all when initialisation ends the dialog.
        const std::vector<uint16_t> words =
            BuildDialogTemplate(*dialog_.GetWindow(), t, t.style & ~WS_VISIBLE, t.exStyle);
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                   reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner_,
                                   &NativeDialog::Procedure, reinterpret_cast<LPARAM>(this));
        return hwnd_ != nullptr;
    }

    void Show(bool announce) {
        ShowWindow(hwnd_, SW_SHOW);
        SetForegroundWindow(hwnd_);
        if (announce)
            PostMessageW(hwnd_, kShownMessage, 0, 0);
    }

    HWND Handle() const { return hwnd_; }
    HWND Owner() const { return owner_; }
    Dialog& Model() { return dialog_; }

    void TextChanged(Window& window) override {
        if (&window == dialog_.GetWindow()) {
            SetWindowTextW(hwnd_, Wide(Shown(window.GetText())));
            return;
        }
        HWND native = Native(window);
        if (!native || IsIconStatic(window))
            return;
        SetWindowTextW(native, Wide(Shown(window.GetText())));
        // A path longer than the box shows its end, where the file's name is.
        if (window.ClassName() == kEditClass) {
            const int length = GetWindowTextLengthW(native);
            SendMessageW(native, EM_SETSEL, length, length);
            SendMessageW(native, EM_SCROLLCARET, 0, 0);
        }
    }

    void EnabledChanged(Window& window) override {
        if (HWND native = Native(window))
            EnableWindow(native, window.IsEnabled());
    }

    void ProgressRangeChanged(Window& window) override { ProgressPositionChanged(window); }

    void ProgressPositionChanged(Window& window) override {
        HWND native = Native(window);
        if (!native || window.ClassName() != kProgressClass)
            return;
        SendMessageW(native, PBM_SETRANGE32, static_cast<WPARAM>(window.RangeLow()),
                     static_cast<LPARAM>(window.RangeHigh()));
        SendMessageW(native, PBM_SETPOS, static_cast<WPARAM>(window.Position()), 0);
    }

  private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            auto* self = reinterpret_cast<NativeDialog*>(lParam);
            SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
            self->hwnd_ = hwnd;
            return self->OnInitDialog();
        }
        auto* self = reinterpret_cast<NativeDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
        return self ? self->OnMessage(message, wParam, lParam) : FALSE;
    }

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_COMMAND:
                // Buttons report clicks; Enter and Escape arrive without a control.
                if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
                    OnCommand(static_cast<int16_t>(LOWORD(wParam)));
                    return TRUE;
                }
                return FALSE;
            case WM_CLOSE:
                dialog_.SendSysCommand(SC_CLOSE);
                return TRUE;
            case WM_SYSCOMMAND:
                // The system's own commands start at 0xF000; below are the program's items.
                if ((wParam & 0xFFF0) < 0xF000) {
                    dialog_.SendSysCommand(static_cast<uint32_t>(wParam));
                    return TRUE;
                }
                return FALSE;
            case WM_QUERYDRAGICON:
                return reinterpret_cast<INT_PTR>(bigIcon_);
            case kShownMessage:
                RedrawWindow(hwnd_, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                if (auto hook = std::exchange(FirstDialogShownHook(), nullptr))
                    hook(hwnd_);
                return TRUE;
            default:
                return FALSE;
        }
    }

    BOOL OnInitDialog() {
        MapControls();
        Window& root = *dialog_.GetWindow();
        for (const auto& child : root.Children()) {
            if (IsIconStatic(*child))
                ShowIcon(*child);
            else
                ProgressPositionChanged(*child);
        }
        root.SetView(this);
        const bool defaultFocus = dialog_.InitDialog();
        ApplySystemMenu();
        ApplyIcon();
        Place();
        return defaultFocus ? TRUE : FALSE;
    }

    // The dialog manager creates the controls in template order, each behind the one
    // before; a control that did not come into being is skipped by its id.
    void MapControls() {
        HWND native = GetWindow(hwnd_, GW_CHILD);
        for (const auto& child : dialog_.GetWindow()->Children()) {
            if (!native)
                break;
            if (GetDlgCtrlID(native) != child->Id())
                continue;
            natives_[child.get()] = native;
            native = GetWindow(native, GW_HWNDNEXT);
        }
    }

    HWND Native(const Window& window) const {
        auto found = natives_.find(&window);
        return found == natives_.end() ? nullptr : found->second;
    }

    HICON MakeIcon(const IconResource& icon, int metric) {
        HICON handle = CreateProgramIcon(icon, GetSystemMetrics(metric));
        if (handle)
            icons_.push_back(handle);
        return handle;
    }

    void ShowIcon(const Window& window) {
        HWND native = Native(window);
        const IconResource* icon = FindIconNamedBy(window.GetText());
        if (!native || !icon)
            return;
        if (HICON handle = MakeIcon(*icon, SM_CXICON))
            SendMessageW(native, STM_SETICON, reinterpret_cast<WPARAM>(handle), 0);
    }

    void ApplyIcon() {
        const IconResource* icon = dialog_.Icon();
        if (!icon)
            return;
        bigIcon_ = MakeIcon(*icon, SM_CXICON);
        HICON small = MakeIcon(*icon, SM_CXSMICON);
        SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
        SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    }

    void ApplySystemMenu() {
        if (dialog_.SystemMenu().empty())
            return;
        HMENU menu = GetSystemMenu(hwnd_, FALSE);
        if (!menu)
            return;
        for (const MenuItem& item : dialog_.SystemMenu()) {
            if (item.separator)
                AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            else
                AppendMenuW(menu, MF_STRING, item.command, Wide(item.text));
        }
    }

    // Centred on the dialog that opened it, or on the screen's work area, and kept on it.
    void Place() {
        RECT window{}, area{};
        GetWindowRect(hwnd_, &window);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(owner_ ? owner_ : hwnd_, MONITOR_DEFAULTTOPRIMARY),
                        &monitor);
        const RECT work = monitor.rcWork;
        if (!owner_ || !GetWindowRect(owner_, &area))
            area = work;
        const LONG width = window.right - window.left, height = window.bottom - window.top;
        LONG x = area.left + (area.right - area.left - width) / 2;
        LONG y = area.top + (area.bottom - area.top - height) / 2;
        x = std::max(work.left, std::min(x, work.right - width));
        y = std::max(work.top, std::min(y, work.bottom - height));
        SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // A button is pressed as the user would press it (a disabled one does nothing); Enter
    // and Escape without such a button still mean OK and Cancel.
    void OnCommand(int id) {
        const Window* control = dialog_.GetDlgItem(id);
        if (control && control->ClassName() == kButtonClass)
            dialog_.ClickButton(id);
        else if (id == IDOK || id == IDCANCEL)
            dialog_.ExecuteCommand(id);
    }

    Dialog& dialog_;
    HWND owner_;
    HWND hwnd_ = nullptr;
    HICON bigIcon_ = nullptr;
    std::map<const Window*, HWND> natives_;
    std::vector<HICON> icons_;
};

class Win32Toolkit : public Toolkit {
  public:
    explicit Win32Toolkit(bool nonInteractive) : nonInteractive_(nonInteractive) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            SetMenuFontFace(FromWide(metrics.lfMenuFont.lfFaceName));
    }

    const char* Name() const override { return "win32"; }

    void RunModal(Dialog& dialog) override {
        NativeDialog native(dialog, running_.empty() ? nullptr : running_.back()->Handle());
        running_.push_back(&native);
        if (native.Create() && !dialog.IsEnded())
            RunLoop(native);
        running_.pop_back();
    }

    int MessageBox(Dialog* owner, const Text& text, const Text& caption, uint32_t type) override {
        if (nonInteractive_) {
            WriteMessageBoxText(text, caption);
            return DefaultMessageBoxResult(type);
        }
        const Text shownCaption = Shown(caption);
        const int result = MessageBoxW(WindowOf(owner ? owner : GetMainWindow()), Wide(Shown(text)),
                                       caption.empty() ? nullptr : Wide(shownCaption), type);
        return result ? result : DefaultMessageBoxResult(type);
    }

    bool GetOpenFileName(OpenFileRequest& request) override {
        // The list the dialog wants: description and pattern, each ended by a null
        // character, the whole ended by one more.
        Text filter;
        for (const auto& [description, pattern] : ParseFileFilter(request.filter))
            filter += description + u'\0' + pattern + u'\0';
        filter += u'\0';
        Text folder = request.initialFolder;
        for (char16_t& c : folder)
            if (c == u'/')
                c = u'\\';
        constexpr size_t kPathChars = 32768;  // the longest path Windows has
        std::vector<wchar_t> path(kPathChars, 0);
        const Text initial = request.fileName.substr(0, kPathChars - 1);
        std::copy(initial.begin(), initial.end(), path.begin());

        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = WindowOf(request.owner);
        dialog.lpstrFilter = filter.size() > 1 ? Wide(filter) : nullptr;
        dialog.nFilterIndex = 1;
        dialog.lpstrFile = path.data();
        dialog.nMaxFile = static_cast<DWORD>(path.size());
        dialog.lpstrInitialDir = folder.empty() ? nullptr : Wide(folder);
        dialog.lpstrDefExt =
            request.defaultExtension.empty() ? nullptr : Wide(request.defaultExtension);
        dialog.Flags = request.flags;
        if (!GetOpenFileNameW(&dialog))
            return false;
        request.fileName = FromWide(path.data());
        return true;
    }

    // What waits in the thread's queue is handled now; a quit request is left for the loop
    // that owns it.
    void Pump() override {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(message.wParam));
                break;
            }
            Deliver(message);
        }
    }

    void WriteOutput(const Text& line) override { WriteStandardOutput(line + u"\n"); }

  private:
    void RunLoop(NativeDialog& native) {
        Dialog& dialog = native.Model();
        if (native.Owner())
            EnableWindow(native.Owner(), FALSE);
        native.Show(static_cast<bool>(FirstDialogShownHook()));
        for (;;) {
            DispatchPostedMessages();
            if (!dialog.IsEnded() && IsQuitPending())
                dialog.EndDialog(-1);
            if (dialog.IsEnded())
                break;
            MSG message;
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got <= 0) {
                // WM_QUIT belongs to the loop outside this one.
                if (got == 0)
                    ::PostQuitMessage(static_cast<int>(message.wParam));
                dialog.EndDialog(-1);
                break;
            }
            Deliver(message);
        }
        // The owner comes back before this window goes, so that it is the one activated.
        if (native.Owner())
            EnableWindow(native.Owner(), TRUE);
        ShowWindow(native.Handle(), SW_HIDE);
    }

    // Keys such as Tab, Enter and Escape are the running dialog's before anyone else's.
    void Deliver(MSG& message) {
        HWND dialog = running_.empty() ? nullptr : running_.back()->Handle();
        if (dialog && IsDialogMessageW(dialog, &message))
            return;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    // The window of a running dialog; the topmost running one when `dialog` is not.
    HWND WindowOf(Dialog* dialog) const {
        for (NativeDialog* native : running_)
            if (&native->Model() == dialog)
                return native->Handle();
        return running_.empty() ? nullptr : running_.back()->Handle();
    }

    bool nonInteractive_;
    std::vector<NativeDialog*> running_;
};

}  // namespace

void SetFirstDialogShownHook(std::function<void(HWND__*)> hook) {
    FirstDialogShownHook() = std::move(hook);
}

std::unique_ptr<Toolkit> CreateWindowToolkit(bool nonInteractive) {
    // Every class group the common controls have, the progress bar's among them.
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
    if (!InitCommonControlsEx(&classes)) {
        // Common controls before version 6 know no ICC_STANDARD_CLASSES.
        classes.dwICC = ICC_WIN95_CLASSES;
        InitCommonControlsEx(&classes);
    }
    return std::make_unique<Win32Toolkit>(nonInteractive);
}

}  // namespace zem::ui
