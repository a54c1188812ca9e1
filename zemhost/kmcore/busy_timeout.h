// How long a statement waits for another connection's lock before SQLite reports the
// database busy, for every connection the engine opens: the knowledge base's writer, its
// checkpoint thread, and the SQLite object's databases.
#pragma once

namespace zem::kmcore {

constexpr int kBusyTimeoutMilliseconds = 10000;

}  // namespace zem::kmcore
