#include "platform/ui/console_toolkit.h"

#include <chrono>
#include <string>
#include <vector>

#include "platform/ui/dialog.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/standard_streams.h"
#include "platform/ui/terminal.h"

namespace zem::ui {

namespace {

// Ctrl+C presses Cancel for as long as the outermost console dialog runs.
class InterruptWatch {
  public:
    InterruptWatch() { StartWatchingInterrupts(); }
    ~InterruptWatch() { StopWatchingInterrupts(); }
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
};

// A typed path that does not start at a root or a drive is taken inside the initial folder.
#ifdef _WIN32
constexpr char16_t kSeparator = u'\\';
bool IsRooted(const Text& path) {
    return path[0] == u'/' || path[0] == u'\\' ||
           (path.size() > 1 && path[1] == u':' && IsAsciiLetter(path[0]));
}
#else
constexpr char16_t kSeparator = u'/';
bool IsRooted(const Text& path) {
    return path[0] == u'/';
}
#endif

Text Trim(const Text& text) {
    size_t first = text.find_first_not_of(u" \t");
    if (first == Text::npos)
        return Text();
    size_t last = text.find_last_not_of(u" \t");
    return text.substr(first, last - first + 1);
}

// "&About" is shown as "About"; "&&" as "&".
Text WithoutMnemonic(const Text& text) {
    Text shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

Text Number(int64_t value) {
    return FromUtf8(std::to_string(value));
}

bool IsClass(const Window& window, const char16_t* name) {
    return window.ClassName() == name;
}

class ConsoleToolkit : public Toolkit, public WindowView {
  public:
    explicit ConsoleToolkit(bool nonInteractive) : nonInteractive_(nonInteractive) {
        stderrIsTerminal_ = StandardErrorIsTerminal();
    }

    const char* Name() const override { return "console"; }

    void RunModal(Dialog& dialog) override {
        std::unique_ptr<InterruptWatch> watch;
        if (stack_.empty())
            watch = std::make_unique<InterruptWatch>();
        stack_.push_back({&dialog, false});
        dialog.GetWindow()->SetView(this);
        dialog.InitDialog();
        if (!dialog.IsEnded())
            PrintDialog(dialog);
        stack_.back().shown = true;
        while (!dialog.IsEnded()) {
            DispatchPostedMessages();
            if (dialog.IsEnded())
                break;
            if (IsQuitPending()) {
                dialog.EndDialog(-1);
                break;
            }
            if (TakeInterrupt()) {
                PressCancel(dialog);
                continue;
            }
            Prompt(dialog);
        }
        EndProgressLine();
        dialog.GetWindow()->SetView(nullptr);
        stack_.pop_back();
    }

    int MessageBox(Dialog*, const Text& text, const Text& caption, uint32_t type) override {
        EndProgressLine();
        WriteMessageBoxText(text, caption);
        if (MessageBoxButtons(type).size() > 1)
            return nonInteractive_ ? DefaultMessageBoxResult(type) : AskYesNoCancel();
        if (!nonInteractive_ && StandardInputIsTerminal()) {
            WriteStandardOutput(u"(Enter) ");
            Text ignored;
            ReadStandardInputLine(ignored);
        }
        return IDOK_RESULT;
    }

    bool GetOpenFileName(OpenFileRequest& request) override {
        EndProgressLine();
        for (const auto& [description, pattern] : ParseFileFilter(request.filter))
            WriteStandardOutput(description + u"\n");
        if (!request.initialFolder.empty())
            WriteStandardOutput(u"Folder: " + request.initialFolder + u"\n");
        WriteStandardOutput(u"Path (empty to cancel): ");
        Text line;
        if (ReadStandardInputLine(line) != ReadResult::kLine) {
            WriteStandardOutput(u"\n");
            return false;
        }
        Text path = Trim(line);
        if (path.empty())
            return false;
        if (!IsRooted(path) && !request.initialFolder.empty()) {
            Text folder = request.initialFolder;
            if (folder.back() != u'/' && folder.back() != u'\\')
                folder += kSeparator;
            path = folder + path;
        }
        request.fileName = path;
        return true;
    }

    void Pump() override {
        if (TakeInterrupt() && !stack_.empty())
            PressCancel(*stack_.back().dialog);
        if (lineBehind_)
            DrawProgressLine();
    }

    void WriteOutput(const Text& line) override {
        EndProgressLine();
        WriteStandardOutput(line + u"\n");
    }

    void TextChanged(Window& window) override {
        if (!Shown(window))
            return;
        if (IsClass(window, kEditClass)) {
            EndProgressLine();
            WriteStandardOutput(u"  [" + window.GetText() + u"]\n");
        } else if (IsClass(window, kStaticClass)) {
            status_ = window.GetText();
            if (stderrIsTerminal_)
                DrawProgressLine();
        }
    }

    void EnabledChanged(Window&) override {}

    void ProgressRangeChanged(Window& window) override { ProgressPositionChanged(window); }

    void ProgressPositionChanged(Window& window) override {
        if (!Shown(window))
            return;
        const bool newRange = low_ != window.RangeLow() || high_ != window.RangeHigh();
        low_ = window.RangeLow();
        high_ = window.RangeHigh();
        position_ = window.Position();
        DrawProgressLine(newRange);
    }

  private:
    // Asks on the terminal until the answer is one of the three; the end of the input or
    // Ctrl+C is Cancel, as Escape is in a window.
    int AskYesNoCancel() {
        for (;;) {
            WriteStandardOutput(u"Yes (y), No (n) or Cancel (c)? ");
            Text line;
            if (ReadStandardInputLine(line) != ReadResult::kLine) {
                WriteStandardOutput(u"\n");
                return IDCANCEL_RESULT;
            }
            const Text answer = Trim(line);
            if (answer == u"y" || answer == u"Y")
                return IDYES_RESULT;
            if (answer == u"n" || answer == u"N")
                return IDNO_RESULT;
            if (answer == u"c" || answer == u"C")
                return IDCANCEL_RESULT;
        }
    }

    struct Running {
        Dialog* dialog;
        bool shown;
    };

    bool Shown(const Window& window) const {
        const Window* root = &window;
        while (root->Parent())
            root = root->Parent();
        for (const Running& running : stack_)
            if (running.dialog->GetWindow() == root)
                return running.shown;
        return false;
    }

    static void PressCancel(Dialog& dialog) {
        if (!dialog.ClickButton(IDCANCEL))
            dialog.SendSysCommand(SC_CLOSE);
    }

    void PrintDialog(Dialog& dialog) {
        EndProgressLine();
        Window& root = *dialog.GetWindow();
        WriteStandardOutput(u"== " + root.GetText() + u" ==\n");
        for (const auto& child : root.Children()) {
            if (IsClass(*child, kEditClass)) {
                WriteStandardOutput(u"  [" + child->GetText() + u"]\n");
            } else if (IsClass(*child, kStaticClass) && (child->Style() & SS_TYPEMASK) != SS_ICON &&
                       !child->GetText().empty()) {
                WriteStandardOutput(child->GetText() + u"\n");
            }
        }
    }

    // The enabled buttons in creation order, then the system menu's items.
    void Prompt(Dialog& dialog) {
        struct Choice {
            int button;
            uint32_t command;
        };
        std::vector<Choice> choices;
        Text line;
        for (const auto& child : dialog.GetWindow()->Children()) {
            if (!IsClass(*child, kButtonClass))
                continue;
            if (!child->IsEnabled())
                continue;
            choices.push_back({child->Id(), 0});
            line += Number(choices.size()) + u") " + WithoutMnemonic(child->GetText()) + u"  ";
        }
        for (const MenuItem& item : dialog.SystemMenu()) {
            if (item.separator)
                continue;
            choices.push_back({0, item.command});
            line += Number(choices.size()) + u") " + WithoutMnemonic(item.text) + u"  ";
        }
        EndProgressLine();
        WriteStandardOutput(line + u"\n> ");
        Text answer;
        ReadResult read = ReadStandardInputLine(answer);
        if (read == ReadResult::kInterrupted) {
            WriteStandardOutput(u"\n");
            return;
        }
        if (read == ReadResult::kEnd) {
            WriteStandardOutput(u"\n");
            dialog.SendSysCommand(SC_CLOSE);
            if (!dialog.IsEnded())
                dialog.EndDialog(IDCANCEL);
            return;
        }
        std::string digits = ToUtf8(Trim(answer));
        size_t index = 0;
        for (char c : digits) {
            if (c < '0' || c > '9' || index > 1000) {
                index = 0;
                break;
            }
            index = index * 10 + static_cast<size_t>(c - '0');
        }
        if (index < 1 || index > choices.size())
            return;
        const Choice& choice = choices[index - 1];
        if (choice.button)
            dialog.ClickButton(choice.button);
        else
            dialog.SendSysCommand(choice.command);
    }

    // Drawn again when the whole percentage changes, when the bar reaches its end, and
    // otherwise at most every kRedrawInterval on a terminal (never elsewhere): drawing it
    // for every note would cost a write, and a wake-up of whoever reads the stream, per
    // note, and fill a log with thousands of lines. A change left undrawn is drawn by a
    // later pump once the interval has passed.
    void DrawProgressLine(bool force = false) {
        constexpr int kBarWidth = 24;
        constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
        const int64_t span = static_cast<int64_t>(high_) - low_;
        const int64_t done = static_cast<int64_t>(position_) - low_;
        const int64_t percent = span > 0 ? done * 100 / span : 0;
        const auto now = std::chrono::steady_clock::now();
        const bool changed = percent != drawnPercent_ || (done >= span && done != drawnDone_);
        if (!force && !changed && !(stderrIsTerminal_ && now - drawnAt_ >= kRedrawInterval)) {
            lineBehind_ = stderrIsTerminal_;
            return;
        }
        lineBehind_ = false;
        drawnPercent_ = percent;
        drawnDone_ = done;
        drawnAt_ = now;
        const int filled = span > 0 ? static_cast<int>(done * kBarWidth / span) : 0;
        Text bar = u"[" + Text(filled, u'#') + Text(kBarWidth - filled, u'.') + u"] " +
                   Number(done) + u"/" + Number(span);
        Text status = status_.size() > 48 ? status_.substr(0, 47) + u"…" : status_;
        if (stderrIsTerminal_) {
            WriteStandardError(u"\r\x1b[K" + bar + u" " + status);
            progressLineOpen_ = true;
        } else {
            WriteStandardError(bar + u" " + status + u"\n");
        }
    }

    void EndProgressLine() {
        if (!progressLineOpen_)
            return;
        progressLineOpen_ = false;
        WriteStandardError(u"\n");
    }

    bool nonInteractive_;
    bool stderrIsTerminal_ = false;
    bool progressLineOpen_ = false;
    std::vector<Running> stack_;
    Text status_;
    int32_t low_ = 0, high_ = 0, position_ = 0;
    int64_t drawnPercent_ = -1, drawnDone_ = -1;
    std::chrono::steady_clock::time_point drawnAt_{};
    bool lineBehind_ = false;  // the terminal shows an older line than the last change
};

}  // namespace

std::unique_ptr<Toolkit> CreateConsoleToolkit(bool nonInteractive) {
    return std::make_unique<ConsoleToolkit>(nonInteractive);
}

}  // namespace zem::ui
