#include "platform/ui/win32_dialog_template.h"

namespace zem::ui {

namespace {

// The template is a sequence of 16-bit words; fields of 32 bits are stored low word first,
// as on every Windows machine.
class TemplateWriter {
  public:
    void Word(uint32_t value) { words_.push_back(static_cast<uint16_t>(value)); }
    void Short(int value) { Word(static_cast<uint16_t>(static_cast<int16_t>(value))); }
    void DoubleWord(uint32_t value) {
        Word(value & 0xFFFF);
        Word(value >> 16);
    }
    void String(const Text& text) {
        for (char16_t c : text)
            Word(c);
        Word(0);
    }
    void Byte2(uint8_t low, uint8_t high) { Word(low | (high << 8)); }
    // Items start on a 32-bit boundary.
    void AlignToDoubleWord() {
        if (words_.size() % 2)
            Word(0);
    }
    std::vector<uint16_t> Take() { return std::move(words_); }

  private:
    std::vector<uint16_t> words_;
};

}  // namespace

std::vector<uint16_t> BuildDialogTemplate(const Window& root, const DialogTemplate& font,
                                          uint32_t style, uint32_t exStyle) {
    TemplateWriter out;
    out.Word(1);        // dlgVer
    out.Word(0xFFFF);   // signature: the extended form
    out.DoubleWord(0);  // helpID
    out.DoubleWord(exStyle);
    out.DoubleWord(style);
    out.Word(static_cast<uint32_t>(root.Children().size()));
    out.Short(0);  // x and y: the toolkit places the window itself
    out.Short(0);
    out.Short(root.cx);
    out.Short(root.cy);
    out.Word(0);  // no menu
    out.Word(0);  // the standard dialog class
    out.String(root.GetText());
    if (style & DS_SETFONT) {
        out.Word(static_cast<uint32_t>(font.fontPoints));
        out.Word(static_cast<uint32_t>(font.fontWeight));
        out.Byte2(0, static_cast<uint8_t>(font.charset));  // not italic
        out.String(font.fontFace);
    }
    for (const auto& child : root.Children()) {
        out.AlignToDoubleWord();
        out.DoubleWord(0);  // helpID
        out.DoubleWord(0);  // exStyle
        out.DoubleWord(child->Style());
        out.Short(child->x);
        out.Short(child->y);
        out.Short(child->cx);
        out.Short(child->cy);
        out.DoubleWord(static_cast<uint32_t>(child->Id()));
        out.String(child->ClassName());
        const bool icon =
            child->ClassName() == kStaticClass && (child->Style() & SS_TYPEMASK) == SS_ICON;
        out.String(icon ? Text() : child->GetText());
        out.Word(0);  // no creation data
    }
    return out.Take();
}

}  // namespace zem::ui
