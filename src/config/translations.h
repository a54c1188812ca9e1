// User-interface translations: one process-wide table filled at start-up from the
// translation files of the user's language, then only read (user-interface thread).
#pragma once

#include "platform/text.h"

namespace zem {

// The language folder when it exists, else program folder + "translations/default/".
Text GetLanguageOrDefaultFolder();

}  // namespace zem
