// The reference counting and interface lookup shared by every component and object: the
// engine library's, the in-memory stream's and the test libraries'. An object starts with one
// reference owned by its creator and deletes itself on the last Release. Reference counts are
// atomic; everything else about an object is used from one thread at a time.
#pragma once

#include <atomic>

#include "platform/com.h"

namespace zem {

template <class First, class... More>
class ComObject : public First, public More... {
  public:
    HRESULT ZEM_STDMETHODCALLTYPE QueryInterface(const IID& iid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid == IUnknown::kIID) {
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        } else if (!Find<First, More...>(iid, object)) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    uint32_t ZEM_STDMETHODCALLTYPE AddRef() override { return ++references_; }
    uint32_t ZEM_STDMETHODCALLTYPE Release() override {
        const uint32_t left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    // Hands the creator's reference out as an IUnknown: the usual way objects leave a call.
    IUnknown* DetachAsUnknown() { return static_cast<IUnknown*>(static_cast<First*>(this)); }

  protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

  private:
    template <class I, class... Rest>
    bool Find(const IID& iid, void** object) {
        if (iid == I::kIID) {
            *object = static_cast<I*>(this);
            return true;
        }
        if constexpr (sizeof...(Rest) > 0)
            return Find<Rest...>(iid, object);
        return false;
    }

    std::atomic<uint32_t> references_{1};
};

}  // namespace zem
