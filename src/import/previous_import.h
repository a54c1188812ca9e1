// What earlier imports of a YNote account left in the knowledge base, and what a new run
// does with each note because of it.
//
// The knowledge base records, for every document an import creates, the note it came from
// (source "YNote", the account, the note id) and the note's dateupdated. All records of the
// account are read once, by Load, so a walk over an unchanged account asks the knowledge
// base nothing more per note. The notes this run imports are not added to them: memory
// would grow with the account. A filter of their ids tells a second row of such a note,
// whose record is then asked for. An engine without that record (IZemKMDocumentSources)
// leaves the object inert: every note is new, nothing is recorded.
//
// The calls into the knowledge base give its status back (ZEM_E_KNOWLEDGE_BASE_BUSY among
// them), for the caller to wait and try again; each may be tried again whole. Owned by one
// import run, which also owns the host database it borrows; user-interface thread only, but
// for MayImport.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "host/zem_km_document_sources.h"
#include "util/bloom_filter.h"
#include "util/text_helpers.h"

namespace zem {

// The source name the records of YNote notes carry.
inline constexpr char16_t kYNoteSourceName[] = u"YNote";

// The account a YNote database belongs to: its file name without ".db".
Text YNoteAccountName(const Text& databasePath);

enum class NoteFate {
    kNew,        // not imported before, or its document is gone: a new document
    kUnchanged,  // imported at the same dateupdated: nothing to do
    kChanged,    // imported at another dateupdated, or its import was cut short: update it
    kConflict,   // changed in YNote, and its document changed in the knowledge base since
};

class PreviousImport {
  public:
    PreviousImport(IZemKMDatabase* host, Text account);

    // Whether the knowledge base records where documents come from.
    bool Recording() const { return static_cast<bool>(sources_); }
    // Reads the account's records.
    HRESULT Load();
    // The account's documents recorded in the knowledge base.
    size_t RecordedCount() const { return records_.size(); }
    // Every note becomes a new document, as on a first import; the records go on being
    // written (they then point at the new documents).
    void TreatEveryNoteAsNew() { everyNoteNew_ = true; }
    // Sizes the record of the notes this run imports for about `count` notes.
    void ExpectNotes(size_t count) { finishedHere_ = BloomFilter(count); }

    // What to do with the note (`fate`); remembers that the account still has it. A note
    // this run imported already (a second row of it) is compared with that import.
    HRESULT Decide(const Text& noteId, int64_t dateUpdated, NoteFate& fate);
    // Whether Decide may send the note to the knowledge base, judged from the records as
    // Load found them: false only for a note Decide would then leave alone. Reads nothing
    // that the other calls change, so another thread may ask while they run; a note
    // imported twice in one run may be guessed wrong, which costs only time.
    bool MayImport(const Text& noteId, int64_t dateUpdated) const;
    // Records not matched by any note passed to Decide: notes gone from the account.
    int32_t UnmatchedCount() const;

    // A new document in the folder, recorded as the note's in the same step (an engine
    // without the record makes a plain one).
    HRESULT CreateDocument(IZemKMFolder* folder, const Text& title, const Text& noteId,
                           ComPtr<IZemKMDocument>& document);
    // The note's document, with its title and folder brought up to date; S_OK and no
    // document when the knowledge base no longer has it. Its record keeps the earlier
    // version until Finish, so an update cut short is made again by the next import.
    HRESULT TakeDocument(const Text& noteId, const Text& title, const Text& location,
                         ComPtr<IZemKMDocument>& document);
    // Records the note's import into the document as complete, with the document's changes.
    HRESULT Finish(IZemKMDocument* document, const Text& noteId, int64_t dateUpdated);

    // For a document updated in place: `had` tells whether it has an attachment named as
    // the file, which then holds the file's bytes (unless the status says it could not);
    // otherwise the file is a new attachment for it.
    HRESULT ReplaceAttachment(IZemKMDocument* document, const Text& path, bool& had);
    // The document's attachments whose names are not among `names`.
    HRESULT CountOtherAttachments(IZemKMDocument* document, const TextList& names, int32_t& others);

  private:
    struct Version {
        bool finished = false;
        int64_t dateUpdated = 0;
        bool documentChanged = false;
    };
    struct Record {
        Version now;
        Version loaded;  // as Load found it; never changed afterwards
        bool matched = false;
        bool finishedHere = false;  // by this run
    };
    static NoteFate FateOf(const Version& version, int64_t dateUpdated);
    // The note's record as the knowledge base has it now; `found` false when it has none.
    HRESULT ReadRecord(const Text& noteId, Record& record, bool& found);

    ComPtr<IZemKMDocumentSources> sources_;
    Text account_;
    std::unordered_map<Text, Record> records_;  // as Load found them
    BloomFilter finishedHere_{0};               // the other notes this run imported
    bool everyNoteNew_ = false;
};

}  // namespace zem
