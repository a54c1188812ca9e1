#include "config/global.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "config/ini_file.h"
#include "platform/profile_ini.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "util/log_file.h"
#include "util/paths.h"
#include "util/sync_objects.h"
#include "util/text_helpers.h"

namespace zem {

const char16_t kBuiltInDefaultsText[] =
    u"[Common]\n"
    u"CompanyName=\n"
    u"ProductName=Zem\n"
    u"Home=https://www.zem.example/\n"
    u"API=https://api.zem.example/\n"
    u"UIExcludes=None\n"
    u"[Sync]\n"
    u"http=http://sync.zem.example/zemkm/xmlrpc\n"
    u"https=https://accounts.zem.example/zemkm/xmlrpc";

namespace {

constexpr size_t kRegistryValueChars = 1024;
constexpr size_t kCommonValueChars = 4096;

// Guards the built-in store. Re-entrant: forming the language suffix of a localized lookup
// reads the product name, which comes back here on the same thread.
CZemCriticalSectionObject& BuiltInLock() {
    static CZemCriticalSectionObject lock;
    return lock;
}

class BuiltInLockHolder {
  public:
    BuiltInLockHolder() { BuiltInLock().Lock(); }
    ~BuiltInLockHolder() { BuiltInLock().Unlock(); }
    BuiltInLockHolder(const BuiltInLockHolder&) = delete;
    BuiltInLockHolder& operator=(const BuiltInLockHolder&) = delete;
};

// Call with the built-in lock held.
const CZemIniFileEx& BuiltInStore() {
    static const CZemIniFileEx store = [] {
        CZemIniFileEx ini;
        ini.LoadText(kBuiltInDefaultsText);
        return ini;
    }();
    return store;
}

uint32_t FoldLanguage(uint32_t lcid) {
    switch (lcid) {
        case 0x0C04:
        case 0x0404:
        case 0x1404:
            return 0x0404;
        case 0x0804:
        case 0x1004:
            return 0x0804;
        default:
            return lcid;
    }
}

}  // namespace

Text GetBuiltInValue(TextView section, TextView key, bool allowEmpty, bool localized) {
    BuiltInLockHolder hold;
    Text value = localized ? GetLocalizedBuiltInValue(section, key)
                           : BuiltInStore().GetString(section, key, u"");
    // A required value of the product itself is missing: nothing sensible can run.
    if (value.empty() && !allowEmpty)
        std::_Exit(-1);
    return value;
}

Text GetLocalizedBuiltInValue(TextView section, TextView key) {
    BuiltInLockHolder hold;
    enum class SuffixState { kNone, kForming, kFormed };
    static SuffixState state = SuffixState::kNone;
    static Text suffix;
    if (state == SuffixState::kNone) {
        // Computing the language reads the product name, which comes back here; that
        // nested call sees kForming and answers with the plain key.
        state = SuffixState::kForming;
        suffix = u"_" + IntToText(static_cast<int32_t>(GetUILanguage()));
        state = SuffixState::kFormed;
    }
    if (state == SuffixState::kFormed) {
        Text value = GetBuiltInValue(section, Text(key) + suffix, true, false);
        if (!value.empty())
            return value;
    }
    return GetBuiltInValue(section, key, true, false);
}

Text QueryProductName() {
    return GetBuiltInValue(u"Common", u"ProductName", false, true);
}

Text QueryInnerProductName() {
    Text name = GetBuiltInValue(u"Common", u"InnerProductName", true, false);
    return name.empty() ? QueryProductName() : name;
}

Text GetProductRegistryKey() {
    return FormatText(u"Software\\%1", QueryInnerProductName());
}

uint32_t GetUILanguage() {
    uint32_t lcid = 0;
    if (!RegistryReadDword(GetProductRegistryKey(), u"LCID", lcid))
        lcid = 0;
    if (lcid == 0)
        lcid = GetUserDefaultLCID();
    return FilterUILanguage(lcid, GetBuiltInValue(u"Common", u"UIExcludes", true, false));
}

uint32_t FilterUILanguage(uint32_t lcid, TextView excludeList) {
    TextList excluded;
    SplitText(excludeList, u',', excluded);
    const Text number = IntToText(static_cast<int32_t>(lcid));
    for (const Text& item : excluded) {
        if (item == number)
            return 0;
    }
    return FoldLanguage(lcid);
}

Text GetPortableIniPath() {
    return GetProgramFolder() + QueryInnerProductName() + u".ini";
}

Text GetPortableSetting() {
    return ReadCommonValue(u"Portable", GetPortableIniPath(), Text());
}

Text ReadCommonValue(const Text& key, const Text& iniPath, const Text& defaultValue) {
    return GetPrivateProfileString(u"Common", key, defaultValue, iniPath, kCommonValueChars);
}

Text ReadRegistryText(const Text& keyPath, const Text& valueName, const char16_t* defaultValue) {
    Text value;
    if (RegistryReadText(keyPath, valueName, value)) {
        value.resize(std::min(value.size(), value.find(u'\0')));
        // A value too long for the value buffer counts as absent rather than being cut: the
        // values read are mostly folder paths, and a cut path names a different place.
        if (value.size() < kRegistryValueChars)
            return value;
    }
    // The caller's default is used whole, for the same reason.
    return defaultValue ? Text(defaultValue) : Text();
}

CZemGlobalDefault::CZemGlobalDefault()
    : productName_(QueryProductName()), innerProductName_(QueryInnerProductName()) {}

CZemGlobalDefault::~CZemGlobalDefault() {
    if (deleteTempFolderOnExit_ != 0)
        RemoveFolderTree(CZemGlobalDefault::GetTempFolder());
}

void CZemGlobalDefault::WriteLog(TextView /*text*/) {}

Text CZemGlobalDefault::SecureTempFolder(const Text& folder) {
    // On a shared temporary path anyone can make a folder of this name first; only a folder
    // that is the user's alone is used, else a fresh private one.
    Text reason;
    Text used = MakePrivateFolder(folder, reason);
    if (!reason.empty())
        WriteLog(FormatText(u"Temporary folder: %1", reason));
    return used;
}

Text CZemGlobalDefault::CreateTempFolder() {
    Text folder = GetSystemTempPath() + innerProductName_;
    AddTrailingSeparator(folder);
    return SecureTempFolder(folder);
}

Text CZemGlobalDefault::GetTempFolder() {
    if (tempFolder_.empty()) {
        tempFolder_ = CreateTempFolder();
        ownTempFolder_ = true;
    } else if (ownTempFolder_) {
        // Kept for the rest of the process, and checked again: it may have been removed
        // (and planted again) since the last call.
        Text used = SecureTempFolder(tempFolder_);
        if (!used.empty())
            tempFolder_ = used;
    } else {
        CreateFolderBelowRoot(tempFolder_);
    }
    return tempFolder_;
}

bool CZemGlobalDefault::IsResourceFilePath(TextView path) {
    return path.starts_with(u"%ResourceFilePath%/");
}

void CZemGlobalDefault::ReservedOperation(intptr_t /*a*/, intptr_t /*b*/, intptr_t /*c*/) {}

Text CZemGlobalDefault::GetProductName() {
    return productName_;
}

void CZemGlobalDefault::SetTempFolder(const char16_t* path, int32_t deleteOnExit) {
    tempFolder_ = path ? Text(path) : Text();
    ownTempFolder_ = false;
    deleteTempFolderOnExit_ = deleteOnExit;
}

Text CZemGlobalDefault::GetSettingsFileName() {
    return Text();
}

void CZemGlobalDefault::WriteDebugLog(TextView text) {
    if (IsDebugSwitchOn())
        WriteLog(text);
}

namespace {
std::atomic<IZemGlobal*> g_installedGlobal{nullptr};
}

void InstallGlobal(IZemGlobal& global) {
    g_installedGlobal.store(&global, std::memory_order_release);
}

IZemGlobal& GetGlobal() {
    if (IZemGlobal* installed = g_installedGlobal.load(std::memory_order_acquire))
        return *installed;
    static CZemGlobalDefault fallback;
    return fallback;
}

}  // namespace zem
