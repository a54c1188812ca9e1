// A result set over rows already read into memory, for the engine's own queries on the
// knowledge base: it holds no statement, so the connection stays free for the caller's next
// changes while the rows are read. Comes back with one reference owned by the caller; one
// thread at a time.
#pragma once

#include <vector>

#include "platform/com.h"

namespace zem::kmcore {

using TextRow = std::vector<Text>;

// An IZemKMSQLiteRecordset over `rows`, each with `columns` texts. Blobs are not offered.
IUnknown* NewRowRecordset(std::vector<TextRow> rows, int32_t columns);

}  // namespace zem::kmcore
