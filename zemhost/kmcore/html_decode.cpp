#include "html_rewrite.h"
#include "platform/code_pages.h"
#include "platform/text_decoding.h"

namespace zem::kmcore {

std::string DecodeHtmlBytes(std::string bytes) {
    // Pages are large when notes are: a valid UTF-8 page is kept in the string it came in,
    // and other encodings are converted into a string of their own once, never through a
    // copy of the whole page as text.
    const TextEncoding encoding = DetectTextEncoding(bytes, CharsetDeclaration::kHtmlMeta);
    if (encoding.IsUtf16())
        return Utf16BytesToUtf8(std::string_view(bytes).substr(encoding.markLength),
                                encoding.codePage == kCodePageUtf16Be);
    if (encoding.validUtf8) {
        bytes.erase(0, encoding.markLength);
        return bytes;
    }
    Text text;
    DecodeTextAs(bytes, encoding, text);
    return ToUtf8(text);
}

}  // namespace zem::kmcore
