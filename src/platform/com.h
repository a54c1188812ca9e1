// Component model basics: the small part of COM that the program and the host libraries
// share. Interfaces are reference counted; an interface pointer handed out carries one
// reference that its receiver releases. Nothing here is thread-safe beyond what the
// reference counts themselves guarantee; the program uses components from one thread.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/text.h"

// The calling convention of every interface method and every exported entry point: on 32-bit
// Windows a real host's components use the system's standard convention (__stdcall); other
// targets have one convention only. Implementations repeat it on each override.
#if defined(_WIN32) && defined(__i386__)
#define ZEM_STDMETHODCALLTYPE __stdcall
#else
#define ZEM_STDMETHODCALLTYPE
#endif
// An exported entry point with an HRESULT result, as DllGetClassObject is declared.
#define ZEM_STDAPI extern "C" ::zem::HRESULT ZEM_STDMETHODCALLTYPE

namespace zem {

using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);

inline bool Failed(HRESULT hr) {
    return hr < 0;
}
inline bool Succeeded(HRESULT hr) {
    return hr >= 0;
}

// Automation booleans: -1 is true, 0 is false.
using VARIANT_BOOL = int16_t;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct GUID {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];

    friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;

namespace detail {
constexpr uint32_t HexDigit(char c) {
    const int value = HexDigitValue(static_cast<unsigned char>(c));
    return value >= 0 ? static_cast<uint32_t>(value) : throw "not a hexadecimal digit";
}
constexpr uint32_t HexValue(const char* text, int digits) {
    uint32_t value = 0;
    for (int i = 0; i < digits; ++i)
        value = value * 16 + HexDigit(text[i]);
    return value;
}
}  // namespace detail

// Builds a GUID at compile time from "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX".
constexpr GUID MakeGuid(const char (&text)[37]) {
    GUID g{};
    g.data1 = detail::HexValue(text, 8);
    g.data2 = static_cast<uint16_t>(detail::HexValue(text + 9, 4));
    g.data3 = static_cast<uint16_t>(detail::HexValue(text + 14, 4));
    g.data4[0] = static_cast<uint8_t>(detail::HexValue(text + 19, 2));
    g.data4[1] = static_cast<uint8_t>(detail::HexValue(text + 21, 2));
    for (int i = 0; i < 6; ++i)
        g.data4[2 + i] = static_cast<uint8_t>(detail::HexValue(text + 24 + 2 * i, 2));
    return g;
}

// The 38-character registry form: braces, upper-case hexadecimal.
Text GuidToRegistryText(const GUID& guid);
// Parses the registry form (braces optional, any letter case).
bool GuidFromText(TextView text, GUID& guid);
// A new random (version 4) GUID.
GUID NewGuid();

struct IUnknown {
    static constexpr IID kIID = MakeGuid("00000000-0000-0000-C000-000000000046");
    virtual HRESULT ZEM_STDMETHODCALLTYPE QueryInterface(const IID& iid, void** object) = 0;
    virtual uint32_t ZEM_STDMETHODCALLTYPE AddRef() = 0;
    virtual uint32_t ZEM_STDMETHODCALLTYPE Release() = 0;

  protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    static constexpr IID kIID = MakeGuid("00000001-0000-0000-C000-000000000046");
    virtual HRESULT ZEM_STDMETHODCALLTYPE CreateInstance(IUnknown* outer, const IID& iid,
                                                         void** object) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE LockServer(bool lock) = 0;

  protected:
    ~IClassFactory() = default;
};

// The class-object export every component library provides.
using DllGetClassObjectFunc = HRESULT(ZEM_STDMETHODCALLTYPE*)(const CLSID& clsid, const IID& iid,
                                                              void** object);

// Makes the calling thread a single-threaded apartment of the component model (CoInitialize
// on Windows; nothing to do elsewhere). Called once, by the application object, for the
// thread that uses the components; never undone.
void InitializeComponentModel();

// System strings: length-prefixed, NUL-terminated UTF-16 that any module may free when
// another allocated it: the system's own (oleaut32) on Windows, so that a real host and this
// program free each other's strings; malloc-based on Linux. A null BSTR is the empty text.
using BSTR = char16_t*;
BSTR SysAllocString(const char16_t* text);
BSTR SysAllocStringLen(const char16_t* text, uint32_t length);
BSTR SysAllocText(TextView text);
void SysFreeString(BSTR text);
uint32_t SysStringLen(BSTR text);
// The BSTR's text (empty for null); does not free it.
Text TextFromBstr(BSTR text);

// Owns one BSTR for the length of a call: out-parameters are written through Out().
class ScopedBstr {
  public:
    ScopedBstr() = default;
    explicit ScopedBstr(TextView text) : value_(SysAllocText(text)) {}
    ~ScopedBstr() { SysFreeString(value_); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;

    BSTR Get() const { return value_; }
    BSTR* Out() {
        SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }
    Text ToText() const { return TextFromBstr(value_); }

  private:
    BSTR value_ = nullptr;
};

// A variant that can hold nothing or an IUnknown (the only kinds the program passes).
constexpr uint16_t VT_EMPTY = 0;
constexpr uint16_t VT_UNKNOWN = 13;
// Laid out as the system's VARIANT (the type, three reserved words, then the value, as wide
// as a record's two pointers), because interface methods take it by value: a host built
// elsewhere reads the interface pointer at the system's offset.
struct VARIANT {
    uint16_t vt = VT_EMPTY;
    uint16_t reserved[3] = {};
    union {
        IUnknown* punkVal = nullptr;
        int64_t llVal;
        void* record[2];
    };
};
static_assert(sizeof(VARIANT) == (sizeof(void*) == 4 ? 16 : 24));
void VariantInit(VARIANT* v);
// Releases what the variant holds and empties it.
void VariantClear(VARIANT* v);

enum class StreamSeek : uint32_t { kSet = 0, kCurrent = 1, kEnd = 2 };

struct IStream : IUnknown {
    static constexpr IID kIID = MakeGuid("0000000C-0000-0000-C000-000000000046");
    // Reads up to `count` bytes; `read` (may be null) receives the number read.
    virtual HRESULT ZEM_STDMETHODCALLTYPE Read(void* buffer, uint32_t count, uint32_t* read) = 0;
    // Writes `count` bytes at the position, growing the stream as needed.
    virtual HRESULT ZEM_STDMETHODCALLTYPE Write(const void* buffer, uint32_t count,
                                                uint32_t* written) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE Seek(int64_t move, StreamSeek origin,
                                               uint64_t* newPosition) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE SetSize(uint64_t size) = 0;

  protected:
    ~IStream() = default;
};

// Holds one reference to an interface. T names its own IID as T::kIID.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes over a reference the caller already owns.
    static ComPtr Attach(T* p) {
        ComPtr result;
        result.p_ = p;
        return result;
    }
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset() {
        if (p_)
            std::exchange(p_, nullptr)->Release();
    }
    // Takes a new reference on `p`.
    void Assign(T* p) {
        if (p)
            p->AddRef();
        Reset();
        p_ = p;
    }
    T* Detach() { return std::exchange(p_, nullptr); }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases the current reference first.
    T** Out() {
        Reset();
        return &p_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

    // Asks `source` for T; empty when it is null or does not offer T.
    template <class U>
    static ComPtr QueryFrom(U* source) {
        ComPtr result;
        if (source)
            source->QueryInterface(T::kIID, result.OutVoid());
        return result;
    }

  private:
    T* p_ = nullptr;
};

}  // namespace zem
