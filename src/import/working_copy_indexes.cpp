#include "import/working_copy_indexes.h"

#include "config/global.h"

namespace zem {

namespace {

// A per-note statement with a value for its "%1" that keeps it valid.
struct SampleStatement {
    const char16_t* sql = nullptr;
    const char16_t* argument = nullptr;
};

// A table that per-note statements look rows up in by one column. `rowOrder` names the
// statements that look up several keys at once and so must then ask for row order.
struct Lookup {
    const char16_t* table;
    const char16_t* column;
    SampleStatement statements[2];
    bool StatementRowOrder::*rowOrder = nullptr;
};

// The note's body and its notebook come by one key, the first row counting; the resources'
// note ids feed a set. Tag names and resources come by several keys.
const Lookup kLookups[] = {
    {u"note", u"noteid", {{kSqlSelectNoteBody, u""}}},
    {u"notebook_attr", u"notebookid", {{kSqlSelectNotebookById, u""}}},
    {u"tag_attr", u"tagid", {{kSqlSelectTagNames, u"''"}}, &StatementRowOrder::tagNames},
    {u"resource_attr", u"noteid", {{kSqlSelectInlineResources, u""}, {kSqlSelectAttachments, u""}}},
    {u"resources",
     u"resid",
     {{kSqlSelectInlineResources, u""}, {kSqlSelectAttachments, u""}},
     &StatementRowOrder::resources},
};

// The row ids travel in this column of the key table, a name no YNote column has.
constexpr char16_t kRowIdColumn[] = u"zemynote_rowid";

Text QuoteName(TextView name) {
    Text quoted = u"\"";
    for (char16_t c : name) {
        quoted += c;
        if (c == u'"')
            quoted += c;
    }
    return quoted + u"\"";
}

bool Run(IZemKMSQLiteDatabase* database, const Text& sql) {
    return static_cast<bool>(TryQuery(database, sql));
}

enum class Plan { kIndexed, kWholeTable, kFailed };

// Whether one of the lookup's statements reads every row of its table in the table's own
// order. A table read through any index, also a covering one, is left alone: its rows may
// come in that index's order, which an added index would change.
Plan PlanOf(IZemKMSQLiteDatabase* database, const Lookup& lookup) {
    Plan plan = Plan::kIndexed;
    for (const SampleStatement& statement : lookup.statements) {
        if (!statement.sql)
            continue;
        auto steps = TryQuery(
            database, u"explain query plan " + FormatText(statement.sql, statement.argument));
        if (!steps)
            return Plan::kFailed;
        for (; HasCurrentRow(steps.Get()); steps->MoveNext()) {
            Text detail;
            TryReadFieldText(steps.Get(), 3, detail);
            if (EqualsIgnoreCase(detail, Text(u"SCAN ") + lookup.table) ||
                EqualsIgnoreCase(detail, Text(u"SCAN TABLE ") + lookup.table))
                plan = Plan::kWholeTable;
        }
    }
    return plan;
}

// Why the table cannot take a key table and view, or empty text when it can; `columns`
// receives its columns as the table names them.
Text Unsuitable(IZemKMSQLiteDatabase* database, const Lookup& lookup, TextList& columns) {
    {
        auto entry = TryQuery(database, FormatText(u"select type, sql from main.sqlite_master "
                                                   u"where type in ('table', 'view') and "
                                                   u"name = '%1' collate nocase",
                                                   lookup.table));
        Text type, sql;
        if (!entry || !HasCurrentRow(entry.Get()) || !TryReadFieldText(entry.Get(), 0, type) ||
            !TryReadFieldText(entry.Get(), 1, sql))
            return u"its definition cannot be read";
        if (type == u"view")
            return u"it is a view";
        if (StartsWithIgnoreCase(sql, u"create virtual"))
            return u"it is a virtual table";
        // The key table's column would compare with the default collation instead.
        if (FindIgnoreCase(sql, u"collate") != Text::npos)
            return u"its columns declare a collation";
    }
    {
        auto info = TryQuery(
            database,
            FormatText(u"select name, hidden from pragma_table_xinfo('%1', 'main')", lookup.table));
        for (; info && HasCurrentRow(info.Get()); info->MoveNext()) {
            Text name, hidden;
            if (!TryReadFieldText(info.Get(), 0, name) || !TryReadFieldText(info.Get(), 1, hidden))
                return u"its columns cannot be read";
            if (hidden == u"1")
                continue;
            if (EqualsIgnoreCase(name, u"rowid"))
                return u"it has a column named rowid";
            columns.push_back(name);
        }
    }
    if (columns.empty())
        return u"its columns cannot be read";
    if (!TryQuery(database, u"select rowid from main." + QuoteName(lookup.table) + u" limit 0"))
        return u"it has no row ids";
    return {};
}

// Makes the key table, its index and the view; why not, or empty text when they were made.
Text MakeKeyTableAndView(IZemKMSQLiteDatabase* database, const Lookup& lookup,
                         const TextList& columns) {
    Text key;
    for (const Text& column : columns) {
        if (EqualsIgnoreCase(column, lookup.column))
            key = column;
    }
    if (key.empty())
        return FormatText(u"it has no column %1", lookup.column);
    const Text table = QuoteName(lookup.table);
    const Text keys = QuoteName(Text(u"zemynote_keys_") + lookup.table);
    const Text rowId = QuoteName(kRowIdColumn);
    // Created from the table's rows in row-id order, the key table's own row ids follow the
    // table's, so the index gives rows that share a key in the table's order. The column
    // keeps the table column's affinity, so the same values match.
    if (!Run(database, u"create temp table " + keys + u" as select rowid as " + rowId + u", " +
                           QuoteName(key) + u" from main." + table + u" order by rowid"))
        return u"its key table cannot be made";
    Text view = u"create temp view " + table + u" as select k." + rowId + u" as rowid";
    for (const Text& column : columns)
        view +=
            (column == key ? u", k." : u", m.") + QuoteName(column) + u" as " + QuoteName(column);
    view += u" from temp." + keys + u" k join main." + table + u" m on m.rowid = k." + rowId;
    if (!Run(database, u"create index temp." +
                           QuoteName(Text(u"zemynote_keys_") + lookup.table + u"_" + key) +
                           u" on " + keys + u" (" + QuoteName(key) + u")") ||
        !Run(database, view)) {
        Run(database, u"drop table temp." + keys);
        return u"its index cannot be made";
    }
    return {};
}

}  // namespace

WorkingCopyIndexes IndexWorkingCopy(IZemKMSQLiteDatabase* database) {
    WorkingCopyIndexes result;
    for (const Lookup& lookup : kLookups) {
        const Plan plan = PlanOf(database, lookup);
        if (plan == Plan::kFailed) {
            // Its per-note statement fails for every note and says so then.
            GetGlobal().WriteLog(
                FormatText(u"Import ynote, the working copy's table %1 was left "
                           u"without an index: its per-note statement fails",
                           lookup.table));
            continue;
        }
        if (plan == Plan::kIndexed)
            continue;
        TextList columns;
        Text failure = Unsuitable(database, lookup, columns);
        if (failure.empty())
            failure = MakeKeyTableAndView(database, lookup, columns);
        if (!failure.empty()) {
            result.failures.push_back(FormatText(
                u"Import ynote, the working copy's table %1 could not be given an index on %2 "
                u"(%3); each note reads the whole table",
                lookup.table, lookup.column, failure));
            continue;
        }
        GetGlobal().WriteLog(
            FormatText(u"Import ynote, the working copy's table %1 was given an "
                       u"index on %2",
                       lookup.table, lookup.column));
        if (lookup.rowOrder)
            result.rowOrder.*lookup.rowOrder = true;
    }
    return result;
}

}  // namespace zem
