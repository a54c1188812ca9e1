#include "platform/ui/resource_table.h"

namespace zem::ui {

namespace {
const ResourceSet* g_resources = nullptr;
}

void SetResources(const ResourceSet* resources) {
    g_resources = resources;
}

bool LoadString(int id, Text& text) {
    text.clear();
    if (!g_resources)
        return false;
    for (const StringResource& entry : g_resources->strings) {
        if (entry.id == id) {
            text = entry.text;
            return true;
        }
    }
    return false;
}

const DialogTemplate* FindDialogTemplate(int id) {
    if (!g_resources)
        return nullptr;
    for (const DialogTemplate& dialog : g_resources->dialogs)
        if (dialog.id == id)
            return &dialog;
    return nullptr;
}

const IconResource* FindIcon(int id) {
    if (!g_resources)
        return nullptr;
    for (const IconResource& icon : g_resources->icons)
        if (icon.id == id)
            return &icon;
    return nullptr;
}

const IconResource* FindIconNamedBy(const Text& staticText) {
    int id = 0;
    for (char16_t c : staticText) {
        if (c < u'0' || c > u'9' || id > 100000)
            return nullptr;
        id = id * 10 + (c - u'0');
    }
    return staticText.empty() ? nullptr : FindIcon(id);
}

const IconImage* NearestIconImage(const IconResource& icon, int pixels) {
    const IconImage* best = nullptr;
    for (const IconImage& image : icon.images) {
        const bool fits = image.size >= pixels;
        const bool bestFits = best && best->size >= pixels;
        if (!best || (fits && (!bestFits || image.size < best->size)) ||
            (!fits && !bestFits && image.size > best->size))
            best = &image;
    }
    return best;
}

}  // namespace zem::ui
