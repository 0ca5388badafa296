// SjisString: the record side's byte string of Shift-JIS text. Empty strings
// share one static buffer; scans treat a byte of 0x80 or above as the lead of
// a two-byte character. Also the kanji and full-width numeral parsers.
#pragma once

#include <cstdint>

#include "charset.h"

class SjisString {
 public:
  // The empty string on the shared buffer; allocates nothing.
  SjisString();
  // A copy of a NUL-terminated byte string; null or "" gives the empty string.
  explicit SjisString(const char* source);
  // A deep copy; an empty source gives the empty string.
  SjisString(const SjisString& other);
  // Takes over the other's buffer and leaves the other empty.
  SjisString(SjisString&& other) noexcept;
  // Same as Assign(other).
  SjisString& operator=(const SjisString& other);
  // Takes over the other's buffer and leaves the other empty.
  SjisString& operator=(SjisString&& other) noexcept;
  // Frees an owned buffer.
  ~SjisString();

  // The text, NUL-terminated; never null.
  const char* Text() const { return text_; }
  // Bytes before the NUL.
  int Length() const { return length_; }
  // Size of the owned buffer in bytes; 0 on the shared empty buffer.
  int Capacity() const { return capacity_; }
  // True when the text has no bytes.
  bool IsEmpty() const { return length_ == 0; }

  // Frees an owned buffer and becomes the empty string.
  void Clear();
  // Drops the text for a fresh buffer of `size` bytes (0: the empty string);
  // false for a negative size (nothing changes) or when memory runs out
  // (the string is then empty).
  bool Allocate(int size);
  // Grows the buffer to exactly `size` bytes, keeping the text, when `size`
  // exceeds the capacity; false when memory runs out (nothing changes).
  bool Reserve(int size);
  // Replaces the text by a copy of `source` in a new buffer; null or ""
  // clears. `source` may point into this string. False when memory runs out
  // (nothing changes).
  bool Assign(const char* source);
  // Replaces the text by the other's, reusing the buffer when it is large
  // enough; an empty source clears. False when memory runs out.
  bool Assign(const SjisString& source);
  // Appends a NUL-terminated byte string (null: nothing); `source` may point
  // into this string. False when memory runs out (nothing changes).
  bool Append(const char* source);
  // Appends the other's text (may be this string itself).
  bool Append(const SjisString& source);
  // Appends one byte; refuses NUL, which would end the text early.
  bool AppendChar(char byte);
  // Appends the number in decimal ("%d").
  bool AppendNumber(int number);

  // Index of `byte` at or after `start`, looking only at character starts;
  // -1 when absent or when `start` is negative or not below the length.
  int FindByte(char byte, int start) const;
  // Cuts trailing blanks (bytes 0..32, 127 and the full-width blank); true
  // when something was cut.
  bool TrimRight();
  // Removes leading blanks as TrimRight does; true when something was removed.
  bool TrimLeft();
  // Removes the first min(count, length) bytes (none for a negative count);
  // returns how many were removed.
  int RemovePrefix(int count);
  // Finds `separator` at any byte; moves the text after it into `rest` and
  // cuts this string where it starts. 0, or -1 when this string is empty,
  // the separator is null or empty, or not found (`rest` is then cleared),
  // or `rest` is this string or memory runs out (this string is unchanged).
  int SplitAt(const char* separator, SjisString& rest);
  // As SplitAt, but the separator matches only at character starts.
  int SplitAtChar(const char* separator, SjisString& rest);
  // Replaces the text by the number in kanji numerals (10 十, 2305 二千三百五).
  bool SetKanjiNumber(int number);
  // Replaces the text by the number in full-width digits (10 １０).
  bool SetFullWidthNumber(int number);

  // The one static empty string, handed out where a string must be returned
  // and there is none.
  static const SjisString& Empty();

 private:
  bool OwnsBuffer() const { return text_ != sharedEmptyBuffer_; }
  void ReleaseBuffer();
  void AdoptBuffer(char* buffer, int capacity, int length);
  bool AppendBytes(const char* bytes, int count);
  void Truncate(int newLength);
  int SplitAtIndex(int index, int separatorLength, SjisString& rest);

  // Never written: every path that writes text first owns a buffer.
  inline static char sharedEmptyBuffer_[1] = {};

  char* text_;
  int32_t length_;
  int32_t capacity_;
};

// Reads one full-width digit "０".."９" at `p`: its value and 2, or 0 bytes
// and value 0 when `p` (may be null) starts with something else.
int ParseFullWidthDigit(const char* p, int& value);
// Reads a kanji numeral at `p` as SetKanjiNumber writes it (十一, 二十,
// 百十, 二千三百五, 一万...): the bytes used, or 0 bytes and value 0 when `p`
// does not start with one (or it exceeds INT_MAX).
int ParseKanjiNumber(const char* p, int& value);
// Whether a byte begins a double-byte character of the code page
// (0x81-0x9F, 0xE0-0xFC); the half-width kana between are one byte each.
constexpr bool IsSjisLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
// The bytes of the character at p by the code page: two for a lead byte
// with a byte after it, else one (a half-width kana, a byte that starts no
// character, a lone lead byte at the end). The damage checks step through
// text with it, so that no such byte hides what follows it.
constexpr int SjisCharacterLength(const char* p) {
  return IsSjisLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0' ? 2 : 1;
}
// Whether the text (may be null) ends inside a double-byte character: its
// last character is a lone lead byte, as in a file cut short. Scanned by the
// code page's own lead bytes, so that a run of one-byte half-width kana is
// never taken for a cut.
bool EndsInsideCharacter(const char* text);
