#include "platform/com.h"
#include "platform/memory_stream.h"

#include <gtest/gtest.h>

#include <set>

namespace zem {
namespace {

constexpr GUID kDatabaseIid = MakeGuid("66EDABF2-D4D0-4B63-BFFA-EB7C53A9372A");

TEST(GuidTest, RegistryTextRoundTripsAndRejectsMalformedText) {
    EXPECT_EQ(GuidToRegistryText(kDatabaseIid), u"{66EDABF2-D4D0-4B63-BFFA-EB7C53A9372A}");
    GUID parsed{};
    ASSERT_TRUE(GuidFromText(u"{66edabf2-d4d0-4b63-bffa-eb7c53a9372a}", parsed));
    EXPECT_EQ(parsed, kDatabaseIid);
    ASSERT_TRUE(GuidFromText(u"66EDABF2-D4D0-4B63-BFFA-EB7C53A9372A", parsed));
    EXPECT_EQ(parsed, kDatabaseIid);
    for (const char16_t* bad :
         {u"", u"{66EDABF2-D4D0-4B63-BFFA-EB7C53A9372A", u"{66EDABF2D4D0-4B63-BFFA-EB7C53A9372AX}",
          u"{66EDABF2-D4D0-4B63-BFFA-EB7C53A9372G}", u"66EDABF2-D4D0-4B63-BFFA-EB7C53A9372"})
        EXPECT_FALSE(GuidFromText(bad, parsed)) << ToUtf8(bad);
}

TEST(GuidTest, NewGuidsAreRandomVersionFour) {
    std::set<Text> seen;
    for (int i = 0; i < 100; ++i) {
        const GUID g = NewGuid();
        EXPECT_EQ(g.data3 >> 12, 4);
        EXPECT_EQ(g.data4[0] & 0xC0, 0x80);
        seen.insert(GuidToRegistryText(g));
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST(BstrTest, KeepsLengthAndEmbeddedNulsAndTreatsNullAsEmpty) {
    const char16_t withNul[] = u"a\0b";
    BSTR text = SysAllocStringLen(withNul, 3);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(text[3], u'\0');
    EXPECT_EQ(TextFromBstr(text), Text(withNul, 3));
    SysFreeString(text);

    BSTR empty = SysAllocText(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(TextFromBstr(nullptr), u"");
    SysFreeString(nullptr);

    ScopedBstr scoped(u"知识库");
    EXPECT_EQ(scoped.ToText(), u"知识库");
    EXPECT_EQ(SysStringLen(scoped.Get()), 3u);
}

TEST(MemoryStreamTest, ReadsWritesSeeksAndGrows) {
    IStream* stream = CreateMemoryStream();
    ASSERT_NE(stream, nullptr);
    uint32_t done = 0;
    ASSERT_EQ(stream->Write("hello world", 11, &done), S_OK);
    EXPECT_EQ(done, 11u);

    uint64_t position = 0;
    ASSERT_EQ(stream->Seek(-5, StreamSeek::kEnd, &position), S_OK);
    EXPECT_EQ(position, 6u);
    char buffer[16] = {};
    ASSERT_EQ(stream->Read(buffer, sizeof buffer, &done), S_OK);
    EXPECT_EQ(std::string(buffer, done), "world");

    ASSERT_EQ(stream->Seek(0, StreamSeek::kSet, nullptr), S_OK);
    ASSERT_EQ(stream->Seek(2, StreamSeek::kCurrent, &position), S_OK);
    EXPECT_EQ(position, 2u);
    EXPECT_EQ(stream->Seek(-3, StreamSeek::kCurrent, &position), E_INVALIDARG);

    // Writing past the end fills the gap with zeros.
    ASSERT_EQ(stream->Seek(13, StreamSeek::kSet, nullptr), S_OK);
    ASSERT_EQ(stream->Write("!", 1, nullptr), S_OK);
    ASSERT_EQ(stream->Seek(10, StreamSeek::kSet, nullptr), S_OK);
    ASSERT_EQ(stream->Read(buffer, 4, &done), S_OK);
    EXPECT_EQ(std::string(buffer, done), std::string("d\0\0!", 4));

    ASSERT_EQ(stream->SetSize(5), S_OK);
    ASSERT_EQ(stream->Seek(0, StreamSeek::kEnd, &position), S_OK);
    EXPECT_EQ(position, 5u);
    stream->Release();
}

TEST(MemoryStreamTest, OnAStringWritesIntoIt) {
    std::string bytes = "earlier";
    IStream* stream = CreateMemoryStreamOn(bytes);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(bytes, "");
    ASSERT_EQ(stream->Write("abc", 3, nullptr), S_OK);
    ASSERT_EQ(stream->Seek(1, StreamSeek::kSet, nullptr), S_OK);
    ASSERT_EQ(stream->Write("XYZ", 3, nullptr), S_OK);
    EXPECT_EQ(bytes, "aXYZ");
    stream->Release();
    EXPECT_EQ(bytes, "aXYZ");  // the bytes stay the caller's
}

TEST(MemoryStreamTest, ReferenceCountingAndInterfaces) {
    IStream* stream = CreateMemoryStream();
    void* unknown = nullptr;
    ASSERT_EQ(stream->QueryInterface(IUnknown::kIID, &unknown), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(stream));
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(stream->QueryInterface(IClassFactory::kIID, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    // A variant holding the stream releases its reference when cleared.
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = static_cast<IUnknown*>(unknown);
    VariantClear(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(v.punkVal, nullptr);
    EXPECT_EQ(stream->AddRef(), 2u);
    EXPECT_EQ(stream->Release(), 1u);
    EXPECT_EQ(stream->Release(), 0u);
}

}  // namespace
}  // namespace zem
