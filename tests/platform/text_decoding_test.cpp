#include "platform/text_decoding.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/code_pages.h"
#include "platform/system_info.h"
#include "support/ansi_code_page.h"
#include "support/environment.h"

namespace zem {
namespace {

// "中文" in UTF-8 is also a valid pair of GBK characters ("涓枃"): UTF-8 has to be tried first
// for such text to survive a Chinese locale.
constexpr std::string_view kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";

Text DecodeUndeclared(std::string_view bytes, uint32_t expectedCodePage) {
    Text text;
    EXPECT_EQ(DecodeUndeclaredBytes(bytes, text), expectedCodePage);
    return text;
}

TEST(DecodeUndeclaredBytesTest, TakesValidUtf8AsUtf8AndTheRestInTheChineseAnsiCodePage) {
    ZEM_WITH_ANSI_CODE_PAGE(936, "zh_CN.UTF-8");
    EXPECT_EQ(DecodeUndeclared(kUtf8Chinese, kCodePageUtf8), u"中文");
    EXPECT_EQ(DecodeUndeclared("\xD6\xD0\xCE\xC4 GBK", 936), u"中文 GBK");
    EXPECT_EQ(DecodeUndeclared("", kCodePageUtf8), u"");
}

TEST(DecodeUndeclaredBytesTest, TakesValidUtf8AsUtf8AndTheRestInTheWesternAnsiCodePage) {
    ZEM_WITH_ANSI_CODE_PAGE(1252, "C.UTF-8");
    EXPECT_EQ(DecodeUndeclared("caf\xE9 cr\xE8me", 1252), u"café crème");
    EXPECT_EQ(DecodeUndeclared("caf\xC3\xA9", kCodePageUtf8), u"café");
    // An overlong form or a lone surrogate is not UTF-8.
    EXPECT_EQ(DecodeUndeclared("\xC0\xAF", 1252), u"À¯");
    EXPECT_EQ(DecodeUndeclared("\xED\xA0\x80", 1252), u"í\u00A0€");
}

std::string Utf16Bytes(TextView text, bool bigEndian) {
    std::string bytes;
    for (char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TEST(Utf16BytesTest, ConvertToTextAndStraightToUtf8) {
    // Long enough to be converted in several slices, with a surrogate pair across the first
    // boundary and a lone surrogate after it.
    Text text(16383, u'a');
    text += u"😀中\xD800x";
    text += Text(20000, u'é');
    for (bool bigEndian : {false, true}) {
        const std::string bytes = Utf16Bytes(text, bigEndian) + "!";  // an odd byte is dropped
        EXPECT_EQ(Utf16BytesToText(bytes, bigEndian), text);
        const std::string utf8 = Utf16BytesToUtf8(bytes, bigEndian);
        EXPECT_EQ(utf8, ToUtf8(text));
        EXPECT_EQ(utf8.capacity(), utf8.size());  // made at its exact size
    }
    EXPECT_EQ(Utf16BytesToUtf8("", false), "");
}

// UTF-8 decoded plainly, a character at a time, by the table of well-formed byte sequences;
// every other byte is invalid by itself.
struct PlainDecoding {
    Text replaced;  // each invalid byte as U+FFFD
    Text held;      // each invalid byte held as U+DC00 + byte
    bool valid = true;
};

PlainDecoding PlainDecode(std::string_view bytes) {
    const auto in = [&](size_t i, unsigned low, unsigned high) {
        return i < bytes.size() && static_cast<unsigned char>(bytes[i]) >= low &&
               static_cast<unsigned char>(bytes[i]) <= high;
    };
    PlainDecoding out;
    for (size_t i = 0; i < bytes.size();) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        size_t length = 0;
        if (b < 0x80)
            length = 1;
        else if (b >= 0xC2 && b <= 0xDF && in(i + 1, 0x80, 0xBF))
            length = 2;
        else if (b >= 0xE0 && b <= 0xEF &&
                 in(i + 1, b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF) &&
                 in(i + 2, 0x80, 0xBF))
            length = 3;
        else if (b >= 0xF0 && b <= 0xF4 &&
                 in(i + 1, b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF) &&
                 in(i + 2, 0x80, 0xBF) && in(i + 3, 0x80, 0xBF))
            length = 4;
        if (length == 0) {
            out.valid = false;
            out.replaced += u'\uFFFD';
            out.held += static_cast<char16_t>(0xDC00 + b);
            ++i;
            continue;
        }
        char32_t c = length == 1 ? b : b & (0x7F >> length);
        for (size_t k = 1; k < length; ++k)
            c = c << 6 | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        const Text units = c < 0x10000 ? Text(1, static_cast<char16_t>(c))
                                       : Text{static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                                              static_cast<char16_t>(0xDC00 + (c & 0x3FF))};
        out.replaced += units;
        out.held += units;
        i += length;
    }
    return out;
}

// Text encoded plainly, a unit at a time: a pair as its character, with `heldBytes` a held
// byte as that byte, any other surrogate as U+FFFD.
std::string PlainEncode(TextView text, bool heldBytes) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + (c - 0xD800) * 0x400 + (text[++i] - 0xDC00);
        } else if (heldBytes && c >= 0xDC80 && c <= 0xDCFF) {
            out += static_cast<char>(c - 0xDC00);
            continue;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// Mostly ASCII, as pages are, with characters of every length and every kind of invalid or
// cut sequence in between; the end may cut a sequence too.
std::string RandomUtf8(std::mt19937& random, size_t length) {
    static const std::string_view kOthers[] = {"\xC3\xA9",
                                               "\xDF\xBF",
                                               "\xE4\xB8\xAD",
                                               "\xEF\xBF\xBF",
                                               "\xF0\x9F\x98\x80",
                                               "\xF4\x8F\xBF\xBF",
                                               "\x80",
                                               "\xBF",
                                               "\xC2",
                                               "\xE4\xB8",
                                               "\xF0\x9F\x98",
                                               "\xC0\xAF",
                                               "\xC1\xBF",
                                               "\xE0\x9F\xBF",
                                               "\xF0\x8F\xBF\xBF",
                                               "\xED\xA0\x80",
                                               "\xED\xBF\xBF",
                                               "\xED\x9F\xBF",
                                               "\xF4\x90\x80\x80",
                                               "\xF5\x80\x80\x80",
                                               "\xFE",
                                               "\xFF",
                                               std::string_view("\0", 1)};
    std::string bytes;
    while (bytes.size() < length) {
        if (random() % 3 == 0)
            bytes += kOthers[random() % std::size(kOthers)];
        else
            for (size_t n = random() % 20 + 1; n > 0; --n)
                bytes += static_cast<char>(random() % 0x80);
    }
    bytes.resize(length);
    return bytes;
}

// Mostly ASCII, with other characters, pairs, lone halves of pairs, held bytes (also as the
// second half of a pair), zeros, and runs of characters whose bytes are ASCII in the other
// byte order (U+0100, U+4E00) in between.
Text RandomUtf16(std::mt19937& random, size_t length) {
    static constexpr char16_t kOthers[] = {0x0000, 0x0080, 0x00E9, 0x07FF, 0x0800, 0x4E2D, 0xFFFD,
                                           0xFFFF, 0xD800, 0xDBFF, 0xD83D, 0xDC00, 0xDC7F, 0xDC80,
                                           0xDCE9, 0xDCFF, 0xDD00, 0xDFFF, 0x0100, 0x7F00, 0x8000};
    Text text;
    while (text.size() < length) {
        const unsigned kind = random() % 8;
        if (kind < 3)
            text += kOthers[random() % std::size(kOthers)];
        else
            for (size_t n = random() % 20 + 1; n > 0; --n)
                text += static_cast<char16_t>(random() % 0x80 << (kind == 3 ? 8 : 0));
    }
    text.resize(length);
    return text;
}

// Every conversion agrees with the plain one, around and across the blocks the fast ones take
// at a time, in both byte orders.
TEST(Utf8ConversionTest, AgreesWithAPlainConversionOnGeneratedText) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        const size_t length = round % 2 == 0 ? round % 41 : random() % 120;
        const std::string bytes = RandomUtf8(random, length);
        const PlainDecoding plain = PlainDecode(bytes);
        SCOPED_TRACE(testing::PrintToString(bytes));
        EXPECT_EQ(IsValidUtf8(bytes), plain.valid);
        EXPECT_EQ(FromUtf8(bytes), plain.replaced);
        Text strict;
        EXPECT_EQ(FromUtf8Strict(bytes, strict), plain.valid);
        if (plain.valid) {
            EXPECT_EQ(strict, plain.replaced);
        }
        EXPECT_EQ(FromFileSystemBytes(bytes), plain.held);
        EXPECT_EQ(ToFileSystemBytes(plain.held), bytes);

        const Text text = RandomUtf16(random, length);
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(ToUtf8(text), PlainEncode(text, false));
        EXPECT_EQ(ToFileSystemBytes(text), PlainEncode(text, true));
        for (bool bigEndian : {false, true}) {
            const std::string units = Utf16Bytes(text, bigEndian) + (round % 3 == 0 ? "\xD8" : "");
            EXPECT_EQ(Utf16BytesToText(units, bigEndian), text);
            EXPECT_EQ(Utf16BytesToUtf8(units, bigEndian), PlainEncode(text, false));
        }
    }
}

TEST(IsUnmarkedUtf16Test, NeedsMoreThanTenBytesAnEvenCountAndAZeroByte) {
    EXPECT_TRUE(IsUnmarkedUtf16(Utf16Bytes(u"<p>note</p>", false)));
    EXPECT_FALSE(IsUnmarkedUtf16(Utf16Bytes(u"<p>n</p>", false).substr(0, 10)));
    EXPECT_FALSE(IsUnmarkedUtf16(Utf16Bytes(u"<p>note</p>", false) + "x"));
    EXPECT_FALSE(IsUnmarkedUtf16(Utf16Bytes(u"中文中文中文中文", false)));  // no zero byte
    EXPECT_FALSE(IsUnmarkedUtf16("<p>plain 8-bit text</p>"));
}

TEST(FindDeclaredCharsetTest, TakesTheFirstClosedTagThatDeclaresOne) {
    using enum CharsetDeclaration;
    EXPECT_EQ(FindDeclaredCharset("<META charset=\"UTF-8\"/>", kHtmlMeta), "UTF-8");
    EXPECT_EQ(FindDeclaredCharset("<meta name=a><meta content='text/html; charset=big5'>"
                                  "<meta charset=gbk>",
                                  kHtmlMeta),
              "big5");
    EXPECT_EQ(FindDeclaredCharset("<meta charset=utf-8 >", kHtmlMeta), "utf-8");
    EXPECT_EQ(FindDeclaredCharset("<meta charset = 'gbk'>", kHtmlMeta), "gbk");
    EXPECT_EQ(FindDeclaredCharset("<meta charset=utf-8", kHtmlMeta), "");
    EXPECT_EQ(FindDeclaredCharset("<p>charset=gbk</p>", kHtmlMeta), "");
    EXPECT_EQ(FindDeclaredCharset("<meta charset=gbk>", kNone), "");
    // Only the head of the bytes is searched.
    EXPECT_EQ(FindDeclaredCharset(std::string(5000, ' ') + "<meta charset=gbk>", kHtmlMeta), "");

    EXPECT_EQ(FindDeclaredCharset("<?xml version=\"1.0\" encoding='UTF-8'?><a/>", kXml), "UTF-8");
    EXPECT_EQ(FindDeclaredCharset("<?XML encoding=\"gb2312\" standalone=\"yes\"?>", kXml),
              "gb2312");
    EXPECT_EQ(FindDeclaredCharset("<?xml version=\"1.0\"?>", kXml), "");
    EXPECT_EQ(FindDeclaredCharset("<?xml encoding=\"gbk\"", kXml), "");
    EXPECT_EQ(FindDeclaredCharset("<?xml encoding=\"gbk\"?>", kHtmlMeta), "");
}

TEST(DecodeTextTest, MarksThenUtf16ThenTheDeclarationThenUtf8ThenAnsi) {
    ZEM_WITH_ANSI_CODE_PAGE(936, "zh_CN.UTF-8");
    using enum CharsetDeclaration;
    const auto decode = [](std::string_view bytes, uint32_t expectedCodePage,
                           CharsetDeclaration declaration = kHtmlMeta) {
        Text text;
        EXPECT_EQ(DecodeText(bytes, declaration, text), expectedCodePage) << bytes;
        return text;
    };
    const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文
    // A mark outweighs a declaration.
    EXPECT_EQ(decode("\xEF\xBB\xBF<meta charset=gbk>\xD0\x81", kCodePageUtf8),
              u"<meta charset=gbk>Ё");
    EXPECT_EQ(decode("\xFF\xFE" + Utf16Bytes(u"<meta charset=gbk>中", false), kCodePageUtf16Le),
              u"<meta charset=gbk>中");
    EXPECT_EQ(decode("\xFE\xFF" + Utf16Bytes(u"中文", true), kCodePageUtf16Be), u"中文");
    EXPECT_EQ(decode(Utf16Bytes(u"<p>中文 text</p>", false), kCodePageUtf16Le),
              u"<p>中文 text</p>");
    EXPECT_EQ(decode("\xEF\xBB\xBF", kCodePageUtf8), u"");
    // A declaration outweighs the undeclared rule, whichever way the bytes would read.
    EXPECT_EQ(decode("<meta charset=big5>\xA4\xA4", 950), u"<meta charset=big5>中");
    EXPECT_EQ(decode("<?xml encoding='gbk'?>" + gbk, 936, kXml), u"<?xml encoding='gbk'?>中文");
    EXPECT_EQ(decode("<meta charset=gbk>" + gbk, 936, kNone), u"<meta charset=gbk>中文");
    // 8-bit bytes that declare UTF-16, or a set nobody knows, are read as undeclared.
    EXPECT_EQ(decode("<meta charset=utf-16>Hello!", kCodePageUtf8), u"<meta charset=utf-16>Hello!");
    EXPECT_EQ(decode("<meta charset=x-none>" + std::string(kUtf8Chinese), kCodePageUtf8),
              u"<meta charset=x-none>中文");
    EXPECT_EQ(decode("<p>" + gbk, 936), u"<p>中文");

    // A code page no converter takes falls back to the undeclared rule.
    Text text;
    EXPECT_EQ(DecodeTextAs("caf\xE9", {999999}, text), 936u);
    EXPECT_EQ(DecodeTextAs("Hello!", {12000}, text), kCodePageUtf8);
    EXPECT_EQ(text, u"Hello!");
    EXPECT_EQ(DecodeTextAs("\xC6\xFC\xCB\xDC", {kCodePageEucJp}, text), kCodePageEucJp);
    EXPECT_EQ(text, u"日本");
}

// Found by the decoder's fuzz target: UTF-16 bytes with an unpaired surrogate decoded to text
// holding it, where a unit of U+DC80-U+DCFF reads as a file-name byte.
TEST(DecodeTextTest, ReplacesUnpairedSurrogatesOfUtf16) {
    Text text;
    EXPECT_EQ(DecodeText("\xFE\xFF\xD9\xFC~", CharsetDeclaration::kNone, text), kCodePageUtf16Be);
    EXPECT_EQ(text, u"\uFFFD");
    const Text lone = Text(u"a") + char16_t(0xDC80) + u"b" + char16_t(0xD800);
    EXPECT_EQ(
        DecodeText("\xFF\xFE" + Utf16Bytes(lone + u"😀", false), CharsetDeclaration::kNone, text),
        kCodePageUtf16Le);
    EXPECT_EQ(text, u"a\uFFFDb\uFFFD😀");
}

}  // namespace
}  // namespace zem
