#include "import_test_env.h"

#include <filesystem>

#include "app/resource_ids.h"
#include "host/data_store.h"
#include "support/test_home.h"
#include "util/text_file_reader.h"

namespace zem::test {

std::string Utf8(const Text& text) {
    return ToUtf8(text);
}

void ImportTest::SetUp() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    folder_ = MakeTestFolder(std::string(info->test_suite_name()) + "." + info->name());
    kbFolder_ = folder_ + "/kb";
    std::filesystem::create_directories(kbFolder_);
    auto toolkit = std::make_unique<ui::ScriptedToolkit>();
    toolkit_ = toolkit.get();
    ui::SetToolkit(std::move(toolkit));
    InstallProgramResources();  // the messages' texts, as start-up installs them
    core_ = std::make_unique<CZemKMCoreDll>(Text());
    ASSERT_TRUE(core_->Load());
    ASSERT_NE(core_->createSQLiteDatabase, nullptr);
    Text log;
    LoadTextFile(GetLogFilePath(), log);
    logSizeAtStart_ = log.size();
}

void ImportTest::TearDown() {
    fixture_.reset();
    host_.Reset();
}

IZemKMDatabase* ImportTest::Host() {
    if (!host_) {
        host_ = ComPtr<IZemKMDatabase>::Attach(static_cast<IZemKMDatabase*>(
            CreateKMCoreObject(CLSID_ZemKMDatabase, IZemKMDatabase::kIID)));
        EXPECT_TRUE(host_);
        ScopedBstr error;
        const Text index = FromUtf8(kbFolder_ + "/index.db");
        EXPECT_EQ(host_->OpenEx(index.c_str(), kOpenExFixedText, 0, error.Out()), S_OK)
            << Utf8(error.ToText());
    }
    return host_.Get();
}

ComPtr<IZemKMSQLiteDatabase> ImportTest::OpenYNote(const std::string& path) {
    ComPtr<IZemKMSQLiteDatabase> database;
    EXPECT_EQ(Factory()(database.Out()), S_OK);
    EXPECT_EQ(database->OpenDatabase(FromUtf8(path).c_str()), S_OK);
    return database;
}

YNoteFixture& ImportTest::MakeFixture() {
    fixture_ = std::make_unique<YNoteFixture>(folder_ + "/ynote");
    return *fixture_;
}

std::vector<std::string> ImportTest::Messages() const {
    std::vector<std::string> texts;
    for (const Text& text : toolkit_->MessageTexts())
        texts.push_back(Utf8(text));
    return texts;
}

std::string ImportTest::LogText() const {
    Text log;
    LoadTextFile(GetLogFilePath(), log);
    return Utf8(log.size() >= logSizeAtStart_ ? log.substr(logSizeAtStart_) : log);
}

SqlRows ImportTest::Kb(const std::string& sql, const std::vector<std::string>& params) {
    SqliteFile index(kbFolder_ + "/index.db", SqliteFile::Mode::kReadOnly);
    return index.Query(sql, params);
}

}  // namespace zem::test
