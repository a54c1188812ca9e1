// The private-profile INI reader: GetPrivateProfileString with the Windows reader's rules.
// Section and key names compare ignoring case, the first match wins, the value is trimmed
// and one pair of surrounding quotes is removed. The result is cut to `bufferChars` - 1
// characters, as the Windows reader cuts it to its buffer.
#pragma once

#include <cstddef>

#include "platform/text.h"

namespace zem {

Text GetPrivateProfileString(const Text& section, const Text& key, const Text& defaultValue,
                             const Text& iniPath, size_t bufferChars);

}  // namespace zem
