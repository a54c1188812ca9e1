// The settings file as the settings component holds it: an XML document of sections of
// keyed texts, <settings><section name="S"><value name="K">text</value></section></settings>.
// Shared by the settings component and the section objects it hands out, which read it live.
// Section and key names compare ignoring the case of ASCII letters. One thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <pugixml.hpp>

#include "platform/com.h"

namespace zem::kmcore {

struct SettingsDocument {
    pugi::xml_document xml;
    Text path;                // the file OpenFile named; empty before
    bool modified = false;    // changes not yet saved
    bool unreadable = false;  // the file exists but is not a settings file: never overwritten

    pugi::xml_node Section(const Text& name) const;
    pugi::xml_node Value(const Text& section, const Text& key) const;
    // The section and value nodes, made when missing.
    pugi::xml_node MakeValue(const Text& section, const Text& key);
};

// A value node's text: all its text pieces together. A comment or processing instruction
// inside a value, which reading skips, splits its text in two; saving writes the pieces side by
// side, so reading only the first would change the value at the next save.
std::string SettingsValueText(pugi::xml_node value);
// Replaces every text piece of a value node with `text`.
void SetSettingsValueText(pugi::xml_node value, const std::string& text);

// Status 0 and the value's text when it exists, 1 and empty text otherwise.
int32_t ReadSettingsValue(const SettingsDocument& document, const Text& section, const Text& key,
                          Text& value);

// The settings' reading of a boolean: true for "1" or "true" (case and surrounding white
// space ignored).
bool SettingsTextIsTrue(const Text& value);

// A section object (IZemKMSettingsSection) reading the section `name` of `document`.
IUnknown* NewSettingsSection(std::shared_ptr<SettingsDocument> document, Text name);

}  // namespace zem::kmcore
