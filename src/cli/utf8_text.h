// Shift-JIS (code page 932) text as UTF-8 for the terminal, and pasted
// UTF-8 text as Shift-JIS. The program keeps every text in Shift-JIS; only
// what it prints for a person and what it takes from the terminal are
// converted.
#pragma once

#include <string>

// Converts NUL-terminated CP932 text to UTF-8; a byte that starts no valid
// character comes out as U+FFFD and the conversion goes on. False when the
// system has no CP932 converter (out is then empty).
bool Cp932ToUtf8(const char* text, std::string& out);

// Standard input plays the clipboard, whose text is UTF-8: valid UTF-8
// becomes Shift-JIS (a leading byte-order mark dropped), anything else is
// taken as Shift-JIS already. False, with the line and character in error,
// for a character that has no Shift-JIS form.
bool PastedTextToSjis(const std::string& bytes, std::string& sjis, std::string& error);

// Prints the CP932 text to standard output as UTF-8; an empty text on
// success, else what failed.
std::string PrintAsUtf8(const char* text);
