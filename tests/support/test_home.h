// Every test process runs in a home of its own, so no test reads or writes the real user's
// files or settings, and tests running side by side never meet. On POSIX HOME, XDG_*, TMPDIR
// and ZEM_REGISTRY (the registry file) point inside it; on Windows TMP and TEMP do, and the
// process uses a registry key of its own as HKEY_CURRENT_USER (named by ZEM_REGISTRY, which
// the programs it starts inherit), whose shell folders put Documents and the local
// application data inside the home. The folder is made before the first test and removed
// after the last (kept when ZEM_KEEP_TEST_HOME is set).
#pragma once

#include <string>

namespace zem::test {

// The home of this test process (no trailing separator).
const std::string& TestHome();

// A fresh empty folder inside the test home, for one test's files (no trailing separator).
std::string MakeTestFolder(const std::string& name);

// The home's own user folders, "/"-separated: Documents, and the local application data
// (".local/share" on Linux, "AppData/Local" on Windows).
std::string TestDocumentsFolder();
std::string TestLocalAppDataFolder();
// `path` with the separators of the platform, as the program reports paths.
std::string NativePath(std::string path);

// The folder holding the built program and host libraries (build/bin), in the system's
// own form.
std::string BinDir();

// Makes the home and points the process at it; false when it cannot be made.
bool EnterTestHome();
// Puts the process's settings back and removes the home.
void LeaveTestHome();

}  // namespace zem::test
