// The program's dialog in a real window on a real display, in Chinese: its picture, taken
// once the window has been drawn, is of the dialog's size and not blank.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/child_process.h"
#include "support/test_display.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/user_language.h"

namespace zem {
namespace {

TEST(ProgramWindow, OpensTheDialogAndDrawsItsChineseText) {
    test::TestDisplay display;
    if (!display.Missing().empty())
        GTEST_SKIP() << display.Missing();
    const std::string folder = test::MakeTestFolder("window");
    const std::string bin = test::BinDir();
    const std::string shot = folder + "/dialog.png";
    test::UserLanguage chinese(2052);
    std::map<std::string, std::string> environment = display.Environment();
    environment["ZEM_SCREENSHOT"] = shot;
    test::ProgramResult run =
        test::RunProgram(bin + "/ZemYNoteWindowTest",
                         {"/AppPath=" + bin + "/", "/DatabasePath=" + folder + "/index.db"},
                         {.environment = environment});
    EXPECT_EQ(run.exitCode, 1) << run.errors;
    EXPECT_EQ(run.output.find("=="), std::string::npos) << "console used: " << run.output;

    const std::string png = test::ReadFileBytesIfAny(shot);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    auto be32 = [&](size_t at) {
        return (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
               (uint32_t(uint8_t(png[at + 2])) << 8) | uint32_t(uint8_t(png[at + 3]));
    };
    // 327 x 163 dialog units in any usable font are well beyond 400 x 200 pixels.
    EXPECT_GT(be32(16), 400u);
    EXPECT_GT(be32(20), 200u);
    // A blank picture of that size packs into a few hundred bytes; the drawn dialog into
    // thousands, fewer where text is drawn without smoothing (Windows' classic look).
    EXPECT_GT(png.size(), 2500u);
}

}  // namespace
}  // namespace zem
