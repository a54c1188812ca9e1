// A registry hive of the process's own. When ZEM_REGISTRY names a key under
// HKEY_CURRENT_USER ("Software\ZemTests\run-1"), that key stands in for HKEY_CURRENT_USER for
// the rest of the process: the program's settings, and the shell's folders (Documents,
// local application data) read through "User Shell Folders" in it. Programs started from
// the process inherit the variable and do the same when they call this at their start, so
// that test runs side by side never share settings, logs or data stores.
#pragma once

namespace zem {

// Applies ZEM_REGISTRY, before anything reads the registry; calling it again is harmless. Unset or
// empty: nothing changes, true. A value that is no key path (it holds ':' or '/'), or a key that
// can be neither opened nor created: nothing changes, false.
bool UseRegistryFromEnvironment();

}  // namespace zem
