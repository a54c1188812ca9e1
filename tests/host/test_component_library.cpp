// A component library for the loading tests, built in several variants: without the
// class-object export, with a failing class object, with a failing instance creation, and
// working. It counts its live factories and objects so that tests can see every reference
// released.
#include "platform/com.h"
#include "platform/com_object.h"

using namespace zem;

namespace {

int g_liveFactories = 0;
int g_liveObjects = 0;

// A plain object: IUnknown only.
class Counted : public ComObject<IUnknown> {
  public:
    explicit Counted(int& live) : live_(live) { ++live_; }
    ~Counted() override { --live_; }

  private:
    int& live_;
};

class Factory : public ComObject<IClassFactory> {
  public:
    Factory() { ++g_liveFactories; }
    ~Factory() override { --g_liveFactories; }
    HRESULT ZEM_STDMETHODCALLTYPE CreateInstance(IUnknown*, const IID&, void** object) override {
#ifdef ZEM_TEST_INSTANCE_FAILS
        *object = nullptr;
        return E_NOINTERFACE;
#else
        *object = new Counted(g_liveObjects);
        return S_OK;
#endif
    }
    HRESULT ZEM_STDMETHODCALLTYPE LockServer(bool) override {
        return S_OK;
    }
};

}  // namespace

extern "C" {

#ifndef ZEM_TEST_NO_CLASS_OBJECT
HRESULT ZEM_STDMETHODCALLTYPE DllGetClassObject(const CLSID&, const IID& iid, void** object) {
    *object = nullptr;
#ifdef ZEM_TEST_FACTORY_FAILS
    (void)iid;
    return CLASS_E_CLASSNOTAVAILABLE;
#else
    if (!(iid == IClassFactory::kIID))
        return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(new Factory);
    return S_OK;
#endif
}
#endif

int TestLiveFactories() {
    return g_liveFactories;
}
int TestLiveObjects() {
    return g_liveObjects;
}

}  // extern "C"
