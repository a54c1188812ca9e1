// A note's resources: inline ones (named in the note's HTML, copied beside the HTML file at
// their YNote relative path) and attachments (copied into the import folder under a safe,
// note-unique file name). Only files that were copied enter the entry lists; every other
// resource is recorded as a loss in the run's ResourceStore. One thread at a time: the thread
// that reads the account.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "host/zem_km_interfaces.h"
#include "import/reusable_files.h"

namespace zem {

// Why a resource of a note did not arrive.
enum class ResourceLossReason {
    kUnsafePath,      // its path leaves the storage folder by itself ("..", absolute)
    kMissing,         // nothing is at its path (a missing storage folder included)
    kOutsideStorage,  // its path leads through a symbolic link out of the storage folder
    kNotRegularFile,  // a folder, named pipe, device or socket is at its path
    kNotCopied,       // reading it or writing its copy failed (`detail`: the system's text)
    kNotStored,       // the knowledge base did not take the attachment
};

struct ResourceLoss {
    bool attachment = false;  // else a picture (an inline resource)
    Text resourceId;
    Text path;  // the stored relative path (YNote's reserve2 column), as YNote keeps it
    ResourceLossReason reason = ResourceLossReason::kMissing;
    Text detail;
};

// The account's resource files as one run reads them: YNote's storage folder, whether the
// account has resource tables at all, and the resources that did not arrive since the caller
// last took the list. Only files that really lie inside the storage folder are read: a
// symbolic link that leads out of it would let a crafted account copy any file of the user
// (a key, a password store) into the knowledge base. Owned by one run.
class ResourceStore {
  public:
    // `folder`: the storage folder, ending with a separator, or empty for the current folder.
    ResourceStore(Text folder, bool hasResourceTables);

    const Text& Folder() const { return folder_; }
    // False when the account lacks the resources or resource_attr table.
    bool HasResourceTables() const { return hasResourceTables_; }
    // False when the storage folder does not exist.
    bool FolderExists() const { return !realFolder_.empty(); }

    // Copies the file at storage folder + `storedRelativePath` to `target`. False, with the loss
    // recorded, when the path leaves the folder, no regular file inside the folder is there,
    // or the copy fails.
    bool CopyResource(const Text& resourceId, const Text& storedRelativePath, bool attachment,
                      const Text& target);
    void RecordLoss(ResourceLoss loss) { losses_.push_back(std::move(loss)); }

    // Files the run has finished with (not owned; null, the default, when it keeps none).
    // PrepareTarget gives a file about to be written (a copy, or the note's page) one of them
    // to write over, when one waits.
    void UseReusableFiles(ReusableFiles* files) { reusable_ = files; }
    void PrepareTarget(const Text& target) {
        if (reusable_)
            reusable_->Claim(target);
    }
    // Makes the folder a copy goes into (with its parents), one given up earlier when one
    // waits.
    void PrepareFolder(const Text& folder);
    // The losses recorded since the last call, oldest first.
    std::vector<ResourceLoss> TakeLosses();
    // The bytes of the copies made since the last call.
    int64_t TakeBytesCopied() { return std::exchange(bytesCopied_, 0); }

  private:
    Text folder_;
    Text realFolder_;  // resolved, ending with "/"; empty when the folder is missing
    bool hasResourceTables_;
    std::vector<ResourceLoss> losses_;
    int64_t bytesCopied_ = 0;
    ReusableFiles* reusable_ = nullptr;
};

struct ResourceEntry {
    Text resourceId;
    // Relative to the import folder, in YNote's form ("\" separators): the whole stored relative
    // path for inline resources, the sanitised, note-unique name for attachments; file-name bytes
    // that are not UTF-8 in their readable form (ReadableText).
    Text fileName;
    // The text the note's HTML names the resource by (inline resources only).
    Text searchText;
};

// YNote's "\"-separated relative path as a file-system path (the edition's separators).
Text ToFileSystemPath(TextView yNotePath);

// A relative path (either separator) that stays inside the folder it is joined to: not
// absolute, without ".." pieces, and on Windows without a drive or a stream (no ":").
bool IsPathInsideFolder(TextView relativePath);

// The resources of the note (type not 4) whose id the page mentions (the page given in
// pieces: its text is never joined), copied to import folder + their stored relative path with
// their folders made. False only when the query failed; true with no entries when the account has
// no resource tables. Both collections take the rows in row order when `inRowOrder` (see
// StatementRowOrder).
bool CollectInlineResources(IZemKMSQLiteDatabase* database, const Text& noteId,
                            const Text& importFolder, std::vector<ResourceEntry>& entries,
                            const std::vector<TextView>& page, ResourceStore& store,
                            bool inRowOrder = false);

// The note's attachments (type not 1, 3 or 4), copied to import folder + their file name
// (the stored relative path after its first "\", sanitised; the resource id when nothing usable is
// left; " (2)", " (3)" ... before the extension when the note already has that name; the name
// shortened before its extension where the file system's limit requires). False only when
// the query failed; true with no entries when the account has no resource tables.
bool CollectAttachments(IZemKMSQLiteDatabase* database, const Text& noteId,
                        const Text& importFolder, std::vector<ResourceEntry>& entries,
                        ResourceStore& store, bool inRowOrder = false);

// False for names over 259 characters or holding / " ? : * | < > CR LF TAB , % '.
bool IsValidFileName(TextView name);
// Leaves a valid name alone; otherwise shortens it to 259 characters keeping its extension,
// turns each forbidden character into "-", collapses "--" and trims white space and "-".
void SanitizeFileName(Text& name);

}  // namespace zem
