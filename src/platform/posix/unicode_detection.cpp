// The test for UTF-16 little-endian text without a byte-order mark.
//
// UTF-16 text has tell-tale byte patterns: Latin text puts a zero in every high byte, and
// text in other scripts keeps its high bytes within a few script blocks while the low bytes
// roam freely. 8-bit text shows neither, and a buffer of printable ASCII bytes is taken as
// 8-bit text however its pairs happen to read as UTF-16.
#include <cstdlib>

#include "platform/code_pages.h"

namespace zem {

namespace {

bool IsPrintableAsciiByte(unsigned b) {
    return (b >= 0x20 && b <= 0x7E) || b == '\t' || b == '\r' || b == '\n';
}

bool IsTextControl(unsigned unit) {
    return unit == '\t' || unit == '\r' || unit == '\n';
}

}  // namespace

bool IsTextUnicode(const void* data, size_t count) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (!bytes || count < 2 || count % 2 != 0)
        return false;
    if (bytes[0] == 0xFF && bytes[1] == 0xFE)
        return true;
    if (bytes[0] == 0xFE && bytes[1] == 0xFF)
        return false;  // the mark of the other byte order

    size_t units = count / 2;
    while (units > 1 && bytes[2 * units - 2] == 0 && bytes[2 * units - 1] == 0)
        --units;
    size_t zeroHigh = 0, zeroLow = 0, controls = 0, wide = 0;
    long highSteps = 0, lowSteps = 0;
    int previousHigh = -1, previousLow = -1;
    bool printableAscii = true;
    for (size_t i = 0; i < units; ++i) {
        const unsigned low = bytes[2 * i], high = bytes[2 * i + 1];
        const unsigned unit = low | high << 8;
        // Non-characters, and line ends with their bytes swapped, never occur in text.
        if (unit == 0xFFFE || unit == 0xFFFF || unit == 0x0D00 || unit == 0x0A00)
            return false;
        printableAscii = printableAscii && IsPrintableAsciiByte(low) && IsPrintableAsciiByte(high);
        if (unit < 0x20 && !IsTextControl(unit))
            ++controls;
        if (high == 0 && low != 0)
            ++zeroHigh;
        if (low == 0 && high != 0)
            ++zeroLow;
        if (high != 0) {
            if (previousHigh >= 0) {
                highSteps += std::labs(static_cast<long>(high) - previousHigh);
                lowSteps += std::labs(static_cast<long>(low) - previousLow);
            }
            previousHigh = static_cast<int>(high);
            previousLow = static_cast<int>(low);
            ++wide;
        }
    }
    if (printableAscii)
        return false;
    if (controls * 16 > units)
        return false;
    // Zeros mostly at even offsets: big-endian text, or not text. (A few are normal: U+4E00
    // and its kind have a zero low byte.)
    if (zeroLow > zeroHigh && zeroLow * 4 >= units)
        return false;
    if (zeroHigh * 2 >= units)
        return true;
    return wide >= 4 && highSteps * 2 < lowSteps;
}

}  // namespace zem
