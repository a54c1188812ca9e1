#include "storage_schema.h"

#include <cstdint>
#include <string>

namespace zem::kmcore {

namespace {

// "ZmKB" in the header's application-id field marks the file as a knowledge-base index.
constexpr int32_t kApplicationId = 0x5A6D4B42;
// Raised whenever the statements below gain something an older file lacks.
constexpr int32_t kSchemaVersion = 3;

constexpr const char* kSchemaSql = R"sql(
CREATE TABLE IF NOT EXISTS folder(location TEXT PRIMARY KEY);
CREATE TABLE IF NOT EXISTS tag(
    guid TEXT PRIMARY KEY,
    parent_guid TEXT REFERENCES tag,
    name TEXT NOT NULL,
    description TEXT,
    created TEXT);
CREATE TABLE IF NOT EXISTS document(
    guid TEXT PRIMARY KEY,
    title TEXT,
    location TEXT REFERENCES folder,
    url TEXT,
    created TEXT,
    modified TEXT,
    updated TEXT);
CREATE TABLE IF NOT EXISTS document_tag(
    document_guid TEXT REFERENCES document,
    tag_guid TEXT REFERENCES tag,
    PRIMARY KEY(document_guid, tag_guid));
CREATE TABLE IF NOT EXISTS attachment(
    guid TEXT PRIMARY KEY,
    document_guid TEXT REFERENCES document,
    name TEXT,
    description TEXT,
    size INTEGER,
    created TEXT);
CREATE TABLE IF NOT EXISTS document_source(
    source TEXT NOT NULL,
    account TEXT NOT NULL,
    source_id TEXT NOT NULL,
    document_guid TEXT NOT NULL REFERENCES document ON DELETE CASCADE,
    source_version INTEGER,
    document_modified TEXT,
    PRIMARY KEY(source, account, source_id));
CREATE TABLE IF NOT EXISTS file_switch(
    owner TEXT NOT NULL,
    target TEXT NOT NULL,
    staged TEXT PRIMARY KEY);
CREATE INDEX IF NOT EXISTS tag_by_name ON tag(name COLLATE NOCASE);
CREATE INDEX IF NOT EXISTS tag_by_parent ON tag(parent_guid);
CREATE INDEX IF NOT EXISTS document_by_location ON document(location);
CREATE INDEX IF NOT EXISTS document_tag_by_tag ON document_tag(tag_guid);
CREATE INDEX IF NOT EXISTS attachment_by_document ON attachment(document_guid);
CREATE INDEX IF NOT EXISTS document_source_by_document ON document_source(document_guid);
)sql";

int64_t SingleNumber(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    int64_t value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

}  // namespace

int InspectSchema(sqlite3* db, SchemaState& state) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db,
                                "SELECT (SELECT application_id FROM pragma_application_id),"
                                " (SELECT count(*) FROM sqlite_master)",
                                -1, &statement, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        if (sqlite3_column_int64(statement, 0) == kApplicationId)
            state = SchemaState::kKnowledgeBase;
        else
            state = sqlite3_column_int64(statement, 1) == 0 ? SchemaState::kEmptyFile
                                                            : SchemaState::kForeign;
    }
    sqlite3_finalize(statement);
    return rc;
}

int CreateSchema(sqlite3* db, std::string& message) {
    // The mark is written in the same transaction as the tables, so a marked file has them.
    SchemaState state = SchemaState::kForeign;
    if (InspectSchema(db, state) == SQLITE_ROW && state == SchemaState::kKnowledgeBase &&
        SingleNumber(db, "PRAGMA user_version") >= kSchemaVersion)
        return SQLITE_OK;
    const std::string mark = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                             "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
    bool begun = false;
    for (const char* step : {"BEGIN IMMEDIATE", kSchemaSql, mark.c_str(), "COMMIT"}) {
        const int rc = sqlite3_exec(db, step, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            // Taken before the rollback, whose own outcome would replace it.
            message = sqlite3_errmsg(db);
            if (begun)
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            return rc;
        }
        begun = true;
    }
    return SQLITE_OK;
}

}  // namespace zem::kmcore
