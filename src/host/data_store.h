// Where the host's per-user files lie: the data store with its settings and log files, and
// the two shell folders the program uses. Used from the user-interface thread only.
//
// Caches, each for the life of the process and never read again: the portable-mode flag
// and whether the user is the SYSTEM account (on the first GetDataStoreFolder), the
// chooser's answer, the settings and log file paths (on their first call), and the two
// shell folders. The registered store and the folders' existence are looked at on every
// GetDataStoreFolder call.
#pragma once

#include <optional>

#include "platform/text.h"

namespace zem {

// The data store, ending with a separator, decided afresh on every call (registered,
// portable, chosen, or Documents + "My Knowledge/"); creates its "Data/" folder. When both a
// registered and a portable store exist, the host's chooser is asked once per process and
// its answer kept.
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

// "Solvane Data/" for the product "Solvane" (any case), else "My Knowledge/".
Text GetDataStoreFolderName();

// What the data-store decision takes from the process besides the registry and the files.
struct DataStoreInputs {
    bool systemAccount = false;
    bool portable = false;  // the portable-mode flag is exactly "1"
    Text programFolder;     // ends with a separator; holds the portable store and the chooser
};
// The decision behind GetDataStoreFolder. `chosen` keeps the chooser's answer: once it holds
// one, the chooser is not asked again.
Text DecideDataStoreFolder(const DataStoreInputs& inputs, std::optional<Text>& chosen);

}  // namespace zem
