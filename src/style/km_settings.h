// The host's per-user settings file, read and written through the host settings component.
// One object per process (GetSettings); user-interface thread only.
#pragma once

#include "host/zem_km_interfaces.h"
#include "platform/date_time.h"
#include "util/text_helpers.h"

namespace zem {

class IZemSettingsBase {
  public:
    virtual ~IZemSettingsBase() = default;
    virtual bool Save() = 0;
    virtual bool GetStr(const Text& section, const Text& key, Text& value) = 0;
    // Bit 0 of `flags`: do not save at once.
    virtual bool SetStr(const Text& section, const Text& key, const Text& value,
                        uint32_t flags) = 0;
    virtual bool ClearSection(const Text& section);
    virtual bool GetStringList(const Text& section, TextList& list);
    virtual bool SetStringList(const Text& section, const TextList& list);
};

class CZemKMSettings : public IZemSettingsBase {
  public:
    explicit CZemKMSettings(const Text& settingsFilePath);
    ~CZemKMSettings() override;

    bool Save() override;
    bool GetStr(const Text& section, const Text& key, Text& value) override;
    bool SetStr(const Text& section, const Text& key, const Text& value, uint32_t flags) override;
    bool ClearSection(const Text& section) override;
    // The "DocumentDefaults" section object; one reference owned by the caller.
    bool GetDocumentDefaultsSection(ComPtr<IZemKMSettingsSection>& section);

  private:
    void EnsureOpen();
    bool OpenSettingsFile();
    void ReloadIfChanged();

    ComPtr<IZemKMSettings> component_;
    bool componentTried_ = false;
    Text path_;
    DateTime recordedTime_;
};

Text ReadSectionString(IZemKMSettingsSection* section, const Text& key, const Text& defaultValue);
bool ReadSectionBool(IZemKMSettingsSection* section, const Text& key);

CZemKMSettings& GetSettings();

}  // namespace zem
