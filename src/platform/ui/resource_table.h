// Windows described as data, the way a resource script describes them: dialog templates in
// dialog units, the string table and icons. The program registers its one resource set at
// start-up (SetResources); toolkits and the translation layer look entries up by id. The
// set is borrowed, not copied: it must outlive every lookup (the program's is static data).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/text.h"

namespace zem::ui {

// Window styles, with the values of the Windows headers so that templates read alike.
constexpr uint32_t WS_CHILD = 0x40000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_DISABLED = 0x08000000;
constexpr uint32_t WS_CAPTION = 0x00C00000;
constexpr uint32_t WS_BORDER = 0x00800000;
constexpr uint32_t WS_SYSMENU = 0x00080000;
constexpr uint32_t WS_THICKFRAME = 0x00040000;
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000;
constexpr uint32_t WS_TABSTOP = 0x00010000;
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr uint32_t WS_EX_APPWINDOW = 0x00040000;
constexpr uint32_t DS_MODALFRAME = 0x80;
constexpr uint32_t DS_SETFONT = 0x40;
constexpr uint32_t DS_SHELLFONT = 0x48;
constexpr uint32_t SS_LEFT = 0x0;
constexpr uint32_t SS_TYPEMASK = 0x1F;
constexpr uint32_t SS_ICON = 0x3;
constexpr uint32_t SS_NOPREFIX = 0x80;
constexpr uint32_t ES_LEFT = 0x0;
constexpr uint32_t ES_AUTOHSCROLL = 0x80;
constexpr uint32_t ES_READONLY = 0x800;
constexpr uint32_t BS_PUSHBUTTON = 0x0;
constexpr uint32_t BS_DEFPUSHBUTTON = 0x1;

// Window classes of the controls a template may hold.
inline constexpr char16_t kStaticClass[] = u"Static";
inline constexpr char16_t kEditClass[] = u"Edit";
inline constexpr char16_t kButtonClass[] = u"Button";
inline constexpr char16_t kProgressClass[] = u"msctls_progress32";
// The class of a dialog window itself.
inline constexpr char16_t kDialogClass[] = u"#32770";

// Control ids with a fixed meaning.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDC_STATIC = -1;

struct DialogItemTemplate {
    int id = IDC_STATIC;
    Text windowClass;
    Text text;                         // for an SS_ICON static: the decimal id of the icon
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    uint32_t style = 0;
};

// Items are listed in creation order, which is also the tab order.
struct DialogTemplate {
    int id = 0;
    Text caption;
    Text fontFace;
    int fontPoints = 8;
    int fontWeight = 400;
    uint16_t language = 0;  // LANGID
    int charset = 0;
    int cx = 0, cy = 0;  // dialog units
    uint32_t style = 0;
    uint32_t exStyle = 0;
    std::vector<DialogItemTemplate> items;
};

// One image of an icon, as PNG file bytes.
struct IconImage {
    int size = 0;  // width = height, pixels
    std::span<const unsigned char> png;
};

struct IconResource {
    int id = 0;
    std::vector<IconImage> images;  // any order
};

struct StringResource {
    int id = 0;
    Text text;
};

struct ResourceSet {
    std::vector<DialogTemplate> dialogs;
    std::vector<StringResource> strings;
    std::vector<IconResource> icons;
};

// Makes `resources` the set every lookup searches; null removes it.
void SetResources(const ResourceSet* resources);

// The string-table text of `id`; false (and `text` empty) when the table lacks it.
bool LoadString(int id, Text& text);
// Null when the set lacks the id.
const DialogTemplate* FindDialogTemplate(int id);
const IconResource* FindIcon(int id);
// The icon an SS_ICON static names by the decimal id in its text; null when none.
const IconResource* FindIconNamedBy(const Text& staticText);
// The image a window of `pixels` pixels shows, scaled if need be: the smallest image not
// smaller than that, else the largest; null when the icon has none.
const IconImage* NearestIconImage(const IconResource& icon, int pixels);

}  // namespace zem::ui
