#include "host/data_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "config/global.h"
#include "host/host_test_support.h"
#include "platform/registry.h"
#include "support/environment.h"
#include "support/test_files.h"
#include "support/test_home.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

const Text kOldKey = u"Software\\Brennlake\\Zem";

class DataStoreTest : public testing::Test {
  protected:
    // The Linux edition's registry is a file of the test home; Windows gives every test a
    // registry key of its own.
    static void RemoveRegistry() {
        if (!GetRegistryFilePath().empty())
            fs::remove(U8(GetRegistryFilePath()));
    }
    void SetUp() override {
        RemoveRegistry();
        program_ = MakeTestFolder("program");
        registered_ = MakeTestFolder("registered");
        record_ = MakeTestFolder("chooser-record") + "/calls.txt";
        SetEnv("ZEM_TEST_CHOOSER_RECORD", record_);
        SetEnv("ZEM_TEST_CHOOSER_ANSWER", "registered");
    }
    void TearDown() override { RemoveRegistry(); }
    // A folder path as the program reports it.
    static Text Reported(const std::string& path) { return U16(NativePath(path)); }

    Text Decide(bool portable, std::optional<Text>& chosen, bool system = false) {
        return DecideDataStoreFolder({system, portable, Reported(program_ + "/")}, chosen);
    }
    // A library once loaded may stay mapped under its path, so each variant gets a program
    // folder of its own.
    void InstallChooser(const std::string& variant) {
        fs::copy_file(std::string(ZEM_TEST_LIBS_DIR) + "/" + variant + "/ZemKMControls.dll",
                      program_ + "/ZemKMControls.dll");
    }
    std::vector<std::string> ChooserCalls() const {
        std::vector<std::string> calls;
        std::istringstream in(ReadFileBytesIfAny(record_));
        for (std::string line; std::getline(in, line);)
            calls.push_back(line);
        return calls;
    }
    static std::string Documents() { return TestDocumentsFolder() + "/"; }

    std::string program_, registered_, record_;
};

TEST_F(DataStoreTest, SystemAccountUsesTheProgramFolderAndCreatesNothing) {
    std::optional<Text> chosen;
    EXPECT_EQ(Decide(true, chosen, true), Reported(program_ + "/"));
    EXPECT_FALSE(fs::exists(program_ + "/Data"));
    EXPECT_FALSE(fs::exists(program_ + "/My Knowledge"));
}

TEST_F(DataStoreTest, WithoutAnyStoreDocumentsHoldsIt) {
    std::optional<Text> chosen;
    EXPECT_EQ(Decide(false, chosen), Reported(Documents() + "My Knowledge/"));
    EXPECT_TRUE(fs::is_directory(Documents() + "My Knowledge/Data"));
    EXPECT_EQ(GetDocumentsFolder(), Reported(Documents()));
    EXPECT_EQ(GetLocalAppDataFolder(), Reported(TestLocalAppDataFolder() + "/"));
}

TEST_F(DataStoreTest, StoreUnderTheOlderKeyIsMovedOverAndUsed) {
    ASSERT_TRUE(RegistryWriteText(kOldKey, u"DataStore", U16(registered_)));
    std::optional<Text> chosen;
    EXPECT_EQ(Decide(false, chosen), Reported(registered_ + "/"));
    EXPECT_TRUE(fs::is_directory(registered_ + "/Data"));
    Text moved;
    EXPECT_TRUE(RegistryReadText(GetProductRegistryKey(), u"DataStore", moved));
    EXPECT_EQ(moved, U16(registered_));
}

TEST_F(DataStoreTest, RegisteredStoreThatIsGoneIsIgnored) {
    InstallChooser("chooser");
    ASSERT_TRUE(RegistryWriteText(GetProductRegistryKey(), u"DataStore", u"/nonexistent/store/"));
    std::optional<Text> chosen;
    EXPECT_EQ(Decide(true, chosen), Reported(program_ + "/My Knowledge/"));
    EXPECT_TRUE(fs::is_directory(program_ + "/My Knowledge/Data"));
    EXPECT_EQ(Decide(false, chosen), Reported(Documents() + "My Knowledge/"));
    EXPECT_TRUE(ChooserCalls().empty());
}

TEST_F(DataStoreTest, BothStoresAskTheChooserOnceAndKeepItsAnswer) {
    InstallChooser("chooser");
    ASSERT_TRUE(RegistryWriteText(GetProductRegistryKey(), u"DataStore", U16(registered_)));
    std::optional<Text> chosen;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Decide(true, chosen), Reported(registered_ + "/"));
    EXPECT_EQ(ChooserCalls(), std::vector<std::string>{registered_ + "|" +
                                                       NativePath(program_ + "/My Knowledge/")});
    EXPECT_TRUE(fs::is_directory(registered_ + "/Data"));
}

TEST_F(DataStoreTest, MissingChooserLeavesThePortableStore) {
    ASSERT_TRUE(RegistryWriteText(GetProductRegistryKey(), u"DataStore", U16(registered_)));
    for (const std::string variant : {"chooser_no_export", ""}) {
        SCOPED_TRACE(variant);
        program_ = MakeTestFolder("program-" + variant);
        if (!variant.empty())
            InstallChooser(variant);
        std::optional<Text> chosen;
        EXPECT_EQ(Decide(true, chosen), Reported(program_ + "/My Knowledge/"));
    }
}

TEST_F(DataStoreTest, EmptyChooserAnswerIsAnEmptyStore) {
    ASSERT_TRUE(RegistryWriteText(GetProductRegistryKey(), u"DataStore", U16(registered_)));
    SetEnv("ZEM_TEST_CHOOSER_ANSWER", "");
    InstallChooser("chooser");
    std::optional<Text> chosen;
    EXPECT_EQ(Decide(true, chosen), u"");
    EXPECT_EQ(Decide(true, chosen), u"");
    EXPECT_EQ(ChooserCalls().size(), 1u);
}

TEST_F(DataStoreTest, ProgramDecidesItsFilesOnceWhereverTheStoreIs) {
    std::vector<std::string> lines = RunProbe(program_, "paths");
    const std::string store = NativePath(Documents() + "My Knowledge/");
    EXPECT_EQ(lines, (std::vector<std::string>{store, store, store, store + "Zem.xml",
                                               store + "Zem.log"}));

    // A portable installation beside a registered store: one question for the whole run.
    WriteFileBytes(program_ + "/Zem.ini", "[Common]\nPortable=1\n");
    InstallChooser("chooser");
    ASSERT_TRUE(RegistryWriteText(GetProductRegistryKey(), u"DataStore", U16(registered_)));
    lines = RunProbe(program_, "paths");
    const std::string chosen = NativePath(registered_ + "/");
    EXPECT_EQ(lines, (std::vector<std::string>{chosen, chosen, chosen, chosen + "Zem.xml",
                                               chosen + "Zem.log"}));
    EXPECT_EQ(ChooserCalls().size(), 1u);
}

}  // namespace
}  // namespace zem::test
