// YNote accounts made in code, as YNote keeps them: the account database (tables note_attr,
// note, notebook_attr, tag_attr, resources, resource_attr, config_new) and the attachment
// storage folder holding the resource files. Rows are written as they are added; the
// database is complete once Close() ran or the builder ended. One thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "support/sqlite_file.h"

namespace zem::test {

struct YNoteNote {
    std::string noteId{};
    std::optional<std::string> title{};  // nullopt: NULL
    std::string notebookId{};
    std::string tags{};  // tag ids separated by ","
    int64_t created = 0;
    int64_t updated = 0;
    std::string sourceUrl{};
    std::optional<std::string> body{};  // note.data bytes; nullopt: no note row at all
};

// How the account's tables are keyed: with primary keys on note_attr, note, notebook_attr,
// resources and config_new (tag_attr and resource_attr have none), or with no key or index on
// any table, which nothing in YNote's file rules out.
enum class YNoteKeys { kPrimaryKeys, kNone };

class YNoteFixture {
  public:
    // Makes `folder` (when missing) with "<account>.db" and the storage folder "attachments/",
    // and records that folder as AttachmentStorageDir.
    explicit YNoteFixture(const std::string& folder, const std::string& account = "account",
                          YNoteKeys keys = YNoteKeys::kPrimaryKeys);

    const std::string& DatabasePath() const { return databasePath_; }
    const std::string& StorageFolder() const { return storageFolder_; }  // ends with "/"

    void AddNotebook(const std::string& id, const std::string& name);
    void AddTag(const std::string& tagId, const std::string& parentId, const std::string& name);
    void AddNote(const YNoteNote& note);
    // A resource row of the note. `storedPath` is the file's path relative to the storage
    // folder as YNote records it (column reserve2, "\"-separated); with `content`, the file is
    // written there (its "\" turned into "/"), folders made as needed.
    void AddResource(const std::string& resId, const std::string& noteId, int type,
                     const std::string& storedPath,
                     const std::optional<std::string>& content = std::nullopt);
    // Replaces the AttachmentStorageDir row; nullopt removes it.
    void SetStorageDirValue(const std::optional<std::string>& value);
    void DropTable(const std::string& table);

    SqliteFile& Database() { return *database_; }
    void Close() { database_->Close(); }

  private:
    std::string databasePath_;
    std::string storageFolder_;
    std::optional<SqliteFile> database_;
};

// A PNG picture of one colour, valid for any image decoder (stored deflate blocks).
std::string MakePngImage(uint32_t width, uint32_t height, uint8_t red, uint8_t green, uint8_t blue);

}  // namespace zem::test
