// An INI text held as its lines and queried by section and key. Loaded once, then read only.
// Not thread-safe; the built-in defaults store guards its one instance with a lock.
#pragma once

#include <vector>

#include "platform/text.h"

namespace zem {

class CZemIniFileEx {
  public:
    CZemIniFileEx() = default;
    virtual ~CZemIniFileEx() = default;

    // Replaces the lines with those of `text` (split at LF, one CR per line dropped).
    void LoadText(TextView text);

    // The value of the first key line of the first matching section: section and key names
    // compare ignoring the case of A-Z; the value is the trimmed line after "key=". A null
    // default gives empty text.
    Text GetString(TextView section, TextView key, const char16_t* defaultValue) const;

  private:
    std::vector<Text> lines_;
};

}  // namespace zem
