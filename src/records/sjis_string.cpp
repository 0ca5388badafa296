// SjisString: buffer management, double-byte-aware scanning, blank trimming,
// splitting, and numbers written and read as kanji or full-width numerals.
#include "records/sjis_string.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

static_assert(sizeof(int32_t) == 4);

constexpr unsigned char FIRST_LEAD_BYTE = 0x80;
constexpr char FULL_WIDTH_BLANK[] = "　";
constexpr char FULL_WIDTH_MINUS[] = "－";
constexpr char KANJI_ZERO[] = "〇";
constexpr const char* KANJI_DIGITS[10] = {"〇", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
constexpr const char* FULL_WIDTH_DIGITS[10] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
constexpr char KANJI_TEN[] = "十";

static_assert(sizeof(FULL_WIDTH_BLANK) == 3 && sizeof(KANJI_TEN) == 3);

bool IsLeadByte(char byte) { return static_cast<unsigned char>(byte) >= FIRST_LEAD_BYTE; }

// Width of the character starting at text[index]: 2 for a lead byte with a
// byte after it, else 1, so that a lone lead byte at the end never carries
// a scan over the terminator. A blank or control byte is never a second
// byte: a lone lead byte before a line end must not keep the line end (or
// a trailing blank) inside the text when it is trimmed.
int CharWidthAt(const char* text, int length, int index) {
  return (IsLeadByte(text[index]) && index + 1 < length && static_cast<unsigned char>(text[index + 1]) > ' ') ? 2 : 1;
}

bool IsSingleByteBlank(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  return value <= 32 || value == 127;
}

// True when the character at text[index], `width` bytes long, is a blank.
bool IsBlankChar(const char* text, int index, int width) {
  if (width == 1) return IsSingleByteBlank(text[index]);
  return text[index] == FULL_WIDTH_BLANK[0] && text[index + 1] == FULL_WIDTH_BLANK[1];
}

// True when p starts with the two-byte character `character`. p[1] is only
// read after p[0] matched a non-NUL lead byte, so it stays inside the text.
bool StartsWithChar(const char* p, const char* character) {
  return p[0] == character[0] && p[1] == character[1];
}

// Fixed-size text builder for the numerals: the longest, "－" and INT_MIN in
// kanji, takes under 40 bytes.
class NumeralText {
 public:
  void Add(const char* piece) {
    const size_t pieceLength = std::strlen(piece);
    if (used_ + pieceLength >= sizeof(bytes_)) return;
    std::memcpy(bytes_ + used_, piece, pieceLength);
    used_ += pieceLength;
    bytes_[used_] = '\0';
  }
  const char* Text() const { return bytes_; }

 private:
  char bytes_[64] = {};
  size_t used_ = 0;
};

// 1..9999: a digit kanji before 千, 百 or 十 only when the digit is 2 or more
// (10 十, 110 百十, 2305 二千三百五), then the units digit when not 0.
void AddKanjiBelowTenThousand(NumeralText& out, int number) {
  static constexpr const char* PLACE_WORDS[3] = {"千", "百", "十"};
  static constexpr int PLACE_VALUES[3] = {1000, 100, 10};
  for (int place = 0; place < 3; ++place) {
    const int digit = number / PLACE_VALUES[place] % 10;
    if (digit == 0) continue;
    if (digit >= 2) out.Add(KANJI_DIGITS[digit]);
    out.Add(PLACE_WORDS[place]);
  }
  if (number % 10 != 0) out.Add(KANJI_DIGITS[number % 10]);
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and buffer management

SjisString::SjisString() : text_(sharedEmptyBuffer_), length_(0), capacity_(0) {}

SjisString::SjisString(const char* source) : SjisString() { Assign(source); }

SjisString::SjisString(const SjisString& other) : SjisString() { Assign(other); }

SjisString::SjisString(SjisString&& other) noexcept
    : text_(other.text_), length_(other.length_), capacity_(other.capacity_) {
  other.text_ = sharedEmptyBuffer_;
  other.length_ = 0;
  other.capacity_ = 0;
}

SjisString& SjisString::operator=(const SjisString& other) {
  Assign(other);
  return *this;
}

SjisString& SjisString::operator=(SjisString&& other) noexcept {
  if (this == &other) return *this;
  ReleaseBuffer();
  text_ = other.text_;
  length_ = other.length_;
  capacity_ = other.capacity_;
  other.text_ = sharedEmptyBuffer_;
  other.length_ = 0;
  other.capacity_ = 0;
  return *this;
}

SjisString::~SjisString() { ReleaseBuffer(); }

const SjisString& SjisString::Empty() {
  static const SjisString emptyString;
  return emptyString;
}

// Frees an owned buffer and points at the shared one; the shared buffer is
// never freed.
void SjisString::ReleaseBuffer() {
  if (OwnsBuffer()) delete[] text_;
  text_ = sharedEmptyBuffer_;
  length_ = 0;
  capacity_ = 0;
}

// Installs a filled buffer in place of the current one. The old buffer goes
// only now, after the new text was copied, so that a source pointing into
// this string stays readable while it is copied.
void SjisString::AdoptBuffer(char* buffer, int capacity, int length) {
  ReleaseBuffer();
  text_ = buffer;
  capacity_ = capacity;
  length_ = length;
}

void SjisString::Clear() { ReleaseBuffer(); }

bool SjisString::Allocate(int size) {
  if (size < 0) return false;
  if (size == 0) {
    ReleaseBuffer();
    return true;
  }
  char* buffer = new (std::nothrow) char[size];
  if (buffer == nullptr) {  // only when memory runs out, which no test can bring about
    ReleaseBuffer();
    return false;
  }
  buffer[0] = '\0';
  AdoptBuffer(buffer, size, 0);
  return true;
}

bool SjisString::Reserve(int size) {
  if (size <= capacity_) return true;
  char* buffer = new (std::nothrow) char[size];
  if (buffer == nullptr) return false;
  std::memcpy(buffer, text_, static_cast<size_t>(length_) + 1);
  AdoptBuffer(buffer, size, length_);
  return true;
}

// ---------------------------------------------------------------------------
// Assignment and appending

bool SjisString::Assign(const char* source) {
  if (source == nullptr || source[0] == '\0') {
    ReleaseBuffer();
    return true;
  }
  const size_t sourceLength = std::strlen(source);
  if (sourceLength >= static_cast<size_t>(INT_MAX)) return false;
  const int size = static_cast<int>(sourceLength) + 1;
  char* buffer = new (std::nothrow) char[size];
  if (buffer == nullptr) return false;
  std::memcpy(buffer, source, static_cast<size_t>(size));
  AdoptBuffer(buffer, size, size - 1);
  return true;
}

bool SjisString::Assign(const SjisString& source) {
  if (this == &source) return true;
  if (source.IsEmpty()) {
    ReleaseBuffer();
    return true;
  }
  if (capacity_ < source.length_ + 1) return Assign(source.text_);
  std::memcpy(text_, source.text_, static_cast<size_t>(source.length_) + 1);
  length_ = source.length_;
  return true;
}

// Appends `count` bytes, growing the buffer to exactly the size needed (as
// Reserve does). The bytes may lie inside this string: they are copied into
// the new buffer before the old one is freed.
bool SjisString::AppendBytes(const char* bytes, int count) {
  if (count <= 0) return true;
  const int64_t needed = int64_t{length_} + count + 1;
  if (needed > INT_MAX) return false;
  const int newLength = length_ + count;
  if (needed > capacity_) {
    char* buffer = new (std::nothrow) char[needed];
    if (buffer == nullptr) return false;
    std::memcpy(buffer, text_, static_cast<size_t>(length_));
    std::memcpy(buffer + length_, bytes, static_cast<size_t>(count));
    buffer[newLength] = '\0';
    AdoptBuffer(buffer, static_cast<int>(needed), newLength);
    return true;
  }
  std::memmove(text_ + length_, bytes, static_cast<size_t>(count));
  text_[newLength] = '\0';
  length_ = newLength;
  return true;
}

bool SjisString::Append(const char* source) {
  if (source == nullptr) return true;
  const size_t sourceLength = std::strlen(source);
  if (sourceLength >= static_cast<size_t>(INT_MAX)) return false;
  return AppendBytes(source, static_cast<int>(sourceLength));
}

bool SjisString::Append(const SjisString& source) { return AppendBytes(source.text_, source.length_); }

bool SjisString::AppendChar(char byte) {
  // A NUL would leave the length counting bytes past the end of the text.
  if (byte == '\0') return false;
  return AppendBytes(&byte, 1);
}

bool SjisString::AppendNumber(int number) {
  char digits[16];
  const int written = std::snprintf(digits, sizeof(digits), "%d", number);
  return AppendBytes(digits, written);
}

// ---------------------------------------------------------------------------
// Scanning, trimming and splitting

int SjisString::FindByte(char byte, int start) const {
  if (start < 0 || start >= length_) return -1;
  for (int index = start; index < length_; index += CharWidthAt(text_, length_, index)) {
    if (text_[index] == byte) return index;
  }
  return -1;
}

void SjisString::Truncate(int newLength) {
  if (newLength >= length_) return;
  text_[newLength] = '\0';
  length_ = newLength;
}

// Scans forward so that the end of the last non-blank character is known
// exactly: looking backward, the bytes 0x81 0x40 of a full-width blank could
// be the trail of one character and an '@'.
bool SjisString::TrimRight() {
  int keptLength = 0;
  for (int index = 0; index < length_;) {
    const int width = CharWidthAt(text_, length_, index);
    if (!IsBlankChar(text_, index, width)) keptLength = index + width;
    index += width;
  }
  if (keptLength == length_) return false;
  Truncate(keptLength);
  return true;
}

bool SjisString::TrimLeft() {
  int removed = 0;
  while (removed < length_) {
    const int width = CharWidthAt(text_, length_, removed);
    if (!IsBlankChar(text_, removed, width)) break;
    removed += width;
  }
  return RemovePrefix(removed) > 0;
}

int SjisString::RemovePrefix(int count) {
  if (count <= 0 || length_ == 0) return 0;
  const int removed = count < length_ ? count : length_;
  std::memmove(text_, text_ + removed, static_cast<size_t>(length_ - removed) + 1);
  length_ -= removed;
  return removed;
}

// Copies the text after the separator into `rest` before this string is
// cut, so a separator pointing into either string is read while still valid.
// When the copy cannot be made the text is kept rather than cut and lost.
int SjisString::SplitAtIndex(int index, int separatorLength, SjisString& rest) {
  if (index < 0) {
    rest.Clear();
    return -1;
  }
  SjisString tail(text_ + index + separatorLength);
  if (tail.Length() != length_ - index - separatorLength) {  // the copy ran out of memory
    rest.Clear();
    return -1;
  }
  Truncate(index);
  rest = static_cast<SjisString&&>(tail);
  return 0;
}

int SjisString::SplitAt(const char* separator, SjisString& rest) {
  // Splitting into itself would have to both keep and replace the text.
  if (&rest == this) return -1;
  if (IsEmpty() || separator == nullptr || separator[0] == '\0') {
    rest.Clear();
    return -1;
  }
  const char* found = std::strstr(text_, separator);
  const int index = found == nullptr ? -1 : static_cast<int>(found - text_);
  return SplitAtIndex(index, static_cast<int>(std::strlen(separator)), rest);
}

int SjisString::SplitAtChar(const char* separator, SjisString& rest) {
  if (&rest == this) return -1;
  if (IsEmpty() || separator == nullptr || separator[0] == '\0') {
    rest.Clear();
    return -1;
  }
  const size_t separatorLength = std::strlen(separator);
  int found = -1;
  for (int index = 0; index < length_; index += CharWidthAt(text_, length_, index)) {
    // strncmp stops at this string's NUL, so a long separator is safe.
    if (std::strncmp(text_ + index, separator, separatorLength) == 0) {
      found = index;
      break;
    }
  }
  return SplitAtIndex(found, static_cast<int>(separatorLength), rest);
}

// ---------------------------------------------------------------------------
// Numerals

// Numbers of 10,000 and above are written in groups of four digits under 万
// and 億, each group as below 10,000, the way such numbers are read aloud
// (12345 一万二千三百四十五); a group of 1 is written 一.
bool SjisString::SetKanjiNumber(int number) {
  NumeralText text;
  if (number == 0) {
    text.Add(KANJI_ZERO);
  } else {
    if (number < 0) text.Add(FULL_WIDTH_MINUS);
    // Widened first: the absolute value of INT_MIN does not fit an int.
    int64_t magnitude = number < 0 ? -int64_t{number} : int64_t{number};
    static constexpr const char* GROUP_WORDS[3] = {"億", "万", ""};
    static constexpr int64_t GROUP_VALUES[3] = {100000000, 10000, 1};
    for (int group = 0; group < 3; ++group) {
      const int groupValue = static_cast<int>(magnitude / GROUP_VALUES[group]);
      magnitude %= GROUP_VALUES[group];
      if (groupValue == 0) continue;
      AddKanjiBelowTenThousand(text, groupValue);
      text.Add(GROUP_WORDS[group]);
    }
  }
  ReleaseBuffer();
  return Append(text.Text());
}

bool SjisString::SetFullWidthNumber(int number) {
  NumeralText text;
  if (number < 0) text.Add(FULL_WIDTH_MINUS);
  char digits[16];
  std::snprintf(digits, sizeof(digits), "%lld", number < 0 ? -static_cast<long long>(number)
                                                           : static_cast<long long>(number));
  for (const char* digit = digits; *digit != '\0'; ++digit) text.Add(FULL_WIDTH_DIGITS[*digit - '0']);
  ReleaseBuffer();
  return Append(text.Text());
}

bool EndsInsideCharacter(const char* text) {
  if (text == nullptr) return false;
  for (const char* p = text; *p != '\0'; p += SjisCharacterLength(p)) {
    if (IsSjisLeadByte(static_cast<unsigned char>(*p)) && p[1] == '\0') return true;
  }
  return false;
}

int ParseFullWidthDigit(const char* p, int& value) {
  value = 0;
  if (p == nullptr) return 0;
  for (int digit = 0; digit < 10; ++digit) {
    if (StartsWithChar(p, FULL_WIDTH_DIGITS[digit])) {
      value = digit;
      return 2;
    }
  }
  return 0;
}

namespace {

// "〇".."九" at p: the digit, or -1.
int KanjiDigitAt(const char* p) {
  for (int digit = 0; digit < 10; ++digit) {
    if (StartsWithChar(p, KANJI_DIGITS[digit])) return digit;
  }
  return -1;
}

}  // namespace

int ParseKanjiNumber(const char* p, int& value) {
  value = 0;
  if (p == nullptr) return 0;
  // The inverse of SetKanjiNumber for 0 and above: digits, the place words
  // 十 百 千 (a place without a digit counts once) in falling order inside a
  // group, and the group words 億 万 in falling order. Reading stops at the
  // first character that cannot continue the numeral.
  struct Word {
    const char* text;
    int64_t value;
  };
  static constexpr Word PLACES[] = {{"千", 1000}, {"百", 100}, {"十", 10}};
  static constexpr Word GROUPS[] = {{"億", 100000000}, {"万", 10000}};
  int64_t total = 0, group = 0, lastPlace = 10000, lastGroup = INT64_MAX;
  int pendingDigit = -1, used = 0;
  for (;;) {
    const char* at = p + used;
    const int digit = KanjiDigitAt(at);
    if (digit >= 0) {
      if (pendingDigit >= 0) break;
      pendingDigit = digit;
      used += 2;
      if (digit == 0) break;  // 〇 is a numeral of its own, never a multiplier
      continue;
    }
    const Word* place = nullptr;
    for (const Word& word : PLACES) {
      if (StartsWithChar(at, word.text)) place = &word;
    }
    if (place != nullptr && place->value < lastPlace) {
      group += (pendingDigit < 0 ? 1 : pendingDigit) * place->value;
      lastPlace = place->value;
      pendingDigit = -1;
      used += 2;
      continue;
    }
    const Word* groupWord = nullptr;
    for (const Word& word : GROUPS) {
      if (StartsWithChar(at, word.text)) groupWord = &word;
    }
    const int64_t groupValue = group + (pendingDigit < 0 ? 0 : pendingDigit);
    if (groupWord != nullptr && groupWord->value < lastGroup && groupValue > 0) {
      total += groupValue * groupWord->value;
      lastGroup = groupWord->value;
      group = 0;
      lastPlace = 10000;
      pendingDigit = -1;
      used += 2;
      continue;
    }
    break;
  }
  total += group + (pendingDigit < 0 ? 0 : pendingDigit);
  if (used == 0 || total > INT_MAX) return 0;
  value = static_cast<int>(total);
  return used;
}
