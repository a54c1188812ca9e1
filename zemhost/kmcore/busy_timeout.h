// How long a statement waits for another connection's lock before SQLite reports the
// database busy: the checkpoint thread, the SQLite object's databases, and a knowledge base
// storing its waiting changes as it closes (their last chance).
#pragma once

namespace zem::kmcore {

constexpr int kBusyTimeoutMilliseconds = 10000;

// A knowledge-base call waits less before it gives up with ZEM_E_KNOWLEDGE_BASE_BUSY: long
// enough for any transaction this engine makes, short enough that a caller who waits longer
// can keep its window alive meanwhile.
constexpr int kCallBusyTimeoutMilliseconds = 1000;

}  // namespace zem::kmcore
