// The tools component, the tools library's set-up texts, the data-store chooser and the
// document template they serve.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_home.h"
#include "zemhost/zemhost_test_support.h"

namespace zem::test {
namespace {

TEST(ToolsComponent, WritesTheTemplateOutAsHtml) {
    KmCore core;
    auto tools = core.Create<IZemKMTools>(CLSID_ZemKMTools);
    ASSERT_TRUE(tools);
    const std::string folder = MakeTestFolder("tools");
    const std::string templateFile = BinDir() + "/document.mez";
    ASSERT_EQ(tools->ExtractHtmlFile(FromUtf8(templateFile).c_str(),
                                     FromUtf8(folder + "/note.htm").c_str()),
              S_OK);
    const std::string html = ReadFileBytes(folder + "/note.htm");
    EXPECT_EQ(html, ReadFileBytes(templateFile));
    // The program places the style before the head end and the note right after "<body>".
    EXPECT_NE(html.find("</head>"), std::string::npos);
    EXPECT_NE(html.find("<body>"), std::string::npos);
    EXPECT_NE(html.find("charset=\"utf-8\""), std::string::npos);

    // A longer file already there is written over where it stands, cut to the template: the
    // program reuses its working pages, and a new file for each would free an inode.
    WriteFileBytes(folder + "/old.htm", std::string(4096, 'o'));
    struct stat before {
    }, after{};
    ASSERT_EQ(stat((folder + "/old.htm").c_str(), &before), 0);
    ASSERT_EQ(tools->ExtractHtmlFile(FromUtf8(templateFile).c_str(),
                                     FromUtf8(folder + "/old.htm").c_str()),
              S_OK);
    EXPECT_EQ(ReadFileBytes(folder + "/old.htm"), ReadFileBytes(templateFile));
    ASSERT_EQ(stat((folder + "/old.htm").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    // One with a second name is replaced instead, leaving the other name's bytes alone.
    ASSERT_EQ(link((folder + "/old.htm").c_str(), (folder + "/twin.htm").c_str()), 0);
    WriteFileBytes(folder + "/twin.htm", "twin");
    ASSERT_EQ(tools->ExtractHtmlFile(FromUtf8(templateFile).c_str(),
                                     FromUtf8(folder + "/old.htm").c_str()),
              S_OK);
    EXPECT_EQ(ReadFileBytes(folder + "/old.htm"), ReadFileBytes(templateFile));
    EXPECT_EQ(ReadFileBytes(folder + "/twin.htm"), "twin");

    EXPECT_LT(tools->ExtractHtmlFile(FromUtf8(folder + "/missing.mez").c_str(),
                                     FromUtf8(folder + "/other.htm").c_str()),
              0);
    EXPECT_FALSE(Exists(folder + "/other.htm"));
}

TEST(ToolsLibrary, KeepsTheFourSetUpTexts) {
    HostLibrary tools("ZemTools.dll");
    const char* setters[] = {"ZemToolsSetSecuteText", "ZemToolsSetLogFileName",
                             "ZemToolsSetSettingsFileName", "ZemToolsSetTempPath"};
    const Text texts[] = {u"[Common]\nProductName=Zem", u"/home/u/Zem.log", u"/home/u/Zem.xml",
                          u"/tmp/Zem/"};
    for (int i = 0; i < 4; ++i) {
        auto set = tools.Entry<ZemToolsSetTextFunc>(setters[i]);
        ASSERT_TRUE(set) << setters[i];
        EXPECT_EQ(set(texts[i].c_str()), S_OK);
    }
    auto get = tools.Entry<HRESULT(ZEM_STDMETHODCALLTYPE*)(int32_t, BSTR*)>("ZemToolsGetSetupText");
    ASSERT_TRUE(get);
    for (int i = 0; i < 4; ++i) {
        ScopedBstr text;
        EXPECT_EQ(get(i, text.Out()), S_OK);
        EXPECT_EQ(text.ToText(), texts[i]);
    }
    ScopedBstr text;
    EXPECT_EQ(get(4, text.Out()), E_INVALIDARG);
}

// Calls the chooser with standard input and error on the given descriptors, in a child so
// that the test's own terminal is left alone; the chosen text comes back through a pipe.
std::string ChooseWith(int input, int error) {
    int result[2];
    EXPECT_EQ(pipe(result), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(input, 0);
        dup2(error, 2);
        HostLibrary controls("ZemKMControls.dll");
        auto choose = controls.Entry<ZemKMSelectDataStoreFunc>("ZemKMSelectDataStore");
        ScopedBstr chosen;
        if (!choose || choose(u"/registered/", u"/portable/", chosen.Out()) != S_OK)
            _exit(1);
        const std::string text = ToUtf8(chosen.ToText());
        _exit(write(result[1], text.data(), text.size()) == ssize_t(text.size()) ? 0 : 1);
    }
    close(result[1]);
    std::string chosen;
    char buffer[256];
    for (ssize_t got; (got = read(result[0], buffer, sizeof buffer)) > 0;)
        chosen.append(buffer, got);
    close(result[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return chosen;
}

TEST(DataStoreChooser, KeepsTheRegisteredStoreWithoutATerminal) {
    const int none = open("/dev/null", O_RDWR);
    EXPECT_EQ(ChooseWith(none, none), "/registered/");
    close(none);
}

TEST(DataStoreChooser, AsksOnATerminal) {
    for (const auto& [answer, expected] : {std::pair{"2\n", "/portable/"},
                                           {"\n", "/registered/"},
                                           {"x\n 2\n", "/portable/"},
                                           {"", "/registered/"}}) {
        const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(terminal, 0);
        ASSERT_EQ(grantpt(terminal), 0);
        ASSERT_EQ(unlockpt(terminal), 0);
        const int side = open(ptsname(terminal), O_RDWR | O_NOCTTY);
        ASSERT_GE(side, 0);
        // The answer is typed before the question; an empty answer ends the input.
        const std::string typed = *answer ? answer : "\x04";
        ASSERT_EQ(write(terminal, typed.data(), typed.size()), ssize_t(typed.size()));
        EXPECT_EQ(ChooseWith(side, side), expected) << answer;
        close(side);
        close(terminal);
    }
}

}  // namespace
}  // namespace zem::test
