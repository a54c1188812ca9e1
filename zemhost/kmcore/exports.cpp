// The library's entry points: DllGetClassObject with a class factory per component, the
// SQLite object factory and the engine's version. Only these names are exported (see
// exports.map).
#include "components.h"
#include "host/zem_km_interfaces.h"
#include "platform/com_object.h"
#include "zem_version.h"

namespace zem::kmcore {

namespace {

class ClassFactory : public ComObject<IClassFactory> {
  public:
    explicit ClassFactory(IUnknown* (*make)()) : make_(make) {}

    HRESULT ZEM_STDMETHODCALLTYPE CreateInstance(IUnknown* outer, const IID& iid,
                                                 void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        // Aggregation is not offered.
        if (outer)
            return CLASS_E_CLASSNOTAVAILABLE;
        IUnknown* instance = make_();
        const HRESULT result = instance->QueryInterface(iid, object);
        instance->Release();
        return result;
    }
    HRESULT ZEM_STDMETHODCALLTYPE LockServer(bool /*lock*/) override { return S_OK; }

  private:
    IUnknown* (*make_)();
};

}  // namespace

}  // namespace zem::kmcore

ZEM_STDAPI DllGetClassObject(const zem::CLSID& clsid, const zem::IID& iid, void** object) {
    using namespace zem;
    if (!object)
        return E_POINTER;
    *object = nullptr;
    IUnknown* (*make)() = clsid == CLSID_ZemKMDatabase   ? kmcore::NewDatabaseComponent
                          : clsid == CLSID_ZemKMTools    ? kmcore::NewToolsComponent
                          : clsid == CLSID_ZemKMSettings ? kmcore::NewSettingsComponent
                                                         : nullptr;
    if (!make)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new kmcore::ClassFactory(make);
    const HRESULT result = factory->QueryInterface(iid, object);
    factory->Release();
    return result;
}

ZEM_STDAPI ZemKMCreateSQLiteDatabase(zem::IZemKMSQLiteDatabase** database) {
    using namespace zem;
    if (!database)
        return E_POINTER;
    IUnknown* object = kmcore::NewSQLiteDatabase();
    const HRESULT result =
        object->QueryInterface(IZemKMSQLiteDatabase::kIID, reinterpret_cast<void**>(database));
    object->Release();
    return result;
}

// The engine's version for the program's --version on Linux, where a library has no version
// resource to carry it (the Windows build carries it there too, and the program reads that).
extern "C" const char* ZEM_STDMETHODCALLTYPE ZemLibraryVersion() {
    return ZEM_VERSION_TEXT;
}
