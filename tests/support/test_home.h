// Every test process runs in its own temporary HOME: HOME, XDG_*, TMPDIR and ZEM_REGISTRY
// point inside it, so no test reads or writes the real user's files. The folder is made
// before the first test and removed after the last.
#pragma once

#include <string>

namespace zem::test {

// The temporary HOME of this test process (no trailing "/").
const std::string& TestHome();

// A fresh empty folder inside the test HOME, for one test's files (no trailing "/").
std::string MakeTestFolder(const std::string& name);

// The folder holding the built program and host libraries (build/bin).
std::string BinDir();

}  // namespace zem::test
