// The global configuration: built-in defaults, product names, UI language, registry key,
// portable-mode file, and the one process-wide IZemGlobal object.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace zem {

// The nine lines compiled into the program; also handed to the host tools library.
extern const char16_t kBuiltInDefaultsText[];

// A value of the built-in defaults, under their re-entrant lock. An empty value with
// `allowEmpty` false ends the process with status -1.
Text GetBuiltInValue(TextView section, TextView key, bool allowEmpty, bool localized);
// key + "_" + UI language first, then the plain key.
Text GetLocalizedBuiltInValue(TextView section, TextView key);

Text QueryProductName();       // "Zem"
Text QueryInnerProductName();  // InnerProductName, else the product name
Text GetProductRegistryKey();  // "Software\Zem"

// The registry "LCID", else the user's locale; excluded languages give 0; Chinese variants
// are folded to 1028 or 2052.
uint32_t GetUILanguage();
// The exclusion and folding steps of GetUILanguage: 0 when the decimal text of `lcid` is an
// item of the comma-separated `excludeList` (compared exactly, items not trimmed), else the
// folded language.
uint32_t FilterUILanguage(uint32_t lcid, TextView excludeList);

Text GetPortableIniPath();  // program folder + inner product name + ".ini"
Text GetPortableSetting();  // "Portable" of section "Common" there

// Section "Common" of a classic INI file, cut to 4,096 characters.
Text ReadCommonValue(const Text& key, const Text& iniPath, const Text& defaultValue);

// A text value under the current user's registry hive; values of 1,024 characters or more
// count as absent. A null default gives empty text.
Text ReadRegistryText(const Text& keyPath, const Text& valueName, const char16_t* defaultValue);

// The product's global configuration. One instance per process (GetGlobal); used from the
// user-interface thread, and for WriteLog also from the note preparer's thread while it
// captures its reports (deferred_reports.h). Texts are returned as copies the caller owns; a
// path given in is copied, not kept.
class IZemGlobal {
  public:
    // Appends one line to the program's log.
    virtual void WriteLog(TextView text) = 0;
    // Makes the program's own temporary folder under the system's temporary path, private to
    // the user, and returns it ending with a separator; empty text when it cannot be made.
    virtual Text CreateTempFolder() = 0;
    // The temporary folder: the one given to SetTempFolder (made again when missing), else
    // the program's own, made on the first call and checked again on each.
    virtual Text GetTempFolder() = 0;
    // Whether `path` names a file of the host's resources ("%ResourceFilePath%/...").
    virtual bool IsResourceFilePath(TextView path) = 0;
    // A slot the interface keeps in its place; it does nothing.
    virtual void ReservedOperation(intptr_t a, intptr_t b, intptr_t c) = 0;
    // The product's name as the user sees it.
    virtual Text GetProductName() = 0;
    // Uses `path` (null: none, so that GetTempFolder makes the program's own) as the
    // temporary folder; with `deleteOnExit` non-zero the folder and what it holds are removed
    // when this object is destroyed.
    virtual void SetTempFolder(const char16_t* path, int32_t deleteOnExit) = 0;
    // The path of the host's settings file; empty when there is none.
    virtual Text GetSettingsFileName() = 0;
    // WriteLog, when the debug switch is on; nothing otherwise.
    virtual void WriteDebugLog(TextView text) = 0;
    virtual ~IZemGlobal() = default;
};

// The configuration without a host: its log drops every line and it has no settings file.
class CZemGlobalDefault : public IZemGlobal {
  public:
    CZemGlobalDefault();
    // Removes the temporary folder when asked to by SetTempFolder.
    ~CZemGlobalDefault() override;
    CZemGlobalDefault(const CZemGlobalDefault&) = delete;
    CZemGlobalDefault& operator=(const CZemGlobalDefault&) = delete;

    void WriteLog(TextView text) override;
    Text CreateTempFolder() override;
    Text GetTempFolder() override;
    bool IsResourceFilePath(TextView path) override;
    void ReservedOperation(intptr_t a, intptr_t b, intptr_t c) override;
    Text GetProductName() override;
    void SetTempFolder(const char16_t* path, int32_t deleteOnExit) override;
    Text GetSettingsFileName() override;
    void WriteDebugLog(TextView text) override;

  protected:
    Text productName_;
    Text innerProductName_;
    Text tempFolder_;
    int32_t deleteTempFolderOnExit_ = 0;
    // The temporary folder is the program's own (not one given to SetTempFolder): it is kept
    // private to the user, and a planted or unsafe folder is replaced by a fresh one.
    bool ownTempFolder_ = false;

  private:
    // Makes the program's temporary folder private; the folder used, or empty text.
    Text SecureTempFolder(const Text& folder);
};

// Makes `global` the object GetGlobal returns. The program's start-up installs its own
// flavour before anything else runs and before other threads start; `global` is not owned and
// must live until the process ends.
void InstallGlobal(IZemGlobal& global);
// The installed global object; until one is installed, a CZemGlobalDefault of the process's
// own, made on first use and destroyed at process exit.
IZemGlobal& GetGlobal();

}  // namespace zem
