#include "platform/ui/resources.h"

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

}  // namespace zem::ui
