// The messages the import shows: information message boxes with one OK button, and one
// question with Yes, No and Cancel, owned by the main window, their texts taken from the
// string table and translated. The string table is the program's resources, which the
// application installs at start-up; any layer from here up may show a message.
#pragma once

#include "platform/text.h"

namespace zem {

// String-table ids of the import's messages.
enum MessageId : int {
    IDS_ABOUTBOX = 101,
    IDS_FILE_FILTER = 102,
    IDS_CREATE_DATABASE_FAILED = 103,
    IDS_FILE_NOT_EXISTS = 104,
    IDS_OPEN_DATABASE_FAILED = 105,
    IDS_QUERY_FAILED = 106,
    IDS_FIELD_VALUE_FAILED = 107,
    IDS_FIELD_DATA_FAILED = 108,
    IDS_CREATE_FOLDER_FAILED = 109,
    IDS_CREATE_DOCUMENT_FAILED = 110,
    IDS_SAVE_DOCUMENT_FAILED = 111,
    IDS_IMPORT_COMPLETED = 112,
    // The knowledge base holds documents of the account (%1 the account, %2 how many).
    IDS_IMPORT_AGAIN = 113,
    IDS_EARLIER_IMPORTS_UNREADABLE = 114,
    // Another program holds the knowledge base: at start-up (%1 the index file), while the
    // import waits for it (%1 the seconds waited), and when the import stopped waiting.
    IDS_KNOWLEDGE_BASE_IN_USE = 120,
    IDS_WAITING_FOR_KNOWLEDGE_BASE = 121,
    IDS_KNOWLEDGE_BASE_STILL_IN_USE = 122,
    // Another import of the same account into the knowledge base runs (%1 the seconds
    // waited).
    IDS_WAITING_FOR_OTHER_IMPORT = 123,
};

// The message box's result; empty text shows nothing and gives 2 (cancel).
int ShowMessageText(const Text& text);
int ShowMessageId(int id);
int ShowMessageIdArg(int id, const Text& argument);
// A question with the buttons Yes, No and Cancel: ui::IDYES_RESULT, ui::IDNO_RESULT or
// ui::IDCANCEL_RESULT (also for an empty text, which shows nothing).
int AskYesNoCancel(const Text& text);

}  // namespace zem
