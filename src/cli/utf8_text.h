// Shift-JIS (code page 932) text as UTF-8 for the terminal. The program
// keeps every text in Shift-JIS; only what it prints for a person is converted.
#pragma once

#include <string>

// Converts NUL-terminated CP932 text to UTF-8; a byte that starts no valid
// character comes out as U+FFFD and the conversion goes on. False when the
// system has no CP932 converter (out is then empty).
bool Cp932ToUtf8(const char* text, std::string& out);

// Prints the CP932 text to standard output as UTF-8; an empty text on
// success, else what failed.
std::string PrintAsUtf8(const char* text);
