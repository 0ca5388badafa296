// SjisString: edits checked against a plain byte-string model, trail bytes
// that look like ASCII, lone lead bytes, trimming, splitting, and numerals
// written and read back.
#include "records/sjis_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

std::string Bytes(const SjisString& s) { return std::string(s.Text(), static_cast<size_t>(s.Length())); }

bool OnSharedBuffer(const SjisString& s) { return s.Capacity() == 0 && s.Text() == SjisString::Empty().Text(); }

// Random edits, copies, moves and edits by the string's own text. Each step
// checks the text, that the length is its strlen, and that a string owns a
// buffer larger than its text or none; the sanitizer build turns a buffer
// freed before its bytes were copied into an error.
TEST(SjisStringBuffer, RandomEditsMatchAByteStringModel) {
  SjisString fromNull(nullptr), fromEmpty(""), defaulted, copied(defaulted), assigned("abc"), allocated("abc");
  assigned.Assign(SjisString());
  EXPECT_TRUE(allocated.Allocate(0) && !allocated.Allocate(-1));
  for (const SjisString* empty : {&fromNull, &fromEmpty, &defaulted, &copied, &assigned, &allocated}) {
    EXPECT_TRUE(OnSharedBuffer(*empty));
  }
  std::mt19937 random(1234);
  const std::vector<std::string> pieces = {"", "a", "ソ", "表", "　", " x ", "十一", "@|[]\\"};
  SjisString s;
  std::string model;
  for (int step = 0; step < 4000; ++step) {
    const std::string& piece = pieces[random() % pieces.size()];
    const int count = static_cast<int>(random() % 12) - 2;  // may pass the length
    const size_t cut = static_cast<size_t>(std::clamp(count, 0, static_cast<int>(model.size())));
    SjisString copy(s);
    // clang-format off
    switch (random() % 9) {
      case 0: s.Append(piece.c_str()); model += piece; break;
      case 1: s.Append(SjisString(piece.c_str())); model += piece; break;
      case 2: ASSERT_FALSE(s.AppendChar('\0')); s.AppendChar('q'); model += 'q'; break;
      case 3: s.AppendNumber(count * 1000); model += std::to_string(count * 1000); break;
      case 4: ASSERT_EQ(s.RemovePrefix(count), static_cast<int>(cut)); model.erase(0, cut); break;
      case 5: s.Assign(piece.c_str()); model = piece; break;
      case 6:  // own text, into a buffer that fits or a new one
        s.Reserve(count % 2 ? 2 * s.Length() + 1 : 0);
        s.Append(s.Text() + cut);
        model += model.substr(cut);
        break;
      case 7: s.Assign(s.Text() + cut); model.erase(0, cut); break;
      case 8:  // a deep copy doubled by itself, assigned and moved back, leaving it empty
        copy.Append(copy);
        s = copy;
        s = std::move(copy);
        ASSERT_TRUE(OnSharedBuffer(copy));
        model += model;
        break;
    }
    // clang-format on
    if (model.size() > 60) {
      s.Clear();
      model.clear();
    }
    ASSERT_EQ(Bytes(s), model);
    ASSERT_EQ(std::strlen(s.Text()), model.size());
    ASSERT_TRUE(s.Capacity() == 0 ? OnSharedBuffer(s) : s.Length() < s.Capacity());
  }
  s.Clear();
  s.AppendNumber(INT_MIN);
  EXPECT_EQ(Bytes(s), std::to_string(INT_MIN));
}

// Scans step over double-byte characters: a trail byte equal to an ASCII
// character the readers look for is never taken for it, and a lone lead byte
// at the end never carries a scan past the text.
TEST(SjisStringScan, StepsOverDoubleByteCharacters) {
  const std::pair<const char*, char> traps[] = {{"表", '\\'}, {"ソ", '\\'}, {"十", '\\'}, {"－", '|'},
                                                {"ー", '['},  {"ゾ", ']'},  {"ァ", '@'},  {"　", '@'}};
  for (const auto& [character, trail] : traps) {
    ASSERT_EQ(character[1], trail);
    const std::string text = std::string("a") + character + character;
    const char separator[2] = {trail, '\0'};
    SjisString s(text.c_str()), rest("stale");
    EXPECT_EQ(s.FindByte(trail, 0), -1) << character;
    EXPECT_EQ(s.SplitAtChar(separator, rest), -1);
    EXPECT_TRUE(rest.IsEmpty());
    s.AppendChar(trail);
    EXPECT_EQ(s.FindByte(trail, 1), 5) << character;
    SjisString byChar(s), byByte(s);
    EXPECT_EQ(byChar.SplitAtChar(separator, rest), 0);
    EXPECT_EQ(Bytes(byChar), text);
    EXPECT_EQ(byByte.SplitAt(separator, rest), 0);
    EXPECT_EQ(byByte.Length(), 2);  // any byte, as asked: inside the first character
  }
  // Each buffer is exactly length + 1 bytes, so a step over the terminator
  // after a lone lead byte is caught by the sanitizers.
  for (const char* text : {"\x82", "ab\x95", "表\x8f"}) {
    SjisString lone(text), rest;
    const char* last = lone.Text() + lone.Length() - 1;
    const char leadThenX[3] = {*last, 'x', '\0'};
    EXPECT_EQ(lone.FindByte('x', 0), -1);
    EXPECT_EQ(lone.SplitAtChar(leadThenX, rest), -1);
    EXPECT_FALSE(lone.TrimRight() || lone.TrimLeft());
    EXPECT_EQ(Bytes(lone), text);
    int value = -1;
    EXPECT_EQ(ParseKanjiNumber(last, value) + ParseFullWidthDigit(last, value), 0);
    EXPECT_EQ(SjisCharacterLength(last), 1);
  }
  EXPECT_EQ(SjisString("ab").FindByte('a', -1) + SjisString("ab").FindByte('b', 2), -2);
  EXPECT_EQ(SjisString("a\x80" "\\").FindByte('\\', 0), -1) << "0x80 is the first of two bytes too";
}

TEST(SjisStringSplit, SplitsAtTheFirstSeparatorWhereverItLives) {
  SjisString line("先手：羽生　善治：x"), rest("stale");
  EXPECT_EQ(line.SplitAtChar("：", rest), 0);
  EXPECT_EQ(Bytes(line) + "|" + Bytes(rest), "先手|羽生　善治：x");
  SjisString s("key=value=more");
  EXPECT_EQ(s.SplitAt("=", s), -1);  // into itself: refused, text kept
  rest.Assign("=");
  EXPECT_EQ(s.SplitAt(rest.Text(), rest), 0);  // the separator inside `rest`
  EXPECT_EQ(Bytes(s) + "|" + Bytes(rest), "key|value=more");
  SjisString pipes("x|y|");
  EXPECT_EQ(pipes.SplitAtChar(pipes.Text() + 3, rest), 0);  // the separator inside this string
  EXPECT_EQ(Bytes(pipes) + " " + Bytes(rest), "x y|");

  SjisString kept("a=b"), emptyString;
  for (const char* separator : {static_cast<const char*>(nullptr), "", "#", "=b="}) {
    for (auto split : {&SjisString::SplitAt, &SjisString::SplitAtChar}) {
      for (SjisString* refused : {&kept, &emptyString}) {
        rest.Assign("stale");
        EXPECT_EQ((refused->*split)(refused == &kept ? separator : "=", rest), -1);
        EXPECT_TRUE(rest.IsEmpty() && Bytes(kept) == "a=b");
      }
    }
  }
}

// Reads a numeral back as SetKanjiNumber writes it, sign included; -999
// when the reader does not take the whole text.
int64_t ReadKanjiNumeral(const std::string& text) {
  const bool negative = text.compare(0, 2, "－") == 0;
  const std::string digits = negative ? text.substr(2) : text;
  int value = -1;
  if (ParseKanjiNumber(digits.c_str(), value) != static_cast<int>(digits.size())) return -999;
  return negative ? -int64_t{value} : value;
}

TEST(SjisStringNumerals, WrittenAndReadBack) {
  // clang-format off
  const std::tuple<int, const char*, const char*> examples[] = {
      {0, "〇", "０"}, {10, "十", "１０"}, {11, "十一", "１１"}, {20, "二十", "２０"}, {110, "百十", "１１０"}, {-3, "－三", "－３"},
      {2305, "二千三百五", "２３０５"},
      {12345, "一万二千三百四十五", "１２３４５"},
      {INT_MIN, "－二十一億四千七百四十八万三千六百四十八", "－２１４７４８３６４８"}};
  // clang-format on
  SjisString s("old text");
  for (const auto& [number, kanji, fullWidth] : examples) {
    EXPECT_TRUE(s.SetKanjiNumber(number));
    EXPECT_EQ(Bytes(s), kanji);
    EXPECT_TRUE(s.SetFullWidthNumber(number));
    EXPECT_EQ(Bytes(s), fullWidth);
  }
  // Every number SetKanjiNumber writes reads back whole; reading stops where
  // the numeral ends.
  std::vector<int> numbers = {100010001, INT_MAX};
  for (int number = -10000; number <= 20000; ++number) numbers.push_back(number);
  for (int number : numbers) {
    s.SetKanjiNumber(number);
    ASSERT_EQ(ReadKanjiNumeral(Bytes(s)), number);
  }
  const std::tuple<const char*, int, int> cases[] = {{"十八", 4, 18}, {"十十", 2, 10}, {"二千三百五手", 10, 2305},
                                                     {"二三", 2, 2},  {"〇十", 2, 0},  {"万", 0, 0},
                                                     {"9", 0, 0},     {"１", 0, 0},    {nullptr, 0, 0}};
  int value = -1;
  for (const auto& [text, bytes, expected] : cases) {
    EXPECT_EQ(ParseKanjiNumber(text, value), bytes) << text;
    EXPECT_EQ(value, expected) << text;
  }
  EXPECT_EQ(ParseFullWidthDigit("一", value) + ParseFullWidthDigit(nullptr, value), 0);
}

// A move hands the buffer over as it is; Allocate(n) gives a fresh empty
// buffer of exactly n bytes.
TEST(SjisStringBuffer, MoveKeepsTheBufferAndAllocateGivesAnEmptyOne) {
  SjisString source("表x");
  const char* buffer = source.Text();
  const int capacity = source.Capacity();
  SjisString moved(std::move(source));
  EXPECT_EQ(moved.Text(), buffer);
  EXPECT_EQ(Bytes(moved), "表x");
  EXPECT_EQ(moved.Capacity(), capacity);
  EXPECT_TRUE(OnSharedBuffer(source) && source.Length() == 0);
  SjisString fromEmpty(std::move(source));
  EXPECT_TRUE(OnSharedBuffer(fromEmpty));
  for (const int size : {1, 5, 40}) {
    ASSERT_TRUE(moved.Allocate(size));
    EXPECT_EQ(moved.Capacity(), size);
    EXPECT_EQ(moved.Length(), 0);
    EXPECT_STREQ(moved.Text(), "");
    EXPECT_FALSE(OnSharedBuffer(moved));
  }
}

}  // namespace
