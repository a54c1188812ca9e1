// One note's content as an HTML file: the host's document template with the default style,
// the stored body after the template's body start tag, and every inline resource copied
// beside the file and linked by relative path. Failures are logged, never shown (a failing
// query is shown by RunQuery). One thread at a time: the thread that reads the account.
#pragma once

#include "host/zem_km_interfaces.h"
#include "import/note_resources.h"
#include "util/text_helpers.h"

namespace zem {

// The styled template every note's page starts from. It is the same text for every note, so
// it is made once (written out through the host, styled, and read back) and kept for the
// caller's run. One that could not be made whole (the template not written, or the style
// not inserted) is not kept: the next note makes it again and meets, and logs, the failure
// itself. Owned by the caller; one thread at a time, and only the user-interface thread
// while the template is not kept (Get then calls the host).
class NoteTemplate {
  public:
    // The styled template text, made through `htmlFile` when none is kept (the file then
    // holds it); null when the template could not be written. Valid until the next call.
    const Text* Get(const Text& htmlFile);
    // Whether the template is kept: Get then calls nothing.
    bool Whole() const { return whole_; }
    // Where a note's body goes in the text Get gave (NoteBodyPosition).
    size_t BodyPosition() const { return bodyAt_; }

  private:
    Text html_;
    size_t bodyAt_ = 0;
    bool whole_ = false;
};

// The path of the finished HTML file in the import folder, or empty text when none was made.
// Pictures that could not be copied are recorded in `resources`. `writtenFiles` (may be null)
// receives every file written for the note, also on failure, so the caller can remove them.
// `resourcesInRowOrder`: see StatementRowOrder.
Text BuildNoteHtmlFile(IZemKMSQLiteDatabase* database, const Text& noteId, const Text& importFolder,
                       ResourceStore& resources, NoteTemplate& noteTemplate,
                       TextList* writtenFiles = nullptr, bool resourcesInRowOrder = false);

// Writes the template out as HTML (through the host's tools component) and gives its text
// with the default style inserted; true when the template was written, `styled` telling
// whether the style went in too.
bool PrepareTemplateHtml(const Text& templateFile, const Text& htmlFile, Text& html, bool& styled);

// The note's HTML file name: the note id + ".htm" when the id is a safe file name, else a
// sanitised form made unique by a hash of the id.
Text NoteHtmlFileName(const Text& noteId);

// Where the note's body goes in the page: right after the first "<body>"; without one, after
// the first body start tag of any form (any case, with attributes); without that, at the
// end. Only markup counts: comments, attribute values and the contents of style and script
// elements (the default style sheet among them) are passed over.
size_t NoteBodyPosition(TextView html);

}  // namespace zem
