#include "platform/ui/win32_icons.h"

namespace zem::ui {

HICON CreateProgramIcon(const IconResource& icon, int pixels) {
    HANDLE compiled = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icon.id), IMAGE_ICON,
                                 pixels, pixels, LR_DEFAULTCOLOR);
    if (compiled)
        return static_cast<HICON>(compiled);
    const IconImage* image = NearestIconImage(icon, pixels);
    if (!image || image->png.empty())
        return nullptr;
    // Icon resources have held PNG images since Windows Vista; 0x00030000 is the format
    // version every icon resource carries.
    return CreateIconFromResourceEx(const_cast<PBYTE>(image->png.data()),
                                    static_cast<DWORD>(image->png.size()), TRUE, 0x00030000, pixels,
                                    pixels, LR_DEFAULTCOLOR);
}

}  // namespace zem::ui
