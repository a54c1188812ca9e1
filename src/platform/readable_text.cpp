// Text made readable for people from names the file system gave the program.
#include "platform/code_pages.h"

namespace zem {

namespace {

// Windows names are UTF-16 as the system gave them: a lone surrogate in one is just that,
// never a byte held for the file system.
#ifdef _WIN32
constexpr bool kNamesHoldBytes = false;
#else
constexpr bool kNamesHoldBytes = true;
#endif

// Whether a unit ends a stretch of a name read as one: ASCII below "@", which no double-byte
// code page uses as the second byte of a character (GBK, Big5 and Shift-JIS take second
// bytes from 0x40 up), so a character is never cut.
bool EndsNamePiece(char16_t c) {
    return c < 0x40;
}

bool StartsPair(TextView text, size_t i) {
    return text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
           text[i + 1] <= 0xDFFF;
}

// The units of `piece`, with every surrogate that does not pair (held bytes included) as
// U+FFFD.
void AppendValidUnits(TextView piece, Text& readable) {
    for (size_t k = 0; k < piece.size(); ++k) {
        if (StartsPair(piece, k)) {
            readable.append(piece.substr(k++, 2));
            continue;
        }
        const char16_t c = piece[k];
        readable += c >= 0xD800 && c <= 0xDFFF ? u'\uFFFD' : c;
    }
}

// A piece with held bytes is read from all its bytes: the characters between held bytes may
// be bytes of the same name that happen to form UTF-8. A piece that also holds a surrogate
// of no pair is not a name's bytes.
void AppendReadablePiece(TextView piece, Text& readable) {
    bool held = false, unpaired = false;
    for (size_t k = 0; k < piece.size(); ++k) {
        if (StartsPair(piece, k))
            ++k;
        else if (IsHeldByte(piece[k]))
            held = true;
        else if (piece[k] >= 0xD800 && piece[k] <= 0xDFFF)
            unpaired = true;
    }
    Text decoded;
    if (kNamesHoldBytes && held && !unpaired &&
        MultiByteToText(kCodePageAnsi, ToFileSystemBytes(piece), true, decoded))
        readable += decoded;
    else
        AppendValidUnits(piece, readable);
}

}  // namespace

Text ReadableText(TextView text) {
    Text readable;
    readable.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t end = i;
        while (end < text.size() && !EndsNamePiece(text[end]))
            ++end;
        if (end == i) {
            readable += text[i++];
            continue;
        }
        AppendReadablePiece(text.substr(i, end - i), readable);
        i = end;
    }
    return readable;
}

}  // namespace zem
