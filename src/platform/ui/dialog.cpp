#include "platform/ui/dialog.h"

#include "platform/ui/message_queue.h"
#include "platform/ui/toolkit.h"

namespace zem::ui {

Text Control::GetText() const {
    return window_ ? window_->GetText() : Text();
}

int Control::GetTextLength() const {
    return window_ ? static_cast<int>(window_->GetTextLength()) : 0;
}

void Control::SetText(const Text& text) {
    if (window_)
        window_->SetText(text);
}

void Control::Enable(bool enable) {
    if (window_)
        window_->Enable(enable);
}

bool Control::IsEnabled() const {
    return window_ && window_->IsEnabled();
}

void ProgressBar::SetRange32(int32_t low, int32_t high) {
    if (window_)
        window_->SetRange32(low, high);
}

int32_t ProgressBar::SetPos(int32_t position) {
    return window_ ? window_->SetPos(position) : 0;
}

void DataExchange::Control(int id, ui::Control& control) {
    control.Attach(dialog_.GetDlgItem(id));
    dialog_.bound_.push_back(&control);
}

Dialog::Dialog(int templateId) : templateId_(templateId) {}

Dialog::~Dialog() {
    DiscardPostedMessages(*this);
    if (GetMainWindow() == this)
        SetMainWindow(nullptr);
}

void Dialog::CreateWindows() {
    const DialogTemplate& t = *template_;
    root_ = std::make_unique<Window>(kDialogClass, 0, t.style, t.caption);
    root_->cx = t.cx;
    root_->cy = t.cy;
    for (const DialogItemTemplate& item : t.items) {
        auto child = std::make_unique<Window>(item.windowClass, item.id, item.style, item.text);
        child->x = item.x;
        child->y = item.y;
        child->cx = item.cx;
        child->cy = item.cy;
        root_->AddChild(std::move(child));
    }
}

int Dialog::DoModal() {
    template_ = FindDialogTemplate(templateId_);
    if (!template_)
        return -1;
    ended_ = false;
    result_ = 0;
    systemMenu_.clear();
    CreateWindows();
    CurrentToolkit().RunModal(*this);
    if (!ended_)
        EndDialog(-1);
    DiscardPostedMessages(*this);
    // The windows go; the controls bound to them become empty handles again.
    for (Control* control : bound_)
        control->Attach(nullptr);
    bound_.clear();
    root_.reset();
    return result_;
}

void Dialog::EndDialog(int result) {
    if (ended_)
        return;
    ended_ = true;
    result_ = result;
}

Window* Dialog::GetDlgItem(int id) const {
    return root_ ? root_->FindChild(id) : nullptr;
}

bool Dialog::HasSystemMenu() const {
    return template_ && (template_->style & WS_SYSMENU) != 0;
}

void Dialog::SetIcon(const IconResource* icon, bool big) {
    (big ? bigIcon_ : smallIcon_) = icon;
}

bool Dialog::InitDialog() {
    return OnInitDialog();
}

bool Dialog::OnInitDialog() {
    DataExchange exchange(*this);
    DoDataExchange(exchange);
    return true;
}

bool Dialog::ClickButton(int id) {
    Window* button = GetDlgItem(id);
    if (!IsRunning() || !button || !button->IsEnabled())
        return false;
    ExecuteCommand(id);
    return true;
}

void Dialog::SendSysCommand(uint32_t command) {
    if (IsRunning())
        OnSysCommand(command);
}

void Dialog::OnSysCommand(uint32_t command) {
    if ((command & 0xFFF0) == SC_CLOSE)
        ExecuteCommand(IDCANCEL);
}

void Dialog::ExecuteCommand(int id) {
    if (!IsRunning())
        return;
    auto handler = handlers_.find(id);
    if (handler != handlers_.end()) {
        handler->second();
    } else if (id == IDOK) {
        OnOK();
    } else if (id == IDCANCEL) {
        OnCancel();
    }
}

void Dialog::OnCommandId(int id, std::function<void()> handler) {
    handlers_[id] = std::move(handler);
}

}  // namespace zem::ui
