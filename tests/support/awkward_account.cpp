#include "support/awkward_account.h"

namespace zem::test {

void FillAwkwardAccount(YNoteFixture& ynote) {
    ynote.AddNotebook("nb1", "工作");
    ynote.AddNotebook("nb2", "生活");
    ynote.AddTag("t1", "", "项目");
    ynote.AddTag("t2", "t1", " 前端;UI ");
    ynote.AddNote({.noteId = "n1",
                   .title = "a/b",
                   .notebookId = "nb1",
                   .tags = "t1,t2",
                   .created = 1577934245,
                   .updated = 1580000000,
                   .sourceUrl = "https://example.com/a",
                   .body = "<p>图 <img src=\"PIC1\"></p>"});
    ynote.AddResource("PIC1", "n1", 1, "user\\PIC1.png", MakePngImage(3, 2, 255, 0, 0));
    ynote.AddResource("A1", "n1", 2, "x\\report.pdf", "first report");
    ynote.AddResource("A2", "n1", 2, "y\\report.pdf", "second report");
    ynote.AddNote(
        {.noteId = "it's", .title = std::nullopt, .notebookId = "nb2", .body = "<p>quote</p>"});
    ynote.AddNote({.noteId = "n3",
                   .title = "毫秒",
                   .notebookId = "gone",
                   .created = 1577934245000,
                   .updated = -5,
                   .body = "<p>ms</p>"});
}

}  // namespace zem::test
