#include "util/cached_text_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/test_home.h"

namespace zem {
namespace {

namespace fs = std::filesystem;

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A cached file must be read again whenever it changed, also when its size stays the same;
// and a file changed moments ago, whose time could repeat, is never taken from the cache.
TEST(CachedTextFileTest, AChangedFileIsReadAgain) {
    const std::string folder = test::MakeTestFolder("cached");
    const std::string path = folder + "/style.css";
    const Text name = FromUtf8(path);
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    CachedTextFile file;
    Text text;

    Write(path, "p{a}");
    fs::last_write_time(path, past);
    ASSERT_TRUE(file.Load(name, text));
    EXPECT_EQ(text, u"p{a}");
    ASSERT_TRUE(file.Load(name, text));
    EXPECT_EQ(text, u"p{a}");

    Write(path, "p{b}");  // same size, another time
    fs::last_write_time(path, past + std::chrono::seconds(1));
    ASSERT_TRUE(file.Load(name, text));
    EXPECT_EQ(text, u"p{b}");

    Write(folder + "/other", "p{c}");  // same size and time, another file put in its place
    fs::last_write_time(folder + "/other", past + std::chrono::seconds(1));
    fs::rename(folder + "/other", path);
    ASSERT_TRUE(file.Load(name, text));
    EXPECT_EQ(text, u"p{c}");

    Write(path, "p{d}");  // changed just now: not settled
    ASSERT_TRUE(file.Load(name, text));
    EXPECT_EQ(text, u"p{d}");
    const auto now = fs::last_write_time(path);
    Write(path, "p{e}");  // same size, and the same time as the last read
    fs::last_write_time(path, now);
    ASSERT_TRUE(file.Load(name, text));
    EXPECT_EQ(text, u"p{e}");

    fs::remove(path);
    EXPECT_FALSE(file.Load(name, text));
}

}  // namespace
}  // namespace zem
