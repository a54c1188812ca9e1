#include <memory>

#include "host/zem_km_interfaces.h"
#include "kb_objects.h"
#include "platform/com_object.h"
#include "settings_document.h"

namespace zem::kmcore {

namespace {

// Reads its section from the settings as they are at the time of each call.
class SettingsSection : public ComObject<IZemKMSettingsSection> {
  public:
    SettingsSection(std::shared_ptr<SettingsDocument> document, Text name)
        : document_(std::move(document)), name_(std::move(name)) {}

    HRESULT ZEM_STDMETHODCALLTYPE GetSectionValue(const char16_t* key, BSTR* value) override {
        if (!value)
            return E_POINTER;
        Text text;
        const int32_t status = ReadSettingsValue(*document_, name_, ArgText(key), text);
        *value = SysAllocText(text);
        return status;
    }

    HRESULT ZEM_STDMETHODCALLTYPE GetSectionBool(const char16_t* key,
                                                 VARIANT_BOOL* value) override {
        if (!value)
            return E_POINTER;
        Text text;
        const int32_t status = ReadSettingsValue(*document_, name_, ArgText(key), text);
        *value = status == 0 && SettingsTextIsTrue(text) ? VARIANT_TRUE : VARIANT_FALSE;
        return status;
    }

  private:
    std::shared_ptr<SettingsDocument> document_;
    Text name_;
};

}  // namespace

IUnknown* NewSettingsSection(std::shared_ptr<SettingsDocument> document, Text name) {
    return (new SettingsSection(std::move(document), std::move(name)))->DetachAsUnknown();
}

}  // namespace zem::kmcore
