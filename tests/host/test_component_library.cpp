// A component library for the loading tests, built in several variants: without the
// class-object export, with a failing class object, with a failing instance creation, and
// working. It counts its live factories and objects so that tests can see every reference
// released.
#include "platform/com.h"

using namespace zem;

namespace {

int g_liveFactories = 0;
int g_liveObjects = 0;

class Counted : public IUnknown {
  public:
    explicit Counted(int& live) : live_(live) { ++live_; }
    virtual ~Counted() { --live_; }
    HRESULT QueryInterface(const IID&, void** object) override {
        *object = this;
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return ++references_; }
    uint32_t Release() override {
        const uint32_t left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

  private:
    int& live_;
    uint32_t references_ = 1;
};

class Factory : public IClassFactory {
  public:
    Factory() { ++g_liveFactories; }
    virtual ~Factory() { --g_liveFactories; }
    HRESULT QueryInterface(const IID&, void** object) override {
        *object = this;
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return ++references_; }
    uint32_t Release() override {
        const uint32_t left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT CreateInstance(IUnknown*, const IID&, void** object) override {
#ifdef ZEM_TEST_INSTANCE_FAILS
        *object = nullptr;
        return E_NOINTERFACE;
#else
        *object = new Counted(g_liveObjects);
        return S_OK;
#endif
    }
    HRESULT LockServer(bool) override {
        return S_OK;
    }

  private:
    uint32_t references_ = 1;
};

}  // namespace

extern "C" {

#ifndef ZEM_TEST_NO_CLASS_OBJECT
HRESULT DllGetClassObject(const CLSID&, const IID& iid, void** object) {
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
