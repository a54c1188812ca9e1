// The byte-to-text decoder with its finders (byte-order mark, unmarked UTF-16, declared
// character set) and the text conversions under it. Promises checked: decoded text is valid
// UTF-16 whatever the bytes; valid UTF-8 that names nothing else decodes to its own
// characters and back to the same bytes; the UTF-16 decoders agree with each other; file-name
// bytes come back exactly; text made readable is valid UTF-16.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include "fuzz_support.h"
#include "platform/code_pages.h"
#include "platform/text_decoding.h"

namespace zem::fuzz {
namespace {

void CheckDecoding(std::string_view bytes, CharsetDeclaration declaration) {
    const TextEncoding encoding = DetectTextEncoding(bytes, declaration);
    Check(encoding.markLength <= bytes.size(), "the mark lies inside the bytes");
    Text text;
    DecodeTextAs(bytes, encoding, text);
    Check(IsValidUtf16(text), "decoded text is valid UTF-16", Shown(text));
    Text again;
    DecodeText(bytes, declaration, again);
    Check(again == text, "DecodeText is DetectTextEncoding then DecodeTextAs");
    if (encoding.codePage == kCodePageUtf8 && encoding.validUtf8) {
        const std::string_view body = bytes.substr(encoding.markLength);
        Check(ToUtf8(text) == body, "valid UTF-8 round-trips", std::string(body));
    }
}

void CheckUtf8(std::string_view bytes) {
    Text strict;
    const bool valid = FromUtf8Strict(bytes, strict);
    Check(valid == IsValidUtf8(bytes), "IsValidUtf8 agrees with FromUtf8Strict");
    const Text loose = FromUtf8(bytes);
    Check(IsValidUtf16(loose), "FromUtf8 gives valid UTF-16", Shown(loose));
    if (valid) {
        Check(strict == loose, "the strict and the replacing decoders agree on valid UTF-8");
        Check(ToUtf8(strict) == bytes, "valid UTF-8 round-trips");
        // Valid UTF-8 naming nothing else reads as UTF-8 unless it may be UTF-16.
        if (!bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF") &&
            bytes.find('\0') == std::string_view::npos) {
            Text text;
            Check(DecodeText(bytes, CharsetDeclaration::kNone, text) == kCodePageUtf8,
                  "valid UTF-8 is read as UTF-8");
            Check(ToUtf8(text) == (bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes),
                  "valid UTF-8 decodes to its characters");
        }
    }
}

void CheckUtf16(std::string_view bytes) {
    for (const bool bigEndian : {false, true}) {
        const Text text = Utf16BytesToText(bytes, bigEndian);
        Check(text.size() == bytes.size() / 2, "every pair of bytes is one unit");
        Check(Utf16BytesToUtf8(bytes, bigEndian) == ToUtf8(text),
              "UTF-16 bytes to UTF-8 equals through text");
    }
}

void CheckFileNames(std::string_view bytes) {
    const Text name = FromFileSystemBytes(bytes);
    Check(ToFileSystemBytes(name) == bytes, "file-name bytes come back exactly");
    const Text readable = ReadableText(name);
    Check(IsValidUtf16(readable), "readable text is valid UTF-16", Shown(readable));
}

void CheckCharsetName(std::string_view bytes) {
    const std::string name = FindDeclaredCharset(bytes, CharsetDeclaration::kHtmlMeta);
    const uint32_t codePage = CodePageForCharsetName(FromUtf8(name));
    if (codePage == 0)
        return;
    Text text;
    if (MultiByteToText(codePage, bytes, true, text))
        Check(IsValidUtf16(text), "a strict conversion gives valid UTF-16", Shown(text));
}

}  // namespace
}  // namespace zem::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The user's ANSI code page is GBK, the most common one for YNote's users, so that the
    // fallback converts rather than copies.
    setenv("LANG", "zh_CN.UTF-8", 1);
    setenv("LC_ALL", "zh_CN.UTF-8", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zem;
    using namespace zem::fuzz;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const auto kind :
         {CharsetDeclaration::kNone, CharsetDeclaration::kHtmlMeta, CharsetDeclaration::kXml})
        CheckDecoding(bytes, kind);
    CheckUtf8(bytes);
    CheckUtf16(bytes);
    CheckFileNames(bytes);
    CheckCharsetName(bytes);
    Text undeclared;
    DecodeUndeclaredBytes(bytes, undeclared);
    Check(IsValidUtf16(undeclared), "undeclared bytes decode to valid UTF-16", Shown(undeclared));
    return 0;
}
