// The component-model runtime of the Windows edition: the system's apartments and its
// system strings (oleaut32), which a real host allocates and frees too.

#include "platform/com.h"
#include "platform/win32/windows_api.h"

namespace zem {

void InitializeComponentModel() {
    CoInitialize(nullptr);
}

BSTR SysAllocStringLen(const char16_t* text, uint32_t length) {
    return reinterpret_cast<BSTR>(
        ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text), static_cast<UINT>(length)));
}

BSTR SysAllocString(const char16_t* text) {
    return reinterpret_cast<BSTR>(::SysAllocString(reinterpret_cast<const OLECHAR*>(text)));
}

void SysFreeString(BSTR text) {
    ::SysFreeString(reinterpret_cast<::BSTR>(text));
}

uint32_t SysStringLen(BSTR text) {
    return ::SysStringLen(reinterpret_cast<::BSTR>(text));
}

}  // namespace zem
