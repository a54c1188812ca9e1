// Dates as index.db stores them: 'YYYY-MM-DD HH:MM:SS' in local time.
#pragma once

#include <string>

namespace zem::kmcore {

// The storage text of an OLE automation date (already local time); false when the date is
// outside the years 100 to 9999 or not a number.
bool OleDateToStorageText(double date, std::string& text);

// The current local time as storage text.
std::string CurrentStorageTime();

}  // namespace zem::kmcore
