#include "style/km_settings.h"

#include "config/global.h"
#include "host/component_loading.h"
#include "host/data_store.h"
#include "platform/files.h"
#include "util/paths.h"

namespace zem {

namespace {

void Log(TextView text) {
    GetGlobal().WriteLog(text);
}

Text ItemKey(size_t index) {
    return u"Item" + Int64ToText(static_cast<int64_t>(index));
}

DateTime CurrentLocalTime() {
    CalendarTime now;
    DateTime result;
    result.valid = CurrentLocalCalendar(now) && CalendarToOleDate(now, result.value);
    return result;
}

}  // namespace

// ---- IZemSettingsBase ------------------------------------------------------------------------

bool IZemSettingsBase::ClearSection(const Text&) {
    return true;
}

bool IZemSettingsBase::GetStringList(const Text& section, TextList& list) {
    // The items are numbered from 0; the first one missing or empty ends the list.
    for (size_t i = 0;; ++i) {
        Text value;
        if (!GetStr(section, ItemKey(i), value) || value.empty())
            break;
        list.push_back(std::move(value));
    }
    return true;
}

bool IZemSettingsBase::SetStringList(const Text& section, const TextList& list) {
    ClearSection(section);
    for (size_t i = 0; i < list.size(); ++i) {
        if (!SetStr(section, ItemKey(i), list[i], kKeepUnsaved)) {
            Log(u"Failed to set value into ZemKMSettings");
            return false;
        }
    }
    Save();
    return true;
}

// ---- CZemKMSettings --------------------------------------------------------------------------

CZemKMSettings::CZemKMSettings(const Text& settingsFilePath) : path_(settingsFilePath) {
    // The zero of the date scale, so that a settings file appearing later counts as newer.
    recordedTime_ = DateTime{0.0, true};
}

CZemKMSettings::~CZemKMSettings() = default;

void CZemKMSettings::EnsureOpen() {
    if (componentTried_)
        return;
    componentTried_ = true;
    component_ = ComPtr<IZemKMSettings>::Attach(CreateKMSettingsObject());
    OpenSettingsFile();
}

bool CZemKMSettings::OpenSettingsFile() {
    if (!component_)
        return false;
    const bool exists = PathExists(path_);
    if (Succeeded(component_->OpenFile(path_.c_str()))) {
        recordedTime_ = exists ? GetFileModifiedTime(path_) : CurrentLocalTime();
        return true;
    }
    // A missing file is the normal state of a new user: the component starts empty.
    if (!exists)
        return true;
    Log(FormatText(u"Failed to open settings file; %1", path_));
    return false;
}

void CZemKMSettings::ReloadIfChanged() {
    EnsureOpen();
    if (!component_ || !PathExists(path_))
        return;
    const DateTime current = GetFileModifiedTime(path_);
    if (!current.valid || !recordedTime_.valid || current.value <= recordedTime_.value)
        return;

    VARIANT_BOOL modified = VARIANT_FALSE;
    if (Succeeded(component_->IsModified(&modified)) && modified != VARIANT_FALSE)
        Log(u"Settings is modified before reload!");
    IZemGlobal& global = GetGlobal();
    global.WriteDebugLog(u"Reload_Settings_Begin");
    OpenSettingsFile();
    global.WriteDebugLog(u"Reload_Settings_End");
}

bool CZemKMSettings::Save() {
    EnsureOpen();
    if (!component_)
        return false;
    const HRESULT hr = component_->SaveFile();
    recordedTime_ = GetFileModifiedTime(path_);
    return Succeeded(hr);
}

bool CZemKMSettings::GetStr(const Text& section, const Text& key, Text& value) {
    EnsureOpen();
    if (!component_)
        return false;
    ReloadIfChanged();
    ScopedBstr text;
    if (Failed(component_->GetValue(section.c_str(), key.c_str(), text.Out()))) {
        Log(FormatText(u"Failed to read string: %1.%2!", section, key));
        return false;
    }
    value = text.ToText();
    return true;
}

bool CZemKMSettings::SetStr(const Text& section, const Text& key, const Text& value,
                            uint32_t flags) {
    EnsureOpen();
    if (!component_)
        return false;
    ReloadIfChanged();
    if (Failed(component_->SetValue(section.c_str(), key.c_str(), value.c_str()))) {
        Log(FormatText(u"Failed to write string: %1.%2=%3!", section, key, value));
        return false;
    }
    if (!(flags & kKeepUnsaved))
        Save();
    return true;
}

bool CZemKMSettings::ClearSection(const Text& section) {
    EnsureOpen();
    if (!component_)
        return false;
    ReloadIfChanged();
    if (Failed(component_->DeleteSection(section.c_str()))) {
        Log(FormatText(u"Failed to clear section: %1", section));
        return false;
    }
    Save();
    return true;
}

bool CZemKMSettings::GetDocumentDefaultsSection(ComPtr<IZemKMSettingsSection>& section) {
    section.Reset();
    EnsureOpen();
    if (!component_)
        return false;
    ReloadIfChanged();
    ComPtr<IUnknown> object;
    const HRESULT hr = component_->GetSection(u"DocumentDefaults", object.Out());
    if (hr == S_FALSE || Failed(hr))
        return false;
    section = ComPtr<IZemKMSettingsSection>::QueryFrom(object.Get());
    return static_cast<bool>(section);
}

// ---- Section readers -------------------------------------------------------------------------

Text ReadSectionString(IZemKMSettingsSection* section, const Text& key, const Text& defaultValue) {
    if (!section)
        return defaultValue;
    ScopedBstr value;
    const HRESULT hr = section->GetSectionValue(key.c_str(), value.Out());
    if (hr == S_FALSE)
        return defaultValue;
    if (Failed(hr)) {
        Log(FormatText(u"Failed to read string: %1!", key));
        return defaultValue;
    }
    return value.ToText();
}

bool ReadSectionBool(IZemKMSettingsSection* section, const Text& key) {
    if (!section)
        return false;
    VARIANT_BOOL value = VARIANT_FALSE;
    const HRESULT hr = section->GetSectionBool(key.c_str(), &value);
    if (hr == S_FALSE)
        return false;
    if (Failed(hr)) {
        Log(FormatText(u"Failed to read string: %1!", key));
        return false;
    }
    return value != VARIANT_FALSE;
}

CZemKMSettings& GetSettings() {
    // Never destroyed: the host component it holds lives in a library whose own statics are
    // torn down before this program's at exit, so releasing it then could call into freed
    // state. Writes are saved by the calls that make them; skipping the release loses nothing.
    static CZemKMSettings* settings = new CZemKMSettings(GetSettingsFilePath());
    return *settings;
}

}  // namespace zem
