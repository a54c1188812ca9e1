#include "settings_document.h"

#include <string_view>

namespace zem::kmcore {

namespace {

pugi::xml_node NamedChild(pugi::xml_node parent, const char* element, const Text& name) {
    const std::string wanted = ToUtf8(name);
    for (pugi::xml_node child : parent.children(element))
        if (EqualsIgnoreAsciiCase(std::string_view(child.attribute("name").value()), wanted))
            return child;
    return {};
}

pugi::xml_node MakeNamedChild(pugi::xml_node parent, const char* element, const Text& name) {
    pugi::xml_node child = NamedChild(parent, element, name);
    if (child)
        return child;
    child = parent.append_child(element);
    child.append_attribute("name") = ToUtf8(name).c_str();
    return child;
}

}  // namespace

pugi::xml_node SettingsDocument::Section(const Text& name) const {
    return NamedChild(xml.child("settings"), "section", name);
}

pugi::xml_node SettingsDocument::Value(const Text& section, const Text& key) const {
    return NamedChild(Section(section), "value", key);
}

pugi::xml_node SettingsDocument::MakeValue(const Text& section, const Text& key) {
    pugi::xml_node root = xml.child("settings");
    if (!root)
        root = xml.append_child("settings");
    return MakeNamedChild(MakeNamedChild(root, "section", section), "value", key);
}

std::string SettingsValueText(pugi::xml_node value) {
    std::string text;
    for (pugi::xml_node child : value.children())
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
    return text;
}

void SetSettingsValueText(pugi::xml_node value, const std::string& text) {
    for (pugi::xml_node child = value.first_child(); child;) {
        const pugi::xml_node next = child.next_sibling();
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            value.remove_child(child);
        child = next;
    }
    value.text().set(text.c_str());
}

int32_t ReadSettingsValue(const SettingsDocument& document, const Text& section, const Text& key,
                          Text& value) {
    const pugi::xml_node node = document.Value(section, key);
    value = node ? FromUtf8(SettingsValueText(node)) : Text();
    return node ? 0 : 1;
}

bool SettingsTextIsTrue(const Text& value) {
    std::string text = ToUtf8(value);
    const size_t first = text.find_first_not_of(" \t\r\n");
    const size_t last = text.find_last_not_of(" \t\r\n");
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    return text == "1" || EqualsIgnoreAsciiCase(std::string_view(text), "true");
}

}  // namespace zem::kmcore
