// The toolkit-independent state of a window: its class, id, style, text, enabled state,
// children and, for progress bars, range and position. A dialog builds one tree of these
// from its template while it runs; the toolkit realising the dialog is told of every change
// through the WindowView of the tree's root, so the state here is always what the user
// sees. Windows belong to their parent (the root to its dialog); user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/resource_table.h"

namespace zem::ui {

class Window;

// What a toolkit learns about the windows it shows.
class WindowView {
  public:
    virtual ~WindowView() = default;
    virtual void TextChanged(Window& window) = 0;
    virtual void EnabledChanged(Window& window) = 0;
    virtual void ProgressRangeChanged(Window& window) = 0;
    virtual void ProgressPositionChanged(Window& window) = 0;
};

class Window {
  public:
    Window(Text windowClass, int id, uint32_t style, Text text);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    const Text& ClassName() const { return class_; }
    int Id() const { return id_; }
    uint32_t Style() const { return style_; }
    // Dialog-unit rectangle from the template.
    int x = 0, y = 0, cx = 0, cy = 0;

    const Text& GetText() const { return text_; }
    size_t GetTextLength() const { return text_.size(); }
    void SetText(const Text& text);

    bool IsEnabled() const { return enabled_; }
    void Enable(bool enable);

    // Progress bars: the 32-bit range and the position, kept inside the range as the
    // common control keeps it. SetPos returns the previous position.
    void SetRange32(int32_t low, int32_t high);
    int32_t SetPos(int32_t position);
    int32_t RangeLow() const { return low_; }
    int32_t RangeHigh() const { return high_; }
    int32_t Position() const { return position_; }
    // The position last asked for, before it was kept inside the range.
    int32_t RequestedPosition() const { return requested_; }

    Window* Parent() const { return parent_; }
    // Takes ownership; children keep the order they were added in.
    Window& AddChild(std::unique_ptr<Window> child);
    const std::vector<std::unique_ptr<Window>>& Children() const { return children_; }
    // The direct child with this id, or null.
    Window* FindChild(int id) const;

    // Only the root's view is used; set by the toolkit while it shows the tree.
    void SetView(WindowView* view) { view_ = view; }

  private:
    WindowView* View() const;

    Text class_;
    int id_;
    uint32_t style_;
    Text text_;
    bool enabled_;
    int32_t low_ = 0, high_ = 100, position_ = 0, requested_ = 0;
    Window* parent_ = nullptr;
    WindowView* view_ = nullptr;
    std::vector<std::unique_ptr<Window>> children_;
};

// Reports every descendant of `parent` (children, their children, ...), depth first in
// creation order, until `visit` returns false. `parent` itself is not reported.
void EnumChildWindows(Window& parent, const std::function<bool(Window&)>& visit);

}  // namespace zem::ui
