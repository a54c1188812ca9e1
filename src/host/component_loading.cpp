#include "host/component_loading.h"

#include <cstring>

#include "config/global.h"
#include "platform/files.h"
#include "util/paths.h"
#include "util/text_file_writer.h"

namespace zem {

namespace {

constexpr char16_t kKMCoreFileName[] = u"ZemKMCore.dll";

void Log(TextView text) {
    GetGlobal().WriteLog(text);
}

// Why the last library did not load, in the loader's own words (a missing dependency, a
// wrong architecture, an undefined symbol), which say more than the error number they are
// filed under; the number's text when the loader gave none.
Text LoadFailureReason() {
    Text reason = LastLibraryError();
    if (reason.empty() && GetLastErrorCode() != 0)
        reason = GetErrorText(GetLastErrorCode());
    return reason;
}

}  // namespace

HRESULT CreateObjectFromDll(const Text& libraryPath, const CLSID& clsid, const IID& iid,
                            void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;

    // Host libraries find their companion files relative to the current directory, so it is
    // moved to the library's folder and left there. A relative path is first taken against
    // the directory it was meant for. A bare file name keeps the loader's own search.
    const Text folder = GetFolderPart(libraryPath);
    const Text loadPath =
        folder.empty() ? libraryPath : MakeAbsolutePath(libraryPath, GetCurrentDirectory());
    SetCurrentDirectory(MakeAbsolutePath(folder, GetCurrentDirectory()));

    LibraryHandle library = LoadLibrary(loadPath);
    if (!library) {
        Log(FormatText(u"Failed to load dll: %1 (%2)", libraryPath, LoadFailureReason()));
        return E_FAIL;
    }

    // The library stays loaded for the life of the process, whatever happens below: objects
    // it hands out may outlive any holder of the handle.
    auto getClassObject =
        reinterpret_cast<DllGetClassObjectFunc>(GetProcAddress(library, "DllGetClassObject"));
    if (!getClassObject) {
        Log(FormatText(u"Couldnot find DllGetClassObject address: %1", libraryPath));
        return E_FAIL;
    }

    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(clsid, IClassFactory::kIID, reinterpret_cast<void**>(&factory));
    if (Succeeded(hr) && !factory)
        hr = E_POINTER;  // success without an object is a failure
    if (Failed(hr)) {
        Log(FormatText(u"Failed to create IClassFactory: %1", libraryPath));
        return hr;
    }

    hr = factory->CreateInstance(nullptr, iid, object);
    if (Succeeded(hr) && !*object)
        hr = E_POINTER;
    if (Failed(hr)) {
        Log(FormatText(u"Failed to create object: IID=%1, DllFileName=%2", GuidToRegistryText(iid),
                       libraryPath));
    }
    factory->Release();
    return hr;
}

IUnknown* CreateHostObject(const Text& libraryPath, const CLSID& clsid, const IID& iid) {
    void* object = nullptr;
    const HRESULT hr = CreateObjectFromDll(libraryPath, clsid, iid, &object);
    if (Failed(hr)) {
        Log(FormatText(u"Failed to create object: %1, %2", GuidToRegistryText(clsid), libraryPath));
        // A misbehaving library may hand out an object together with a failure.
        if (object)
            static_cast<IUnknown*>(object)->Release();
        return nullptr;
    }
    return static_cast<IUnknown*>(object);
}

IUnknown* CreateKMCoreObject(const CLSID& clsid, const IID& iid) {
    if (IUnknown* object = CreateHostObject(GetProgramFolder() + kKMCoreFileName, clsid, iid))
        return object;
    // The registered host folder is used exactly as stored: the host writes it with its
    // closing separator.
    const Text appPath = ReadRegistryText(GetProductRegistryKey(), u"AppPath", u"");
    return CreateHostObject(appPath + kKMCoreFileName, clsid, iid);
}

IZemKMTools* CreateKMToolsObject() {
    return static_cast<IZemKMTools*>(CreateKMCoreObject(CLSID_ZemKMTools, IZemKMTools::kIID));
}

IZemKMSettings* CreateKMSettingsObject() {
    return static_cast<IZemKMSettings*>(
        CreateKMCoreObject(CLSID_ZemKMSettings, IZemKMSettings::kIID));
}

// ---------------------------------------------------------------------------------------------

CZemKMCoreDll::CZemKMCoreDll(const Text& hostFolder) : appPath(hostFolder) {
    Load();
}

CZemKMCoreDll::~CZemKMCoreDll() {
    Unload();
}

bool CZemKMCoreDll::Load() {
    Unload();
    // Only the library beside the program is used for the SQLite factory; the host folder is
    // kept for reference. A missing library or export is reported by the import when it
    // needs the factory.
    module = LoadLibrary(GetProgramFolder() + kKMCoreFileName);
    if (!module)
        return false;
    createSQLiteDatabase = reinterpret_cast<ZemKMCreateSQLiteDatabaseFunc>(
        GetProcAddress(module, "ZemKMCreateSQLiteDatabase"));
    return true;
}

void CZemKMCoreDll::Unload() {
    createSQLiteDatabase = nullptr;
    if (module)
        FreeLibrary(std::exchange(module, nullptr));
}

// ---------------------------------------------------------------------------------------------

const char* const CZemToolsDll::kEntryNames[CZemToolsDll::kEntryCount] = {
    "ZemToolsSetLogFileName",
    "ZemToolsSetTempPath",
    "ZemToolsSetSettingsFileName",
    "ZemToolsSetSkin",
    "ZemToolsDocument2Html",
    "ZemToolsDocument2Mht",
    "ZemToolsDocument2Zip",
    "ZemToolsCompressHtml2Zip",
    "ZemToolsHtml2Html",
    "ZemToolsZip2Html",
    "ZemToolsHtmlGetContent",
    "ZemToolsHtml2Text",
    "ZemToolsHtml2TextAndImage",
    "ZemToolsRtfText2Html",
    "ZemToolsRtfFile2Html",
    "ZemToolsRtfText2Text",
    "ZemToolsRtfFile2Text",
    "ZemToolsConvertToHtmlFile",
    "ZemToolsConvertToHtmlFile2",
    "ZemToolsHtmlContentRulesManagerDlg",
    "ZemToolsHtmlContentRulesDownloadAll",
    "ZemToolsHtmlContentRulesUploadAll",
    "ZemToolsExtractTags",
    "ZemToolsEnumTableCells",
    "ZemToolsURLDownloadToTempFile",
    "ZemToolsURLDownloadGetHtmlText",
    "ZemToolsEnumLinks",
    "ZemToolsLoadUnicodeTextFromFile",
    "ZemToolsTagGetAttribute",
    "ZemToolsTagSetAttribute",
    "ZemToolsDocumentGetSelection",
    "ZemToolsShowBubbleWindow",
    "ZemToolsShowBubbleWindowEx",
    "ZemToolsShowBubbleWindow2",
    "ZemToolsShowBubbleWindow2Ex",
    "ZemToolsRunScript",
    "ZemToolsRunScript2",
    "ZemToolsParseHtml",
    "ZemToolsEncrypt_AES256_CBC_PKCS5",
    "ZemToolsDecrypt_AES256_CBC_PKCS5",
    "ZemToolsEncrypt_RSA",
    "ZemToolsDecrypt_RSA",
    "ZemToolsGenerateKeyPair_RSA",
    "ZemToolsHtml2Mht",
    "ZemToolsMht2Html",
    "ZemToolsLoadMime",
    "ZemToolsCreateMimeMessageCreator",
    "ZemToolsPDF2Html",
    "ZemToolsPDF2Text",
    "ZemToolsCreateHtmlEditor",
    "ZemToolsScreenCapture",
    "ZemToolsScreenCaptureToFile",
    "ZemToolsCreateHtmlDocumentByHtmlText",
    "ZemToolsCreateHtmlDocumentByHtmlFileName",
    "ZemToolsHtmlDocumentToHtmlResourceFile",
    "ZemToolsHtmlResourceFileGetExtInfo",
    "ZemToolsHtmlResourceFileToHtmlDocument",
    "ZemToolsHtmlResourceFileClearFiles",
    "ZemToolsPublishHtml",
    "ZemToolsSetSecuteText",
    "ZemToolsHtmlResource2HtmlResource",
    "ZemToolsCreateBubbleWindow2",
    "ZemToolsSetBubbleWindowText2",
    "ZemToolsSetBubbleWindowParams2",
    "ZemToolsCloseBubbleWindow2",
    "ZemToolsCompress7z",
    "ZemToolsUncompress7z",
    "ZemToolsHtml2Image",
    "ZemToolsHtmlDocument2Image",
    "ZemToolsChinese2PinYinEx",
    "ZemToolsPngLoad",
    "ZemToolsPngLoad2",
    "ZemToolsPngFree",
};

CZemToolsDll::CZemToolsDll(const char16_t* logFileName, const char16_t* settingsFileName,
                           const char16_t* folder) {
    Text libraryFolder = folder ? Text(folder) : Text();
    if (libraryFolder.empty())
        libraryFolder = GetProgramFolder();
    AddTrailingSeparator(libraryFolder);

    // The tools library loads its own companions from the current directory. A relative
    // folder is taken against the directory it was meant for, before that changes.
    const Text loadFolder = MakeAbsolutePath(libraryFolder, GetCurrentDirectory());
    SetCurrentDirectory(loadFolder);

    const Text libraryPath = libraryFolder + u"ZemTools.dll";
    module_ = LoadLibrary(loadFolder + u"ZemTools.dll");
    if (!module_) {
        const Text reason = LoadFailureReason();
        Log(FormatText(u"ErrorCode=%1", IntToText(GetLastErrorCode())));
        Log(FormatText(u"Failed to load ZemTools.dll: %1", libraryPath));
        if (!reason.empty())
            Log(reason);
        return;
    }

    // No export is required; a missing one leaves its entry null.
    for (int i = 0; i < kEntryCount; ++i)
        entries_[i] = GetProcAddress(module_, kEntryNames[i]);

    auto call = [this](const char* name, const char16_t* text) {
        if (auto entry = reinterpret_cast<ZemToolsSetTextFunc>(Entry(name)); entry && text)
            entry(text);
    };
    call("ZemToolsSetSecuteText", kBuiltInDefaultsText);
    call("ZemToolsSetLogFileName", logFileName);
    call("ZemToolsSetSettingsFileName", settingsFileName);
    const Text tempFolder = GetGlobal().GetTempFolder();
    call("ZemToolsSetTempPath", tempFolder.c_str());
}

CZemToolsDll::~CZemToolsDll() {
    if (module_)
        FreeLibrary(std::exchange(module_, nullptr));
}

void* CZemToolsDll::Entry(const char* name) const {
    for (int i = 0; i < kEntryCount; ++i) {
        if (std::strcmp(kEntryNames[i], name) == 0)
            return entries_[i];
    }
    return nullptr;
}

}  // namespace zem
