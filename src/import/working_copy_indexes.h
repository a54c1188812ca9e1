// Lookups by key for the per-note statements on the YNote working copy, whatever indexes the
// account has. A table without an index on the column a per-note statement looks its rows up
// by (the note's body, its notebook, its tag names, its resources) would be read whole for
// every note, which makes the import grow with the square of the account. The host's SQLite
// object opens the copy read-only, so no index can go into the file itself; instead such a
// table gets, in the connection's temporary schema, a table of its row ids and lookup column
// with an index on that column, and a view of the table's own name that joins it back to the
// table's rows. An unqualified name finds the temporary schema first, so the statements,
// unchanged, read the view from then on. The view has the table's columns and values, the
// lookup column with its affinity, and the table's row ids as a column "rowid"; the files
// stay as they are. Rows that share a key come in row-id order, as a whole-table read gives
// them; a statement that looks up several keys at once gets them in key order and must ask
// for "order by rowid" (StatementRowOrder says which).
//
// Tables are left as they are (logged, and named in the returned failures when each note will
// read the whole table) when they are views, virtual tables or without row ids, when their
// columns declare a collation (the lookup column would lose it) or have a column named rowid,
// or when a step fails. Tables the statements already read through an index are not touched.
// User-interface thread only; the temporary objects live as long as the connection.
#pragma once

#include "import/ynote_reader.h"
#include "util/text_helpers.h"

namespace zem {

struct WorkingCopyIndexes {
    StatementRowOrder rowOrder;
    // One line for each table the per-note statements will read whole, saying why.
    TextList failures;
};

WorkingCopyIndexes IndexWorkingCopy(IZemKMSQLiteDatabase* database);

}  // namespace zem
