#include "source_account_hold.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "host_files.h"
#include "kb_objects.h"
#include "platform/com_object.h"
#include "platform/file_lock.h"
#include "platform/files.h"

namespace zem::kmcore {

namespace {

// Owns the lock; releasing the last reference lets go of the account.
class AccountHold : public ComObject<IUnknown> {
  public:
    FileLock lock;
};

// The lock file's name: FNV-1a over the source and account, so that any text an account is
// named by makes a short, safe file name. Two accounts sharing a hash only wait for each
// other.
Text LockFileName(const Text& source, const Text& account) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char byte : ToUtf8(source) + '\n' + ToUtf8(account)) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 0x100000001b3ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return u"import-" + FromUtf8(hex) + u".lock";
}

// Locks the file, making it when missing: S_OK, S_FALSE when another holds it, or E_FAIL.
// Another process may make the file between the two tries, hence the loop; and may lock the
// file this one just made before this one does, which is then held by another.
HRESULT LockFile(FileLock& lock, const Text& path) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (lock.TryLockExisting(path) ||
            (GetLastErrorKind() == ErrorKind::kNotFound && lock.CreateLocked(path)))
            return S_OK;
        if (GetLastErrorKind() == ErrorKind::kLocked)
            return S_FALSE;
        if (GetLastErrorKind() != ErrorKind::kAlreadyExists)
            return E_FAIL;
    }
    return E_FAIL;
}

}  // namespace

HRESULT ZEM_STDMETHODCALLTYPE SourceAccountHoldComponent::TryHoldSourceAccount(
    const char16_t* source, const char16_t* account, IUnknown** hold) {
    if (!hold)
        return E_POINTER;
    *hold = nullptr;
    if (ArgText(source).empty())
        return E_INVALIDARG;
    const std::shared_ptr<KnowledgeBase> kb = HoldsKnowledgeBase();
    if (!kb)
        return E_FAIL;
    const Text folder = kb->Folder() + u"locks" + kPathSeparator;
    if (!IsFolder(folder) && !CreateFolderAndParents(folder))
        return E_FAIL;
    auto* made = new AccountHold;
    const HRESULT status =
        LockFile(made->lock, folder + LockFileName(ArgText(source), ArgText(account)));
    if (status == S_OK)
        *hold = made->DetachAsUnknown();
    else
        made->Release();
    return status;
}

}  // namespace zem::kmcore
