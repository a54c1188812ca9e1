#include "components.h"
#include "host/zem_km_interfaces.h"
#include "host_files.h"
#include "platform/com_object.h"

namespace zem::kmcore {

namespace {

class ToolsComponent : public ComObject<IZemKMTools> {
  public:
    // The document template is itself an HTML page (UTF-8), so it is written out unchanged.
    HRESULT ZEM_STDMETHODCALLTYPE ExtractHtmlFile(const char16_t* templateFile,
                                                  const char16_t* htmlFile) override {
        if (!templateFile || !*templateFile || !htmlFile || !*htmlFile)
            return E_INVALIDARG;
        std::string bytes;
        if (!ReadRegularFile(templateFile, bytes))
            return E_FAIL;
        return WriteNewOrOverwriteFile(htmlFile, bytes) ? S_OK : E_FAIL;
    }
};

}  // namespace

IUnknown* NewToolsComponent() {
    return (new ToolsComponent)->DetachAsUnknown();
}

}  // namespace zem::kmcore
