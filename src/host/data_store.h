// Where the host's per-user files lie: the data store with its settings and log files, and
// the two shell folders the program uses. Used from the user-interface thread only.
#pragma once

#include "platform/text.h"

namespace zem {

// The data store, ending with a separator, decided afresh on every call (registered,
// portable, chosen, or Documents + "My Knowledge/"); creates its "Data/" folder.
Text GetDataStoreFolder();
// Data store + inner product name + ".xml" / ".log"; each decided once per process.
Text GetSettingsFilePath();
Text GetLogFilePath();
// The user's Documents and local application-data folders, ending with a separator,
// cached on first use.
Text GetDocumentsFolder();
Text GetLocalAppDataFolder();
// The current user's name is "SYSTEM", ignoring case.
bool IsSystemAccount();

}  // namespace zem
