// The argument checks both of the engine's result sets make, so that the two answer a bad
// call alike: the SQLite object's recordset over a live statement and the recordset over
// rows already read into memory.
#pragma once

#include "platform/com.h"

namespace zem::kmcore {

// IsEOF: E_POINTER without `eof`; else `eof` receives 1 at the end, 0 before it.
inline HRESULT AnswerIsEOF(int32_t* eof, bool atEnd) {
    if (!eof)
        return E_POINTER;
    *eof = atEnd ? 1 : 0;
    return S_OK;
}

// GetFieldText before the field is read: E_POINTER without `text`; E_INVALIDARG for a column
// the rows lack; S_FALSE at the end, with an empty text. S_OK when the caller is to read the
// field into `text`, which is null until then.
inline HRESULT CheckFieldTextCall(BSTR* text, bool columnInRange, bool atEnd) {
    if (!text)
        return E_POINTER;
    *text = nullptr;
    if (!columnInRange)
        return E_INVALIDARG;
    if (atEnd) {
        *text = SysAllocText(Text());
        return S_FALSE;
    }
    return S_OK;
}

}  // namespace zem::kmcore
