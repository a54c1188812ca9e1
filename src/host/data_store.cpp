#include "host/data_store.h"

#include "config/global.h"
#include "host/zem_km_interfaces.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "util/paths.h"

namespace zem {

namespace {

constexpr char16_t kOldRegistryKey[] = u"Software\\Brennlake\\Zem";
constexpr char16_t kDataStoreValue[] = u"DataStore";

// The registered store, moved over from the key older host versions used when the current
// key has none.
Text FindRegisteredStore() {
    const Text key = GetProductRegistryKey();
    Text store = ReadRegistryText(key, kDataStoreValue, nullptr);
    if (store.empty()) {
        store = ReadRegistryText(kOldRegistryKey, kDataStoreValue, nullptr);
        if (!store.empty())
            RegistryWriteText(key, kDataStoreValue, store);
    }
    return store;
}

// The host's chooser between the two stores. Without the library or its export the portable
// store is used; an empty answer is the chooser's own decision and is kept as it is.
Text AskChooser(const Text& programFolder, const Text& registered, const Text& portable) {
    LibraryHandle library = LoadLibrary(programFolder + u"ZemKMControls.dll");
    if (!library)
        return portable;
    Text answer = portable;
    if (auto select = reinterpret_cast<ZemKMSelectDataStoreFunc>(
            GetProcAddress(library, "ZemKMSelectDataStore"))) {
        ScopedBstr chosen;
        select(registered.c_str(), portable.c_str(), chosen.Out());
        answer = chosen.ToText();
    }
    FreeLibrary(library);
    return answer;
}

// The shell creates a folder it is asked for; one that cannot be had falls back to the
// program folder.
Text ShellFolder(Text path) {
    if (path.empty() || !CreateFolderBelowRoot(path))
        return GetProgramFolder();
    AddTrailingSeparator(path);
    return path;
}

// Computes a per-process path once. A call made while it is being computed (a log line
// written during the decision) gets empty text instead of recursing.
template <class Compute>
Text ComputeOnce(std::optional<Text>& cache, bool& busy, Compute compute) {
    if (!cache) {
        if (busy)
            return Text();
        busy = true;
        cache = compute();
        busy = false;
    }
    return *cache;
}

}  // namespace

Text GetDataStoreFolderName() {
    return ToNativeSeparators(EqualsIgnoreCase(QueryProductName(), u"Solvane") ? u"Solvane Data/"
                                                                               : u"My Knowledge/");
}

Text DecideDataStoreFolder(const DataStoreInputs& inputs, std::optional<Text>& chosen) {
    if (inputs.systemAccount)
        return inputs.programFolder;

    Text registered = FindRegisteredStore();
    Text portable;
    if (inputs.portable) {
        portable = inputs.programFolder + GetDataStoreFolderName();
        CreateFolderBelowRoot(portable);
    }
    if (!registered.empty() && !PathExists(registered))
        registered.clear();
    if (!portable.empty() && !PathExists(portable))
        portable.clear();

    Text store;
    if (!registered.empty() && !portable.empty()) {
        // The style lookup decides the store for every note; the person is asked only once.
        if (!chosen)
            chosen = AskChooser(inputs.programFolder, registered, portable);
        store = *chosen;
    } else if (!registered.empty()) {
        store = registered;
    } else if (!portable.empty()) {
        store = portable;
    } else {
        store = GetDocumentsFolder() + GetDataStoreFolderName();
    }
    AddTrailingSeparator(store);
    CreateFolderBelowRoot(store + ToNativeSeparators(u"Data/"));
    return store;
}

Text GetDataStoreFolder() {
    static std::optional<Text> chosen;
    static const bool portable = GetPortableSetting() == u"1";  // read once, kept
    static const bool systemAccount = IsSystemAccount();        // a process keeps its user
    const DataStoreInputs inputs{systemAccount, portable, GetProgramFolder()};
    return DecideDataStoreFolder(inputs, chosen);
}

Text GetSettingsFilePath() {
    static std::optional<Text> path;
    static bool busy = false;
    return ComputeOnce(path, busy,
                       [] { return GetDataStoreFolder() + QueryInnerProductName() + u".xml"; });
}

Text GetLogFilePath() {
    static std::optional<Text> path;
    static bool busy = false;
    return ComputeOnce(path, busy,
                       [] { return GetDataStoreFolder() + QueryInnerProductName() + u".log"; });
}

Text GetDocumentsFolder() {
    static const Text folder = ShellFolder(GetDocumentsFolderPath());
    return folder;
}

Text GetLocalAppDataFolder() {
    static const Text folder = ShellFolder(GetLocalAppDataFolderPath());
    return folder;
}

bool IsSystemAccount() {
    return EqualsIgnoreCase(GetUserName(), u"SYSTEM");
}

}  // namespace zem
