// The host's settings file as the engine's settings component reads and writes it. The
// input is a value to set (section, key, text) and then the file's bytes. Promises checked:
// each value of a readable file reads the same through the component and through its section
// objects; a value set, saved and read by a fresh component comes back exactly, and every
// other value stays as it was; a file that is not a settings file is never overwritten.
#include <fuzzer/FuzzedDataProvider.h>

#include <pugixml.hpp>
#include <vector>

#include "components.h"
#include "fuzz_support.h"
#include "host/zem_km_interfaces.h"

namespace zem::fuzz {
namespace {

constexpr size_t kMaxNames = 32;

struct Setting {
    Text section, key;
};

ComPtr<IZemKMSettings> NewComponent() {
    return ComPtr<IZemKMSettings>::Attach(
        static_cast<IZemKMSettings*>(kmcore::NewSettingsComponent()));
}

// The section and value names the file holds, as an XML reader finds them.
std::vector<Setting> SettingsOf(std::string_view bytes) {
    std::vector<Setting> settings;
    pugi::xml_document xml;
    if (!xml.load_buffer(bytes.data(), bytes.size()))
        return settings;
    for (pugi::xml_node section : xml.child("settings").children("section"))
        for (pugi::xml_node value : section.children("value"))
            if (settings.size() < kMaxNames)
                settings.push_back({FromUtf8(section.attribute("name").value()),
                                    FromUtf8(value.attribute("name").value())});
    return settings;
}

struct Value {
    HRESULT status;
    Text text;
    bool operator==(const Value&) const = default;
};

Value Get(IZemKMSettings& settings, const Setting& setting) {
    ScopedBstr text;
    const HRESULT status =
        settings.GetValue(setting.section.c_str(), setting.key.c_str(), text.Out());
    return {status, text.ToText()};
}

void CheckSectionObjects(IZemKMSettings& settings, const std::vector<Setting>& all) {
    for (const Setting& setting : all) {
        const Value value = Get(settings, setting);
        ComPtr<IUnknown> object;
        if (settings.GetSection(setting.section.c_str(), object.Out()) != S_OK)
            continue;
        auto section = ComPtr<IZemKMSettingsSection>::QueryFrom(object.Get());
        Check(static_cast<bool>(section), "a section object reads values");
        ScopedBstr text;
        section->GetSectionValue(setting.key.c_str(), text.Out());
        if (value.status == S_OK)
            Check(text.ToText() == value.text, "a section object reads what the component reads",
                  Shown(setting.section + u"/" + setting.key));
    }
}

void CheckSetAndSave(const std::string& file, const Setting& changed, const Text& text,
                     const std::vector<Setting>& all) {
    auto settings = NewComponent();
    if (settings->OpenFile(PathText(file).c_str()) != S_OK) {
        const std::string before = ReadFile(file);
        settings->SetValue(changed.section.c_str(), changed.key.c_str(), text.c_str());
        settings->SaveFile();
        Check(ReadFile(file) == before, "a file that is not a settings file is never overwritten");
        return;
    }
    CheckSectionObjects(*settings.Get(), all);
    std::vector<Value> before;
    for (const Setting& setting : all)
        before.push_back(Get(*settings.Get(), setting));
    if (settings->SetValue(changed.section.c_str(), changed.key.c_str(), text.c_str()) != S_OK)
        return;
    Check(settings->SaveFile() == S_OK, "a readable settings file is saved");
    auto fresh = NewComponent();
    Check(fresh->OpenFile(PathText(file).c_str()) == S_OK, "a saved settings file reads again");
    const Value back = Get(*fresh.Get(), changed);
    Check(back.status == S_OK && back.text == text, "a value set and saved reads back",
          Shown(changed.section + u"/" + changed.key + u"=" + text) + " read " + Shown(back.text));
    for (size_t i = 0; i < all.size(); ++i) {
        if (EqualsIgnoreAsciiCase(all[i].section, changed.section) &&
            EqualsIgnoreAsciiCase(all[i].key, changed.key))
            continue;
        const Value after = Get(*fresh.Get(), all[i]);
        Check(after == before[i], "saving keeps every other value",
              Shown(all[i].section + u"/" + all[i].key) + " was " + Shown(before[i].text) +
                  " now " + Shown(after.text));
    }
}

// Text as a component call takes it: up to the first NUL.
Text CallText(std::string_view bytes) {
    Text text = FromUtf8(bytes);
    return text.substr(0, text.find(u'\0'));
}

}  // namespace
}  // namespace zem::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zem;
    using namespace zem::fuzz;
    FuzzedDataProvider input(data, size);
    const Setting changed{CallText(input.ConsumeRandomLengthString(16)),
                          CallText(input.ConsumeRandomLengthString(16))};
    const Text text = CallText(input.ConsumeRandomLengthString(64));
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const std::string file = ScratchRoot() + "settings.xml";
    WriteFile(file, bytes);
    CheckSetAndSave(file, changed, text, SettingsOf(bytes));
    return 0;
}
