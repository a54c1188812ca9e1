#include "host/component_loading.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "config/global.h"
#include "host/host_test_support.h"
#include "platform/registry.h"
#include "support/environment.h"
#include "support/test_files.h"
#include "support/test_home.h"

namespace zem::test {
namespace {

const CLSID kTestClsid = MakeGuid("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
const IID kTestIid = MakeGuid("12345678-9ABC-DEF0-1234-56789ABCDEF0");

std::string LibraryPath(const std::string& variant, const std::string& name) {
    return std::string(ZEM_TEST_LIBS_DIR) + "/" + variant + "/" + name;
}

bool IsLoaded(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

int CallCounter(const std::string& path, const char* name) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    auto counter = reinterpret_cast<int (*)()>(dlsym(handle, name));
    const int value = counter ? counter() : -1;
    if (handle)
        dlclose(handle);
    return value;
}

std::string CreationLine(const std::string& path) {
    return "Failed to create object: " + U8(GuidToRegistryText(kTestClsid)) + ", " + path;
}

TEST(CreateHostObject, WorkingLibraryGivesTheObjectAndReleasesItsFactory) {
    const std::string path = LibraryPath("working", "ZemKMCore.dll");
    LogWatch log;
    IUnknown* object = CreateHostObject(U16(path), kTestClsid, kTestIid);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(CallCounter(path, "TestLiveFactories"), 0);
    EXPECT_EQ(CallCounter(path, "TestLiveObjects"), 1);
    object->Release();
    EXPECT_EQ(CallCounter(path, "TestLiveObjects"), 0);
    EXPECT_TRUE(log.NewMessages().empty());
    // Left in the library's folder for the library's own relative file lookups.
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(path).parent_path());
}

TEST(CreateHostObject, EachFailureLogsItsLineThenTheCreationLine) {
    struct Case {
        const char* variant;
        HRESULT result;
        std::string firstLine;
    };
    const std::string noExport = LibraryPath("no_class_object", "ZemKMCore.dll");
    const std::string factoryFails = LibraryPath("factory_fails", "ZemKMCore.dll");
    const std::string instanceFails = LibraryPath("instance_fails", "ZemKMCore.dll");
    const Case cases[] = {
        {"no_class_object", E_FAIL, "Couldnot find DllGetClassObject address: " + noExport},
        {"factory_fails", CLASS_E_CLASSNOTAVAILABLE,
         "Failed to create IClassFactory: " + factoryFails},
        {"instance_fails", E_NOINTERFACE,
         "Failed to create object: IID={12345678-9ABC-DEF0-1234-56789ABCDEF0}, DllFileName=" +
             instanceFails},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        const std::string path = LibraryPath(c.variant, "ZemKMCore.dll");
        LogWatch log;
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateObjectFromDll(U16(path), kTestClsid, kTestIid, &object), c.result);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(CreateHostObject(U16(path), kTestClsid, kTestIid), nullptr);
        EXPECT_EQ(log.NewMessages(),
                  (std::vector<std::string>{c.firstLine, c.firstLine, CreationLine(path)}));
        // Loaded libraries are never freed, whatever went wrong after loading.
        EXPECT_TRUE(IsLoaded(path));
    }
    EXPECT_EQ(CallCounter(instanceFails, "TestLiveFactories"), 0);
}

TEST(CreateHostObject, MissingLibraryLogsTheLoadersReason) {
    const std::string path = MakeTestFolder("missing") + "/ZemKMCore.dll";
    LogWatch log;
    EXPECT_EQ(CreateHostObject(U16(path), kTestClsid, kTestIid), nullptr);
    const std::vector<std::string> messages = log.NewMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].rfind("Failed to load dll: " + path + " (", 0), 0u) << messages[0];
    EXPECT_EQ(messages[0].back(), ')');
    EXPECT_EQ(messages[1], CreationLine(path));
}

TEST(CreateKMCoreObject, BesideTheHostNothingIsLogged) {
    LogWatch log;
    IZemKMTools* tools = CreateKMToolsObject();
    ASSERT_NE(tools, nullptr);
    tools->Release();
    IZemKMSettings* settings = CreateKMSettingsObject();
    ASSERT_NE(settings, nullptr);
    settings->Release();
    EXPECT_TRUE(log.NewMessages().empty());
}

TEST(CreateKMCoreObject, OutsideTheHostFallsBackToTheRegisteredAppPathAsWritten) {
    const std::string folder = MakeTestFolder("outside");
    const std::string firstPath = folder + "/ZemKMCore.dll";
    const std::string toolsClsid = U8(GuidToRegistryText(CLSID_ZemKMTools));

    ASSERT_TRUE(RegistryWriteText(GetProductRegistryKey(), u"AppPath", U16(BinDir() + "/")));
    LogWatch log;
    EXPECT_EQ(RunProbe(folder, "tools-object"), std::vector<std::string>{"object"});
    std::vector<std::string> messages = log.NewMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].rfind("Failed to load dll: " + firstPath, 0), 0u);
    EXPECT_EQ(messages[1], "Failed to create object: " + toolsClsid + ", " + firstPath);

    // Without its closing separator the registered folder names a different file.
    ASSERT_TRUE(RegistryWriteText(GetProductRegistryKey(), u"AppPath", U16(BinDir())));
    LogWatch secondLog;
    EXPECT_EQ(RunProbe(folder, "tools-object"), std::vector<std::string>{"null"});
    messages = secondLog.NewMessages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[3],
              "Failed to create object: " + toolsClsid + ", " + BinDir() + "ZemKMCore.dll");
}

TEST(CZemKMCoreDll, LoadsTheProgramFoldersEngineWhateverTheHostFolder) {
    CZemKMCoreDll core(u"/nonexistent/host/");
    ASSERT_NE(core.module, nullptr);
    ASSERT_NE(core.createSQLiteDatabase, nullptr);
    IZemKMSQLiteDatabase* database = nullptr;
    EXPECT_TRUE(Succeeded(core.createSQLiteDatabase(&database)));
    ASSERT_NE(database, nullptr);
    database->Release();
    core.Unload();
    EXPECT_EQ(core.module, nullptr);
    EXPECT_EQ(core.createSQLiteDatabase, nullptr);

    // Away from the engine it stays empty, silently.
    LogWatch log;
    EXPECT_EQ(RunProbe(MakeTestFolder("no-engine"), "kmcore-dll"),
              std::vector<std::string>{"module=0 export=0"});
    EXPECT_TRUE(log.NewMessages().empty());
}

class ToolsDllTest : public testing::Test {
  protected:
    void SetUp() override {
        record_ = MakeTestFolder("tools-record") + "/calls.txt";
        SetEnv("ZEM_TEST_TOOLS_RECORD", record_);
    }
    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        std::istringstream in(ReadFileBytesIfAny(record_));
        for (std::string line; std::getline(in, line);)
            calls.push_back(line.substr(0, line.find('=')));
        return calls;
    }
    std::string record_;
};

TEST_F(ToolsDllTest, AllSetUpEntriesAreCalledInOrderWithTheirTexts) {
    const std::string folder = std::string(ZEM_TEST_LIBS_DIR) + "/tools_all";
    CZemToolsDll tools(u"/logs/Zem.log", u"/store/Zem.xml", U16(folder).c_str());
    ASSERT_NE(tools.Module(), nullptr);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"SecuteText", "LogFileName", "SettingsFileName",
                                                 "TempPath"}));
    const std::string record = ReadFileBytesIfAny(record_);
    std::string defaults = U8(kBuiltInDefaultsText);
    for (size_t at = 0; (at = defaults.find('\n', at)) != std::string::npos; at += 2)
        defaults.replace(at, 1, "\\n");
    EXPECT_NE(record.find("SecuteText=" + defaults + "\n"), std::string::npos);
    EXPECT_NE(record.find("LogFileName=/logs/Zem.log\n"), std::string::npos);
    EXPECT_NE(record.find("SettingsFileName=/store/Zem.xml\n"), std::string::npos);
    EXPECT_NE(record.find("TempPath=" + U8(GetGlobal().GetTempFolder()) + "\n"), std::string::npos);
    // Entries sit in the fixed order; exports the library lacks stay null.
    EXPECT_NE(tools.Entry(0), nullptr);   // ZemToolsSetLogFileName
    EXPECT_NE(tools.Entry(59), nullptr);  // ZemToolsSetSecuteText
    EXPECT_EQ(tools.Entry("ZemToolsHtml2Text"), nullptr);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(folder));
}

TEST_F(ToolsDllTest, MissingArgumentsAndExportsSkipTheirCalls) {
    const std::string folder = std::string(ZEM_TEST_LIBS_DIR) + "/tools_partial/";
    CZemToolsDll tools(nullptr, u"/store/Zem.xml", U16(folder).c_str());
    ASSERT_NE(tools.Module(), nullptr);
    EXPECT_EQ(Calls(), std::vector<std::string>{"TempPath"});
    EXPECT_NE(tools.Entry("ZemToolsHtml2Text"), nullptr);
    EXPECT_NE(tools.Entry("ZemToolsPngFree"), nullptr);
    EXPECT_EQ(tools.Entry("ZemToolsSetSecuteText"), nullptr);
    EXPECT_EQ(tools.Entry("ZemToolsSetSettingsFileName"), nullptr);
    EXPECT_EQ(tools.Entry("ZemToolsPngLoad"), nullptr);
}

TEST_F(ToolsDllTest, MissingLibraryLogsItsLinesAndStaysUsable) {
    const std::string folder = MakeTestFolder("no-tools");
    LogWatch log;
    CZemToolsDll tools(u"/logs/Zem.log", u"/store/Zem.xml", U16(folder).c_str());
    EXPECT_EQ(tools.Module(), nullptr);
    for (int i = 0; i < CZemToolsDll::kEntryCount; ++i)
        EXPECT_EQ(tools.Entry(i), nullptr);
    EXPECT_TRUE(Calls().empty());
    const std::vector<std::string> messages = log.NewMessages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].rfind("ErrorCode=", 0), 0u);
    EXPECT_EQ(messages[1], "Failed to load ZemTools.dll: " + folder + "/ZemTools.dll");
    EXPECT_EQ(messages[2], folder + "/ZemTools.dll: No such file or directory");
}

TEST_F(ToolsDllTest, EmptyFolderMeansTheProgramFolder) {
    const std::string folder = MakeTestFolder("tools-beside");
    std::filesystem::copy_file(std::string(ZEM_TEST_LIBS_DIR) + "/tools_all/ZemTools.dll",
                               folder + "/ZemTools.dll");
    EXPECT_EQ(RunProbe(folder, "tools-dll"), (std::vector<std::string>{"module=1", folder}));
    EXPECT_EQ(Calls().size(), 4u);
}

}  // namespace
}  // namespace zem::test
