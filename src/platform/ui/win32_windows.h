// The Windows headers for the user-interface layer. Their ANSI/wide switching macros would
// rename the layer's own MessageBox, GetOpenFileName and LoadString; the wide functions are
// called by their full names instead. The headers define the window styles, message-box
// flags and control ids that resource_table.h and toolkit.h declare as constants, with the same
// values: include this after the layer's own headers.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#undef MessageBox
#undef GetOpenFileName
#undef LoadString
