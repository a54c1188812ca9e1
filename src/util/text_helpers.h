// Small text routines every subsystem shares: message templates, splitting and joining,
// numbers, trimming and case-insensitive matching of ASCII letters.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace zem {

using TextList = std::vector<Text>;

// Replaces "%1".."%3" by the arguments and "%4".."%9" by empty text. "%0", a "%" before
// anything else and a final "%" stay. Inserted text is never scanned again.
Text FormatText(TextView format, TextView arg1 = {}, TextView arg2 = {}, TextView arg3 = {});

// Appends the pieces between separators to `list`. An empty text appends nothing; a
// separator at the very start is skipped once; one at the very end gives no trailing empty
// piece; two in a row give an empty piece; a text that is one separator gives one empty
// piece. With the line feed as separator one carriage return ending a piece is dropped.
void SplitText(TextView text, char16_t separator, TextList& list);

// The items with `separator` between neighbours; empty for an empty list.
Text JoinTexts(const TextList& list, TextView separator);

// Decimal text of a signed 32-bit number.
Text IntToText(int32_t value);
Text Int64ToText(int64_t value);

// The C library's decimal conversion: leading white space skipped, optional sign, digits
// up to the first other character; no digits give 0; out of range saturates.
int32_t TextToInt32(TextView text);
int64_t TextToInt64(TextView text);

// White space as the C library's wide classification counts it.
bool IsWhiteSpace(char16_t c);
Text TrimText(TextView text);
Text TrimTextEnd(TextView text);
Text TrimTextStart(TextView text);

// Comparisons and searches that ignore the case of the ASCII letters only.
char16_t ToUpperAscii(char16_t c);
Text ToUpperAscii(TextView text);
bool EqualsIgnoreCase(TextView a, TextView b);
bool StartsWithIgnoreCase(TextView text, TextView prefix);
// Position of the first occurrence at or after `from`, or Text::npos.
size_t FindIgnoreCase(TextView text, TextView what, size_t from = 0);

// Replaces every non-overlapping occurrence, scanning left to right (case-sensitive).
// An empty `what` replaces nothing. Returns the number of replacements.
size_t ReplaceAll(Text& text, TextView what, TextView with);

// A 64-bit FNV-1a hash of the UTF-16 units: stable across runs and builds.
uint64_t HashText64(TextView text);

// Whether the path ends with "/" or "\"; appends "/" when it does not (and is not empty).
bool EndsWithSeparator(TextView path);
void AddTrailingSeparator(Text& path);

}  // namespace zem
