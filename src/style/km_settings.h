// The host's per-user settings file, read and written through the host settings component.
// One object per process (GetSettings); user-interface thread only.
#pragma once

#include "host/zem_km_interfaces.h"
#include "platform/date_time.h"
#include "util/text_helpers.h"

namespace zem {

// Named values in sections of a settings file. Values go in and out as copies: nothing is
// handed out that the caller must free.
class IZemSettingsBase {
  public:
    // SetStr's flags: kSaveNow writes the file at once; kKeepUnsaved keeps the value in memory
    // until the next Save, so that a run of values is written once.
    static constexpr uint32_t kSaveNow = 0;
    static constexpr uint32_t kKeepUnsaved = 1;

    virtual ~IZemSettingsBase() = default;
    // Writes every value to the file; false when it cannot be written.
    virtual bool Save() = 0;
    // The value of `key` in `section` into `value` (empty when the key is absent), after
    // reloading a file changed on disk since it was read; false when it cannot be read.
    virtual bool GetStr(const Text& section, const Text& key, Text& value) = 0;
    // Sets the value, saving the file unless `flags` holds kKeepUnsaved; false when it
    // cannot be set.
    virtual bool SetStr(const Text& section, const Text& key, const Text& value,
                        uint32_t flags) = 0;
    // Removes the section with its values and saves; true. This base keeps nothing, so it
    // only answers true.
    virtual bool ClearSection(const Text& section);
    // Appends the section's values "Item0", "Item1", ... to `list`, up to the first missing
    // or empty one; true.
    virtual bool GetStringList(const Text& section, TextList& list);
    // Replaces the section by `list` as "Item0", "Item1", ... and saves once; false (logged)
    // when an item cannot be set, leaving the items before it set.
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
