// One open knowledge base: the folder, its index.db connection and the connection's prepared
// statements. Shared (std::shared_ptr) by the database component and every tag, folder,
// document and attachment object made from it, so the connection lives as long as any of
// them. Used from one thread at a time.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "checkpointer.h"
#include "platform/text.h"

namespace zem::kmcore {

class KnowledgeBase {
  public:
    // Opens the knowledge base whose index file is `indexPath` (an existing folder means the
    // index.db inside it), creating a new one when the file does not exist yet. The folder
    // must exist. Null with `error` set to a sentence for the user on failure.
    static std::shared_ptr<KnowledgeBase> Open(const Text& indexPath, Text& error);
    ~KnowledgeBase();
    KnowledgeBase(const KnowledgeBase&) = delete;
    KnowledgeBase& operator=(const KnowledgeBase&) = delete;

    // The knowledge-base folder, ending with "/".
    const Text& Folder() const { return folder_; }
    Text DocumentFolder(const Text& documentGuid) const;
    Text AttachmentFolder(const Text& attachmentGuid) const;

    // The connection's prepared statement for `sql`, made on first use and kept; null when
    // the text does not compile.
    sqlite3_stmt* Prepared(const std::string& sql);

    // Runs `body` as one transaction: committed when it returns true, else rolled back.
    bool InTransaction(const std::function<bool()>& body);

  private:
    KnowledgeBase(sqlite3* db, Text folder, const std::string& indexPath);

    sqlite3* db_;
    Text folder_;
    std::unique_ptr<Checkpointer> checkpointer_;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
};

// One use of a cached statement: binds, steps, and resets the statement when it ends.
class Statement {
  public:
    Statement(KnowledgeBase& kb, const std::string& sql) : statement_(kb.Prepared(sql)) {}
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1, as in SQL.
    Statement& Bind(int index, TextView value);
    Statement& Bind(int index, const std::string& value);
    Statement& Bind(int index, int64_t value);
    Statement& BindNull(int index);

    // True while the statement gives a row.
    bool NextRow() { return Step() == SQLITE_ROW; }
    // True when the statement ran to its end without error.
    bool Run() { return Step() == SQLITE_DONE; }

    Text ColumnText(int column);

  private:
    int Step() { return statement_ ? sqlite3_step(statement_) : SQLITE_ERROR; }

    sqlite3_stmt* statement_;
};

// A new GUID in its registry text form, the key of every stored object.
Text NewGuidText();

}  // namespace zem::kmcore
