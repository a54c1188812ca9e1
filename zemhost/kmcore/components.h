// The engine library's top-level objects, made by its class factories and its SQLite
// factory export. Each comes back with one reference owned by the caller.
#pragma once

#include "platform/com.h"

namespace zem::kmcore {

IUnknown* NewDatabaseComponent();  // IZemKMDatabase
IUnknown* NewToolsComponent();     // IZemKMTools
IUnknown* NewSettingsComponent();  // IZemKMSettings
IUnknown* NewSQLiteDatabase();     // IZemKMSQLiteDatabase

}  // namespace zem::kmcore
