#include "platform/code_pages.h"

#include <errno.h>
#include <iconv.h>
#include <algorithm>

#include <iterator>

#include "platform/files.h"
#include "platform/system_info.h"

namespace zem {

namespace {

constexpr uint32_t kCodePageThreadAnsi = 3;

struct CodePageName {
    uint32_t codePage;
    const char* iconvName;
};

constexpr CodePageName kCodePages[] = {
    {65001, "UTF-8"},       {65000, "UTF-7"},      {1200, "UTF-16LE"},     {1201, "UTF-16BE"},
    {12000, "UTF-32LE"},    {12001, "UTF-32BE"},   {936, "CP936"},         {54936, "GB18030"},
    {20936, "GB2312"},      {950, "CP950"},        {932, "CP932"},         {51932, "EUC-JP-MS"},
    {50220, "ISO-2022-JP"}, {949, "CP949"},        {51949, "EUC-KR"},      {874, "CP874"},
    {1250, "CP1250"},       {1251, "CP1251"},      {1252, "CP1252"},       {1253, "CP1253"},
    {1254, "CP1254"},       {1255, "CP1255"},      {1256, "CP1256"},       {1257, "CP1257"},
    {1258, "CP1258"},       {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},  {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"},  {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},  {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"},
    {20127, "ASCII"},       {20866, "KOI8-R"},     {21866, "KOI8-U"},      {437, "CP437"},
    {850, "CP850"},         {866, "CP866"},        {10000, "MACINTOSH"},
};

class IconvDescriptor {
  public:
    IconvDescriptor(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvDescriptor() {
        if (Valid())
            iconv_close(cd_);
    }
    IconvDescriptor(const IconvDescriptor&) = delete;
    IconvDescriptor& operator=(const IconvDescriptor&) = delete;
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return cd_; }

  private:
    iconv_t cd_;
};

// Runs `input` through the descriptor. An invalid or incomplete sequence fails the call
// with EILSEQ when `failOnInvalid`; otherwise `replacement` stands in for it and the input
// goes on after the number of bytes `skip(rest of input)` gives.
template <class Skip>
bool Run(iconv_t cd, std::string_view input, bool failOnInvalid, std::string_view replacement,
         Skip skip, std::string& output) {
    output.assign(input.size() * 2 + 16, '\0');
    size_t used = 0;
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    bool flushed = false;
    while (!flushed) {
        char* out = output.data() + used;
        size_t outLeft = output.size() - used;
        // With no input left, one more call writes any closing shift sequence.
        const bool flushing = inLeft == 0;
        const size_t result = flushing ? iconv(cd, nullptr, nullptr, &out, &outLeft)
                                       : iconv(cd, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        used = static_cast<size_t>(out - output.data());
        if (result != static_cast<size_t>(-1)) {
            flushed = flushing;
            continue;
        }
        if (error == E2BIG) {
            output.resize(output.size() * 2);
        } else if ((error == EILSEQ || error == EINVAL) && inLeft) {
            if (failOnInvalid) {
                SetLastErrorCode(EILSEQ);
                return false;
            }
            if (output.size() - used < replacement.size() + 16)
                output.resize(output.size() * 2 + replacement.size());
            std::copy(replacement.begin(), replacement.end(), output.begin() + used);
            used += replacement.size();
            const size_t n = std::min(skip(std::string_view(in, inLeft)), inLeft);
            in += n;
            inLeft -= n;
        } else {
            SetLastErrorCode(error);
            return false;
        }
    }
    output.resize(used);
    return true;
}

}  // namespace

const char* IconvNameForCodePage(uint32_t codePage) {
    if (codePage == kCodePageAnsi || codePage == kCodePageThreadAnsi)
        codePage = GetAnsiCodePage();
    for (const CodePageName& entry : kCodePages)
        if (entry.codePage == codePage)
            return entry.iconvName;
    return nullptr;
}

bool MultiByteToText(uint32_t codePage, std::string_view bytes, bool failOnInvalid, Text& text) {
    // UTF-16 and UTF-32 are not byte code pages: bytes that merely declare them are 8-bit
    // text, and reading them in pairs would turn them into garbage.
    if (codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001) {
        SetLastErrorCode(EINVAL);
        return false;
    }
    const char* name = IconvNameForCodePage(codePage);
    if (!name) {
        SetLastErrorCode(EINVAL);
        return false;
    }
    if (std::string_view(name) == "UTF-8") {
        if (!failOnInvalid) {
            text = FromUtf8(bytes);
            return true;
        }
        if (FromUtf8Strict(bytes, text))
            return true;
        SetLastErrorCode(EILSEQ);
        return false;
    }
    IconvDescriptor cd("UTF-16LE", name);
    if (!cd.Valid()) {
        SetLastErrorCode(errno);
        return false;
    }
    std::string output;
    const auto skipOneByte = [](std::string_view) { return size_t{1}; };
    if (!Run(cd.Get(), bytes, failOnInvalid, std::string_view("\xFD\xFF", 2), skipOneByte, output))
        return false;
    text.resize(output.size() / 2);
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(output[2 * i]) |
                                        static_cast<unsigned char>(output[2 * i + 1]) << 8);
    return true;
}

bool TextToMultiByte(uint32_t codePage, TextView text, std::string& bytes) {
    const char* name = IconvNameForCodePage(codePage);
    if (!name) {
        SetLastErrorCode(EINVAL);
        return false;
    }
    if (std::string_view(name) == "UTF-8") {
        bytes = ToUtf8(text);
        return true;
    }
    IconvDescriptor cd(name, "UTF-16LE");
    if (!cd.Valid()) {
        SetLastErrorCode(errno);
        return false;
    }
    std::string input(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        input[2 * i] = static_cast<char>(text[i] & 0xFF);
        input[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    // A character the code page cannot hold becomes "?", as the Windows conversion's
    // default character; a surrogate pair is one character.
    const auto skipOneCharacter = [](std::string_view rest) {
        const auto unit = [&](size_t i) {
            return static_cast<unsigned>(static_cast<unsigned char>(rest[i]) |
                                         static_cast<unsigned char>(rest[i + 1]) << 8);
        };
        if (rest.size() >= 4 && unit(0) >= 0xD800 && unit(0) <= 0xDBFF && unit(2) >= 0xDC00 &&
            unit(2) <= 0xDFFF)
            return size_t{4};
        return size_t{2};
    };
    return Run(cd.Get(), input, false, "?", skipOneCharacter, bytes);
}

}  // namespace zem
