// Telling the encodings apart that record text arrives in: Shift-JIS is
// what the readers take; UTF-8 (with or without a byte-order mark) and
// UTF-16 are what other tools write.
#pragma once

#include <cstddef>

#include "charset.h"

// Whether the bytes start with the UTF-8 byte-order mark EF BB BF.
bool StartsWithUtf8Bom(const char* bytes, size_t size);
// Whether the bytes are well-formed UTF-8 (shortest forms, no surrogates);
// with cutAtEnd a character cut off by the end of the bytes still counts.
bool IsValidUtf8(const char* bytes, size_t size, bool cutAtEnd);
// Whether any byte is 0x80 or above.
bool HasNonAscii(const char* bytes, size_t size);
