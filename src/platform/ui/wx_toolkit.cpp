#include "platform/ui/wx_toolkit.h"

#include <wx/filedlg.h>
#include <wx/gauge.h>
#include <wx/iconbndl.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/mstream.h>
#include <wx/settings.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/wx.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/code_pages.h"
#include "platform/system_info.h"
#include "platform/ui/dialog.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/standard_streams.h"
#include "platform/ui/window_toolkit.h"

namespace zem::ui {

namespace {

// Texts may name files whose bytes are not UTF-8; the window shows them readably.
wxString ToWx(const Text& text) {
    return wxString::FromUTF8(ToUtf8(ReadableText(text)));
}

Text FromWx(const wxString& text) {
    const wxScopedCharBuffer bytes = text.utf8_str();
    return FromUtf8(std::string_view(bytes.data(), bytes.length()));
}

wxImage DecodePng(const IconImage& image) {
    wxMemoryInputStream stream(image.png.data(), image.png.size());
    wxImage decoded;
    decoded.LoadFile(stream, wxBITMAP_TYPE_PNG);
    return decoded;
}

// The image of the icon closest to `size` pixels (not smaller when possible), scaled.
wxBitmap IconBitmap(const IconResource* icon, int size) {
    const IconImage* best = icon ? NearestIconImage(*icon, size) : nullptr;
    if (!best)
        return wxBitmap();
    wxImage decoded = DecodePng(*best);
    if (!decoded.IsOk())
        return wxBitmap();
    if (decoded.GetWidth() != size)
        decoded.Rescale(size, size, wxIMAGE_QUALITY_HIGH);
    return wxBitmap(decoded);
}

wxIconBundle IconBundle(const IconResource* icon) {
    wxIconBundle bundle;
    if (!icon)
        return bundle;
    for (const IconImage& image : icon->images) {
        wxImage decoded = DecodePng(image);
        if (!decoded.IsOk())
            continue;
        wxIcon native;
        native.CopyFromBitmap(wxBitmap(decoded));
        bundle.AddIcon(native);
    }
    return bundle;
}

class WxToolkit;

// One running dialog as a native window. Every model change is mirrored on its control;
// every user action goes to the model, after which the model's end (if any) ends the
// native modal loop.
class DialogWindow : public wxDialog, public WindowView {
  public:
    DialogWindow(wxWindow* parent, Dialog& dialog, const wxFont& font)
        : wxDialog(parent, wxID_ANY, ToWx(dialog.GetWindow()->GetText()), wxDefaultPosition,
                   wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
          dialog_(dialog) {
        SetFont(font);
        Window& root = *dialog.GetWindow();
        SetClientSize(ConvertDialogToPixels(wxSize(root.cx, root.cy)));
        for (const auto& child : root.Children())
            CreateControl(*child);
        Bind(wxEVT_CLOSE_WINDOW, &DialogWindow::OnClose, this);
        Bind(wxEVT_CONTEXT_MENU, &DialogWindow::OnContextMenu, this);
        root.SetView(this);
    }

    ~DialogWindow() override { dialog_.GetWindow()->SetView(nullptr); }

    // The model's state after something happened: posted commands run, and the native loop
    // ends once the model has ended.
    void Settle() {
        DispatchPostedMessages();
        if (IsQuitPending() && !dialog_.IsEnded())
            dialog_.EndDialog(-1);
        if (dialog_.IsEnded() && IsModal())
            EndModal(dialog_.Result());
    }

    void ApplyIcon() {
        if (const IconResource* icon = dialog_.Icon())
            SetIcons(IconBundle(icon));
    }

    Dialog& Model() { return dialog_; }

    void TextChanged(Window& window) override {
        if (&window == dialog_.GetWindow()) {
            SetTitle(ToWx(window.GetText()));
            return;
        }
        wxWindow* native = Native(window);
        if (auto* text = wxDynamicCast(native, wxTextCtrl)) {
            text->ChangeValue(ToWx(window.GetText()));
            text->SetInsertionPointEnd();
        } else if (auto* label = wxDynamicCast(native, wxStaticText)) {
            SetStaticText(*label, window);
        } else if (native) {
            native->SetLabel(ToWx(window.GetText()));
        }
    }

    void EnabledChanged(Window& window) override {
        if (wxWindow* native = Native(window))
            native->Enable(window.IsEnabled());
    }

    void ProgressRangeChanged(Window& window) override { ProgressPositionChanged(window); }

    void ProgressPositionChanged(Window& window) override {
        auto* gauge = wxDynamicCast(Native(window), wxGauge);
        if (!gauge)
            return;
        // wxGauge counts in int from 0; a 32-bit range that does not fit is scaled down.
        int64_t span = static_cast<int64_t>(window.RangeHigh()) - window.RangeLow();
        int64_t done = static_cast<int64_t>(window.Position()) - window.RangeLow();
        int64_t scale = span > INT_MAX ? span / INT_MAX + 1 : 1;
        gauge->SetRange(static_cast<int>(std::max<int64_t>(span / scale, 1)));
        gauge->SetValue(static_cast<int>(span > 0 ? done / scale : 0));
    }

  private:
    wxWindow* Native(Window& window) {
        auto found = natives_.find(&window);
        return found == natives_.end() ? nullptr : found->second;
    }

    static void SetStaticText(wxStaticText& label, const Window& window) {
        if (window.Style() & SS_NOPREFIX)
            label.SetLabelText(ToWx(window.GetText()));
        else
            label.SetLabel(ToWx(window.GetText()));
    }

    void CreateControl(Window& window) {
        wxPoint position = ConvertDialogToPixels(wxPoint(window.x, window.y));
        wxSize size = ConvertDialogToPixels(wxSize(window.cx, window.cy));
        const Text& kind = window.ClassName();
        wxWindow* native = nullptr;
        if (kind == kStaticClass && (window.Style() & SS_TYPEMASK) == SS_ICON) {
            const IconResource* icon = FindIconNamedBy(window.GetText());
            int pixels = FromDIP(32);
            native = new wxStaticBitmap(this, wxID_ANY, IconBitmap(icon, pixels), position,
                                        wxSize(pixels, pixels));
        } else if (kind == kStaticClass) {
            auto* label = new wxStaticText(this, wxID_ANY, wxString(), position, size,
                                           wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
            SetStaticText(*label, window);
            native = label;
        } else if (kind == kEditClass) {
            long style = (window.Style() & ES_READONLY ? wxTE_READONLY : 0) |
                         (window.Style() & WS_BORDER ? wxBORDER_SUNKEN : wxBORDER_NONE);
            native = new wxTextCtrl(this, wxID_ANY, ToWx(window.GetText()), position, size, style);
        } else if (kind == kButtonClass) {
            auto* button = new wxButton(this, wxID_ANY, ToWx(window.GetText()), position, size);
            if (window.Style() & BS_DEFPUSHBUTTON)
                button->SetDefault();
            int id = window.Id();
            button->Bind(wxEVT_BUTTON, [this, id](wxCommandEvent&) {
                dialog_.ClickButton(id);
                Settle();
            });
            native = button;
        } else if (kind == kProgressClass) {
            native =
                new wxGauge(this, wxID_ANY, 100, position, size, wxGA_HORIZONTAL | wxGA_SMOOTH);
        }
        if (!native)
            return;
        native->SetSize(position.x, position.y, size.x, size.y);
        native->Enable(window.IsEnabled());
        natives_[&window] = native;
        if (kind == kProgressClass)
            ProgressPositionChanged(window);
    }

    void OnClose(wxCloseEvent& event) {
        if (event.CanVeto())
            event.Veto();
        dialog_.SendSysCommand(SC_CLOSE);
        Settle();
    }

    // GTK windows have no system menu: its items are offered by the context menu.
    void OnContextMenu(wxContextMenuEvent&) {
        wxMenu menu;
        std::vector<uint32_t> commands;
        for (const MenuItem& item : dialog_.SystemMenu()) {
            if (item.separator) {
                if (menu.GetMenuItemCount() > 0)
                    menu.AppendSeparator();
                continue;
            }
            commands.push_back(item.command);
            menu.Append(wxID_HIGHEST + static_cast<int>(commands.size()), ToWx(item.text));
        }
        if (commands.empty())
            return;
        int chosen = GetPopupMenuSelectionFromUser(menu);
        if (chosen <= wxID_HIGHEST || chosen > wxID_HIGHEST + static_cast<int>(commands.size()))
            return;
        dialog_.SendSysCommand(commands[chosen - wxID_HIGHEST - 1]);
        Settle();
    }

    Dialog& dialog_;
    std::map<Window*, wxWindow*> natives_;
};

std::function<void(wxTopLevelWindow&)>& FirstDialogShownHook() {
    static std::function<void(wxTopLevelWindow&)> hook;
    return hook;
}

class ZemWxApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

class WxToolkit : public Toolkit {
  public:
    explicit WxToolkit(bool nonInteractive)
        : nonInteractive_(nonInteractive),
          font_(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT)) {
        SetMenuFontFace(FromWx(font_.GetFaceName()));
    }

    ~WxToolkit() override { wxEntryCleanup(); }

    const char* Name() const override { return "wx"; }

    void RunModal(Dialog& dialog) override {
        wxWindow* parent = running_.empty() ? nullptr : running_.back();
        DialogWindow window(parent, dialog, font_);
        running_.push_back(&window);
        dialog.InitDialog();
        window.ApplyIcon();
        if (!dialog.IsEnded()) {
            window.CentreOnScreen();
            window.CallAfter([&window] { window.Settle(); });
            if (auto hook = std::exchange(FirstDialogShownHook(), nullptr))
                window.CallAfter([&window, hook] { hook(window); });
            window.ShowModal();
        }
        running_.pop_back();
    }

    int MessageBox(Dialog* owner, const Text& text, const Text& caption, uint32_t type) override {
        if (nonInteractive_) {
            WriteMessageBoxText(text, caption);
            return DefaultMessageBoxResult(type);
        }
        const bool question = MessageBoxButtons(type).size() > 1;
        long style = (question ? wxYES_NO | wxCANCEL : wxOK) |
                     ((type & 0xF0) == MB_ICONERROR ? wxICON_ERROR : 0) |
                     ((type & 0xF0) == MB_ICONQUESTION ? wxICON_QUESTION : 0) |
                     ((type & 0xF0) == MB_ICONINFORMATION ? wxICON_INFORMATION : 0);
        if (question && DefaultMessageBoxResult(type) == IDNO_RESULT)
            style |= wxNO_DEFAULT;
        else if (question && DefaultMessageBoxResult(type) == IDCANCEL_RESULT)
            style |= wxCANCEL_DEFAULT;
        wxMessageDialog box(NativeOf(owner), ToWx(text),
                            caption.empty() ? wxString("Error") : ToWx(caption), style);
        switch (box.ShowModal()) {
            case wxID_YES:
                return IDYES_RESULT;
            case wxID_NO:
                return IDNO_RESULT;
            case wxID_CANCEL:
                return IDCANCEL_RESULT;
            default:
                return question ? IDCANCEL_RESULT : IDOK_RESULT;
        }
    }

    bool GetOpenFileName(OpenFileRequest& request) override {
        wxString wildcard;
        for (const auto& [description, pattern] : ParseFileFilter(request.filter)) {
            if (!wildcard.empty())
                wildcard += "|";
            wildcard += ToWx(description) + "|" + ToWx(pattern);
        }
        if (wildcard.empty())
            wildcard = wxFileSelectorDefaultWildcardStr;
        long style = wxFD_OPEN | (request.flags & OFN_FILEMUSTEXIST ? wxFD_FILE_MUST_EXIST : 0);
        wxFileDialog chooser(NativeOf(request.owner), wxFileSelectorPromptStr,
                             ToWx(request.initialFolder), ToWx(request.fileName), wildcard, style);
        if (chooser.ShowModal() != wxID_OK)
            return false;
        request.fileName = FromWx(chooser.GetPath());
        return true;
    }

    // Yielding lets GTK lay out and paint the window, which takes longer than a note's own
    // work, and a run pumps several times a note; so the window is served at most every
    // kYieldInterval, still too soon for a person to see a delay, Cancel included.
    void Pump() override {
        constexpr auto kYieldInterval = std::chrono::milliseconds(20);
        const auto now = std::chrono::steady_clock::now();
        if (!wxTheApp || now - lastYield_ < kYieldInterval)
            return;
        lastYield_ = now;
        wxTheApp->Yield(true);
    }

    void WriteOutput(const Text& line) override { WriteStandardOutput(line + u"\n"); }

  private:
    wxWindow* NativeOf(Dialog* dialog) {
        for (DialogWindow* window : running_)
            if (&window->Model() == dialog)
                return window;
        return running_.empty() ? nullptr : running_.back();
    }

    bool nonInteractive_;
    wxFont font_;
    std::vector<DialogWindow*> running_;
    std::chrono::steady_clock::time_point lastYield_{};
};

}  // namespace

void SetFirstDialogShownHook(std::function<void(wxTopLevelWindow&)> hook) {
    FirstDialogShownHook() = std::move(hook);
}

std::unique_ptr<Toolkit> CreateWxToolkit(bool nonInteractive) {
    static int argc = 1;
    static char name[] = "ZemYNote";
    static char* argv[] = {name, nullptr};
    wxApp::SetInstance(new ZemWxApp);
    if (!wxEntryStart(argc, argv))
        return nullptr;
    if (!wxTheApp->CallOnInit()) {
        wxEntryCleanup();
        return nullptr;
    }
    wxInitAllImageHandlers();
    return std::make_unique<WxToolkit>(nonInteractive);
}

std::unique_ptr<Toolkit> CreateWindowToolkit(bool nonInteractive) {
    const bool display =
        !GetEnvironmentText("DISPLAY").empty() || !GetEnvironmentText("WAYLAND_DISPLAY").empty();
    return display ? CreateWxToolkit(nonInteractive) : nullptr;
}

}  // namespace zem::ui
