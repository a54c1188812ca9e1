// What the import tests share: a real knowledge base opened through the engine library in
// build/bin, YNote databases opened through the engine's SQLite object, a scripted toolkit
// that records every message box, and reading of the knowledge base's index file and the
// program's log. One test process, one thread.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/component_loading.h"
#include "support/scripted_toolkit.h"
#include "support/sqlite_file.h"
#include "support/ynote_fixture.h"

namespace zem::test {

std::string Utf8(const Text& text);

class ImportTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The knowledge base (created on first use) in the test's folder.
    IZemKMDatabase* Host();
    ZemKMCreateSQLiteDatabaseFunc Factory() { return core_->createSQLiteDatabase; }
    // The YNote database opened through the engine's SQLite object.
    ComPtr<IZemKMSQLiteDatabase> OpenYNote(const std::string& path);
    // A fixture in a fresh folder of the test.
    YNoteFixture& MakeFixture();

    // Message boxes shown so far, as UTF-8.
    std::vector<std::string> Messages() const;
    // Lines the program logged since the test began.
    std::string LogText() const;
    // Rows of the knowledge base's index file.
    SqlRows Kb(const std::string& sql, const std::vector<std::string>& params = {});

    std::string folder_;
    std::string kbFolder_;
    ui::ScriptedToolkit* toolkit_ = nullptr;
    std::unique_ptr<CZemKMCoreDll> core_;
    ComPtr<IZemKMDatabase> host_;
    std::unique_ptr<YNoteFixture> fixture_;
    size_t logSizeAtStart_ = 0;
};

}  // namespace zem::test
