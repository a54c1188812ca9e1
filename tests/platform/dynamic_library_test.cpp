#include "platform/dynamic_library.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/files.h"
#include "support/test_home.h"

namespace zem {
namespace {

using AddFunc = int (*)(int, int);
const std::string kModule = "PlatformTestModule.dll";

TEST(DynamicLibraryTest, LoadsByPathAndByBareNameFromTheProgramFolder) {
    for (const Text& name : {FromUtf8(test::BinDir() + "/" + kModule), FromUtf8(kModule)}) {
        LibraryHandle library = LoadLibrary(name);
        ASSERT_NE(library, nullptr) << ToUtf8(LastLibraryError());
        auto add = reinterpret_cast<AddFunc>(GetProcAddress(library, "ZemTestAdd"));
        ASSERT_NE(add, nullptr);
        EXPECT_EQ(add(2, 3), 5);
        FreeLibrary(library);
    }
}

TEST(DynamicLibraryTest, BareNameFallsBackToTheCurrentDirectory) {
    const std::string dir = test::MakeTestFolder("library_cwd");
    std::filesystem::copy_file(test::BinDir() + "/" + kModule, dir + "/Copied.dll");
    const Text before = GetCurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectory(FromUtf8(dir)));
    LibraryHandle library = LoadLibrary(u"Copied.dll");
    SetCurrentDirectory(before);
    ASSERT_NE(library, nullptr) << ToUtf8(LastLibraryError());
    FreeLibrary(library);
}

TEST(DynamicLibraryTest, FailuresGiveAnErrorCodeAndText) {
    EXPECT_EQ(LoadLibrary(u"/nonexistent/ZemKMCore.dll"), nullptr);
    EXPECT_EQ(GetLastErrorKind(), ErrorKind::kNotFound);
    EXPECT_NE(LastLibraryError().find(u"ZemKMCore.dll"), Text::npos);

    // A file that is not a library.
    const std::string dir = test::MakeTestFolder("library_bad");
    FILE* file = fopen((dir + "/Broken.dll").c_str(), "w");
    fputs("not a library", file);
    fclose(file);
    EXPECT_EQ(LoadLibrary(FromUtf8(dir + "/Broken.dll")), nullptr);
    EXPECT_NE(GetLastErrorCode(), 0);
    EXPECT_FALSE(LastLibraryError().empty());

    LibraryHandle library = LoadLibrary(FromUtf8(kModule));
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GetProcAddress(library, "DllGetClassObject"), nullptr);
    EXPECT_NE(LastLibraryError().find(u"DllGetClassObject"), Text::npos);
    FreeLibrary(library);
}

TEST(DynamicLibraryTest, ExecutablePathIsTheRunningProgram) {
#ifdef _WIN32
    const Text name = u"platform_tests.exe";
#else
    const Text name = u"platform_tests";
#endif
    EXPECT_EQ(GetExecutablePath(), ToNativeSeparators(FromUtf8(test::BinDir()) + u"/" + name));
}

}  // namespace
}  // namespace zem
