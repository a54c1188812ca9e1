#include "platform/ui/window.h"

#include <utility>

namespace zem::ui {

Window::Window(Text windowClass, int id, uint32_t style, Text text)
    : class_(std::move(windowClass)),
      id_(id),
      style_(style),
      text_(std::move(text)),
      enabled_((style & WS_DISABLED) == 0) {}

Window::~Window() = default;

WindowView* Window::View() const {
    const Window* root = this;
    while (root->parent_)
        root = root->parent_;
    return root->view_;
}

void Window::SetText(const Text& text) {
    if (text == text_)
        return;
    text_ = text;
    if (WindowView* view = View())
        view->TextChanged(*this);
}

void Window::Enable(bool enable) {
    if (enable == enabled_)
        return;
    enabled_ = enable;
    if (WindowView* view = View())
        view->EnabledChanged(*this);
}

void Window::SetRange32(int32_t low, int32_t high) {
    low_ = low;
    high_ = high;
    if (position_ < low_)
        position_ = low_;
    if (position_ > high_ && high_ >= low_)
        position_ = high_;
    if (WindowView* view = View())
        view->ProgressRangeChanged(*this);
}

int32_t Window::SetPos(int32_t position) {
    int32_t previous = position_;
    requested_ = position;
    position_ = position < low_ ? low_ : position > high_ ? high_ : position;
    if (WindowView* view = View())
        view->ProgressPositionChanged(*this);
    return previous;
}

Window& Window::AddChild(std::unique_ptr<Window> child) {
    child->parent_ = this;
    children_.push_back(std::move(child));
    return *children_.back();
}

Window* Window::FindChild(int id) const {
    for (const auto& child : children_)
        if (child->Id() == id)
            return child.get();
    return nullptr;
}

namespace {
bool EnumDescendants(Window& parent, const std::function<bool(Window&)>& visit) {
    for (const auto& child : parent.Children()) {
        if (!visit(*child))
            return false;
        if (!EnumDescendants(*child, visit))
            return false;
    }
    return true;
}
}  // namespace

void EnumChildWindows(Window& parent, const std::function<bool(Window&)>& visit) {
    EnumDescendants(parent, visit);
}

}  // namespace zem::ui
