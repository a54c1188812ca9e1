// Creating host components from the libraries that hold them, without any system registry.
// Every failure is logged and never shown; the callers decide what the user sees.
#pragma once

#include "host/zem_km_interfaces.h"
#include "platform/dynamic_library.h"

namespace zem {

// Loads the library (changing the current directory to its folder), takes its class object
// and creates one instance asked for `iid`. The library stays loaded.
HRESULT CreateObjectFromDll(const Text& libraryPath, const CLSID& clsid, const IID& iid,
                            void** object);
// The instance, or null (after the log line "Failed to create object: %1, %2").
IUnknown* CreateHostObject(const Text& libraryPath, const CLSID& clsid, const IID& iid);
// ZemKMCore.dll from the program folder, then from the registered AppPath.
IUnknown* CreateKMCoreObject(const CLSID& clsid, const IID& iid);

// The two one-line creators over CreateKMCoreObject. One reference, owned by the caller.
IZemKMTools* CreateKMToolsObject();
IZemKMSettings* CreateKMSettingsObject();

// The engine library held for its SQLite factory export. Owns its library handle.
class CZemKMCoreDll {
  public:
    explicit CZemKMCoreDll(const Text& appPath);
    ~CZemKMCoreDll();
    CZemKMCoreDll(const CZemKMCoreDll&) = delete;
    CZemKMCoreDll& operator=(const CZemKMCoreDll&) = delete;

    // Loads the program folder's ZemKMCore.dll; true when it loaded, export or not.
    bool Load();
    void Unload();

    Text appPath;
    LibraryHandle module = nullptr;
    ZemKMCreateSQLiteDatabaseFunc createSQLiteDatabase = nullptr;
};

// ZemTools.dll with its 73 entries resolved by name and its four set-up calls made.
// Owns its library handle; the object stays usable when the library did not load.
class CZemToolsDll {
  public:
    static constexpr int kEntryCount = 73;
    static const char* const kEntryNames[kEntryCount];

    // Null file names skip their set-up calls; an empty folder means the program folder.
    CZemToolsDll(const char16_t* logFileName, const char16_t* settingsFileName,
                 const char16_t* folder);
    virtual ~CZemToolsDll();
    CZemToolsDll(const CZemToolsDll&) = delete;
    CZemToolsDll& operator=(const CZemToolsDll&) = delete;

    // The resolved address of entry `index` (in kEntryNames order), or null.
    void* Entry(int index) const { return entries_[index]; }
    void* Entry(const char* name) const;
    LibraryHandle Module() const { return module_; }

  private:
    LibraryHandle module_ = nullptr;
    void* entries_[kEntryCount] = {};
};

}  // namespace zem
