#include <memory>
#include <sstream>

#include "components.h"
#include "host/zem_km_interfaces.h"
#include "host_files.h"
#include "kb_objects.h"
#include "platform/com_object.h"
#include "settings_document.h"

namespace zem::kmcore {

namespace {

// Line ends and white space in texts and names are read as the file holds them (no XML
// end-of-line or attribute normalisation), since this component writes them unescaped: a
// value set with a carriage return, or a name with a tab, reads back the same after a save.
constexpr unsigned kParseOptions = (pugi::parse_default | pugi::parse_ws_pcdata_single) &
                                   ~pugi::parse_eol & ~pugi::parse_wconv_attribute;

class SettingsComponent : public ComObject<IZemKMSettings> {
  public:
    // A missing file fails, but leaves the component empty and usable: saving then creates
    // the file.
    HRESULT ZEM_STDMETHODCALLTYPE OpenFile(const char16_t* path) override {
        if (!path || !*path)
            return E_INVALIDARG;
        // The document is refilled in place, so section objects handed out earlier read
        // the file as it is now.
        document_->xml.reset();
        document_->path = path;
        document_->modified = false;
        document_->unreadable = false;
        std::string bytes;
        if (!ReadRegularFile(document_->path, bytes))
            return E_FAIL;
        const bool parsed = document_->xml.load_buffer(bytes.data(), bytes.size(), kParseOptions) &&
                            document_->xml.child("settings");
        if (parsed)
            return S_OK;
        document_->xml.reset();
        document_->unreadable = true;
        return E_FAIL;
    }

    HRESULT ZEM_STDMETHODCALLTYPE IsModified(VARIANT_BOOL* modified) override {
        if (!modified)
            return E_POINTER;
        *modified = document_->modified ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE GetValue(const char16_t* section, const char16_t* key,
                                           BSTR* value) override {
        if (!value)
            return E_POINTER;
        Text text;
        const int32_t status = ReadSettingsValue(*document_, ArgText(section), ArgText(key), text);
        *value = SysAllocText(text);
        return status;
    }

    HRESULT ZEM_STDMETHODCALLTYPE SetValue(const char16_t* section, const char16_t* key,
                                           const char16_t* value) override {
        if (ArgText(section).empty() || ArgText(key).empty())
            return E_INVALIDARG;
        pugi::xml_node node = document_->MakeValue(section, key);
        const std::string text = ToUtf8(ArgText(value));
        if (text != SettingsValueText(node)) {
            SetSettingsValueText(node, text);
            document_->modified = true;
        }
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE GetSection(const char16_t* section,
                                             IUnknown** sectionObject) override {
        if (!sectionObject)
            return E_POINTER;
        *sectionObject = nullptr;
        if (!document_->Section(ArgText(section)))
            return S_FALSE;
        *sectionObject = NewSettingsSection(document_, ArgText(section));
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE DeleteSection(const char16_t* section) override {
        bool removed = false;
        while (pugi::xml_node node = document_->Section(ArgText(section))) {
            node.parent().remove_child(node);
            removed = true;
        }
        document_->modified |= removed;
        return removed ? S_OK : S_FALSE;
    }

    // The file is replaced whole, atomically, and forced to disk: it is saved seldom and holds
    // the user's own choices. A file that could not be read is left alone rather than
    // replaced by what little this component holds.
    HRESULT ZEM_STDMETHODCALLTYPE SaveFile() override {
        if (document_->path.empty() || document_->unreadable)
            return E_FAIL;
        if (!document_->xml.child("settings"))
            document_->xml.append_child("settings");
        std::ostringstream text;
        document_->xml.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
        if (!WriteFileAtomically(document_->path, text.str(), FileSync::kToDisk))
            return E_FAIL;
        document_->modified = false;
        return S_OK;
    }

  private:
    std::shared_ptr<SettingsDocument> document_ = std::make_shared<SettingsDocument>();
};

}  // namespace

IUnknown* NewSettingsComponent() {
    return (new SettingsComponent)->DetachAsUnknown();
}

}  // namespace zem::kmcore
