// SjisString: the shared empty buffer, growth, copies, text that aliases the
// string itself, double-byte-aware scans, trimming, splitting, numerals, and
// behaviour when memory runs out.
#include "records/sjis_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "records/failing_allocation.h"

namespace {

std::string Bytes(const SjisString& s) { return std::string(s.Text(), static_cast<size_t>(s.Length())); }

// The invariants every operation keeps: never null, length is the text's
// strlen, and a string owns a buffer larger than its text or none at all.
void ExpectSound(const SjisString& s) {
  ASSERT_NE(s.Text(), nullptr);
  EXPECT_EQ(std::strlen(s.Text()), static_cast<size_t>(s.Length()));
  if (s.Capacity() == 0) {
    EXPECT_EQ(s.Text(), SjisString::Empty().Text());
  } else {
    EXPECT_LT(s.Length(), s.Capacity());
  }
}

bool OnSharedBuffer(const SjisString& s) { return s.Capacity() == 0 && s.Text() == SjisString::Empty().Text(); }

TEST(SjisStringBuffer, EmptyStringsShareOneBufferAndAllocateNothing) {
  SjisString fromNull(nullptr), fromEmpty(""), defaulted;
  SjisString copied(defaulted);
  SjisString assigned("abc");
  assigned.Assign("");
  SjisString assignedEmpty("abc");
  assignedEmpty.Assign(defaulted);
  SjisString allocatedZero("abc");
  EXPECT_TRUE(allocatedZero.Allocate(0));
  for (const SjisString* s : {&fromNull, &fromEmpty, &defaulted, &copied, &assigned, &assignedEmpty, &allocatedZero}) {
    EXPECT_TRUE(OnSharedBuffer(*s));
    EXPECT_STREQ(s->Text(), "");
  }
  assigned.Clear();
  assigned.Clear();
  EXPECT_TRUE(OnSharedBuffer(assigned));
  EXPECT_STREQ(SjisString::Empty().Text(), "");
}

TEST(SjisStringBuffer, GrowsToExactlyTheSizeNeeded) {
  SjisString s("十一");
  EXPECT_EQ(s.Capacity(), 5);
  s.Append("ab");
  EXPECT_EQ(s.Capacity(), 7);
  s.AppendChar('c');
  s.AppendNumber(-42);
  EXPECT_EQ(Bytes(s), "十一abc-42");
  EXPECT_EQ(s.Capacity(), s.Length() + 1);

  EXPECT_TRUE(s.Reserve(5));  // below the capacity: nothing
  EXPECT_EQ(s.Capacity(), s.Length() + 1);
  EXPECT_TRUE(s.Reserve(40));
  EXPECT_EQ(s.Capacity(), 40);
  EXPECT_EQ(Bytes(s), "十一abc-42");

  const char* buffer = s.Text();
  s.Assign(SjisString("short"));  // fits: the buffer is reused
  EXPECT_EQ(s.Text(), buffer);
  EXPECT_EQ(Bytes(s), "short");
  s.Assign("short");  // from bytes: always a buffer of its own size
  EXPECT_EQ(s.Capacity(), 6);

  EXPECT_TRUE(s.Allocate(9));
  EXPECT_EQ(s.Capacity(), 9);
  EXPECT_STREQ(s.Text(), "");
  EXPECT_FALSE(s.Allocate(-1));
  EXPECT_EQ(s.Capacity(), 9);
  EXPECT_FALSE(s.AppendChar('\0'));
  ExpectSound(s);
}

TEST(SjisStringBuffer, CopiesAreDeepAndMovesLeaveTheSourceEmpty) {
  SjisString original("表ソ");
  SjisString copy(original);
  copy.Append("x");
  EXPECT_EQ(Bytes(original), "表ソ");
  EXPECT_NE(copy.Text(), original.Text());

  SjisString moved(std::move(copy));
  EXPECT_EQ(Bytes(moved), "表ソx");
  EXPECT_TRUE(OnSharedBuffer(copy));
  SjisString target("old");
  target = std::move(moved);
  EXPECT_EQ(Bytes(target), "表ソx");
  EXPECT_TRUE(OnSharedBuffer(moved));
  target = target;
  target = std::move(target);
  EXPECT_EQ(Bytes(target), "表ソx");
  copy = original;
  EXPECT_EQ(Bytes(copy), "表ソ");
}

// Under the sanitizers a buffer freed before its bytes were copied shows up
// here as a use after free.
TEST(SjisStringBuffer, OwnTextCanBeAssignedAndAppended) {
  SjisString s("abcdef");
  s.Assign(s.Text() + 2);
  EXPECT_EQ(Bytes(s), "cdef");
  s.Assign(s);
  EXPECT_EQ(Bytes(s), "cdef");
  s.Append(s);  // grows
  EXPECT_EQ(Bytes(s), "cdefcdef");
  s.Append(s.Text() + 6);  // grows
  EXPECT_EQ(Bytes(s), "cdefcdefef");
  s.Reserve(64);
  s.Append(s.Text() + 8);  // fits
  s.Append(s);
  EXPECT_EQ(Bytes(s), "cdefcdefefefcdefcdefefef");
  ExpectSound(s);
}

// Random edits checked against std::string as the model.
TEST(SjisStringBuffer, RandomEditsMatchAByteStringModel) {
  std::mt19937 random(1234);
  const std::vector<std::string> pieces = {"", "a", "ソ", "表", "　", " x ", "十一", "@|[]\\"};
  SjisString s;
  std::string model;
  for (int step = 0; step < 3000; ++step) {
    const std::string& piece = pieces[random() % pieces.size()];
    switch (random() % 7) {
      case 0: s.Append(piece.c_str()); model += piece; break;
      case 1: s.Append(SjisString(piece.c_str())); model += piece; break;
      case 2: s.AppendChar('q'); model += 'q'; break;
      case 3: {
        const int number = static_cast<int>(random() % 2001) - 1000;
        s.AppendNumber(number);
        model += std::to_string(number);
        break;
      }
      case 4: {
        const int count = static_cast<int>(random() % 8) - 2;
        const int removed = s.RemovePrefix(count);
        const int expected = count <= 0 ? 0 : std::min<int>(count, static_cast<int>(model.size()));
        ASSERT_EQ(removed, expected);
        model.erase(0, static_cast<size_t>(expected));
        break;
      }
      case 5: s.Assign(piece.c_str()); model = piece; break;
      case 6: if (model.size() > 40) { s.Clear(); model.clear(); } break;
    }
    ASSERT_EQ(Bytes(s), model);
    ExpectSound(s);
  }
  SjisString number;
  number.AppendNumber(INT_MIN);
  EXPECT_EQ(Bytes(number), std::to_string(INT_MIN));
}

// Each of these characters has a trail byte equal to an ASCII character
// that the readers look for.
struct TrailTrap {
  const char* character;
  char trail;
};
const TrailTrap TRAIL_TRAPS[] = {{"表", '\\'}, {"ソ", '\\'}, {"十", '\\'}, {"－", '|'},
                                 {"ー", '['},  {"ゾ", ']'},  {"ァ", '@'},  {"　", '@'}};

TEST(SjisStringScan, TrailBytesAreNeverTakenForAsciiCharacters) {
  for (const TrailTrap& trap : TRAIL_TRAPS) {
    ASSERT_EQ(trap.character[1], trap.trail);
    std::string text = std::string("a") + trap.character + trap.character;
    SjisString s(text.c_str());
    EXPECT_EQ(s.FindByte(trap.trail, 0), -1) << trap.character;
    s.AppendChar(trap.trail);
    EXPECT_EQ(s.FindByte(trap.trail, 0), 5) << trap.character;
    EXPECT_EQ(s.FindByte(trap.trail, 5), 5);

    SjisString rest("stale");
    SjisString byChar(s);
    const char separator[2] = {trap.trail, '\0'};
    EXPECT_EQ(byChar.SplitAtChar(separator, rest), 0);
    EXPECT_EQ(Bytes(byChar), text);
    EXPECT_EQ(Bytes(rest), "");
    SjisString byByte(s);
    EXPECT_EQ(byByte.SplitAt(separator, rest), 0);
    EXPECT_EQ(byByte.Length(), 2);  // inside the first character, as asked
  }
}

TEST(SjisStringScan, StartOutOfRangeAndLoneLeadBytesStayInBounds) {
  SjisString s("ab表");
  EXPECT_EQ(s.FindByte('a', -1), -1);
  EXPECT_EQ(s.FindByte('a', 4), -1);
  EXPECT_EQ(s.FindByte('b', 1), 1);
  // A lead byte as the last byte: each buffer is exactly length + 1 bytes,
  // so a step over the terminator is caught by the sanitizers.
  for (const char* text : {"\x82", "ab\x95", "表\x8f"}) {
    SjisString lone(text);
    SjisString rest;
    EXPECT_EQ(lone.FindByte('x', 0), -1);
    EXPECT_EQ(lone.SplitAtChar("x", rest), -1);
    const std::string leadThenX = std::string(1, text[std::strlen(text) - 1]) + "x";
    EXPECT_EQ(lone.SplitAtChar(leadThenX.c_str(), rest), -1);
    EXPECT_FALSE(lone.TrimRight());
    EXPECT_FALSE(lone.TrimLeft());
    EXPECT_EQ(Bytes(lone), text);
    int value = -1;
    EXPECT_EQ(ParseKanjiNumber(lone.Text() + lone.Length() - 1, value), 0);
    EXPECT_EQ(ParseFullWidthDigit(lone.Text() + lone.Length() - 1, value), 0);
  }
}

TEST(SjisStringTrim, CutsHalfAndFullWidthBlanksOnly) {
  SjisString s("abc　 ");
  EXPECT_TRUE(s.TrimRight());
  EXPECT_EQ(Bytes(s), "abc");
  EXPECT_FALSE(s.TrimRight());
  SjisString blank("　");
  EXPECT_TRUE(blank.TrimRight());
  EXPECT_EQ(blank.Length(), 0);
  SjisString controls(" \t\x7f\r\n\x01　x\x7f");
  EXPECT_TRUE(controls.TrimLeft());
  EXPECT_EQ(Bytes(controls), "x\x7f");
  EXPECT_FALSE(controls.TrimLeft());
  // "ａ" is 0x82 0x81: followed by '@' its last two bytes read 0x81 0x40,
  // the full-width blank, when looked at from the end.
  SjisString trap("ａ@");
  EXPECT_FALSE(trap.TrimRight());
  EXPECT_EQ(Bytes(trap), "ａ@");
  SjisString emptyString;
  EXPECT_FALSE(emptyString.TrimRight());
  EXPECT_FALSE(emptyString.TrimLeft());
}

// Texts built from tokens: trimming must remove exactly the blank tokens at
// the ends, never a byte of a double-byte token.
TEST(SjisStringTrim, RemovesExactlyTheBlankTokensAtTheEnds) {
  struct Token {
    const char* bytes;
    bool blank;
  };
  const Token tokens[] = {{" ", true}, {"\t", true}, {"　", true}, {"ａ", false}, {"@", false},
                          {"ソ", false}, {"x", false}, {"ァ", false}};
  std::mt19937 random(99);
  for (int trial = 0; trial < 2000; ++trial) {
    std::vector<const Token*> chosen;
    for (int i = static_cast<int>(random() % 7); i > 0; --i) chosen.push_back(&tokens[random() % 8]);
    size_t first = 0, last = chosen.size();
    while (first < last && chosen[first]->blank) ++first;
    while (last > 0 && chosen[last - 1]->blank) --last;
    std::string whole, left, right;
    for (size_t i = 0; i < chosen.size(); ++i) {
      whole += chosen[i]->bytes;
      if (i >= first) left += chosen[i]->bytes;
      if (i < last) right += chosen[i]->bytes;
    }
    SjisString trimRight(whole.c_str()), trimLeft(whole.c_str());
    EXPECT_EQ(trimRight.TrimRight(), right != whole);
    EXPECT_EQ(Bytes(trimRight), right);
    EXPECT_EQ(trimLeft.TrimLeft(), left != whole);
    EXPECT_EQ(Bytes(trimLeft), left);
  }
}

TEST(SjisStringSplit, SplitsAtTheFirstSeparatorOrReportsMinusOne) {
  SjisString line("先手：羽生　善治：x");
  SjisString rest("stale");
  EXPECT_EQ(line.SplitAtChar("：", rest), 0);
  EXPECT_EQ(Bytes(line), "先手");
  EXPECT_EQ(Bytes(rest), "羽生　善治：x");

  SjisString s("a=b");
  for (const char* separator : {static_cast<const char*>(nullptr), "", "#"}) {
    rest.Assign("stale");
    EXPECT_EQ(s.SplitAt(separator, rest), -1);
    EXPECT_TRUE(OnSharedBuffer(rest));
    rest.Assign("stale");
    EXPECT_EQ(s.SplitAtChar(separator, rest), -1);
    EXPECT_TRUE(rest.IsEmpty());
  }
  SjisString emptyString;
  rest.Assign("stale");
  EXPECT_EQ(emptyString.SplitAt("=", rest), -1);
  EXPECT_TRUE(rest.IsEmpty());
  EXPECT_EQ(s.SplitAt("=b=", rest), -1);  // longer than what is left
  EXPECT_EQ(s.SplitAtChar("=b=", rest), -1);
  EXPECT_EQ(Bytes(s), "a=b");
}

TEST(SjisStringSplit, SeparatorMayLiveInEitherString) {
  SjisString s("key=value=more");
  EXPECT_EQ(s.SplitAt("=", s), -1);  // into itself: refused, text kept
  EXPECT_EQ(Bytes(s), "key=value=more");
  SjisString rest("=");
  EXPECT_EQ(s.SplitAt(rest.Text(), rest), 0);
  EXPECT_EQ(Bytes(s), "key");
  EXPECT_EQ(Bytes(rest), "value=more");
  SjisString again("x|y|");
  EXPECT_EQ(again.SplitAtChar(again.Text() + 3, rest), 0);  // the last "|"
  EXPECT_EQ(Bytes(again), "x");
  EXPECT_EQ(Bytes(rest), "y|");
}

// Reads back a numeral as SetKanjiNumber writes it, sign included.
int64_t ReadKanjiNumeral(const std::string& text) {
  const bool negative = text.compare(0, 2, "－") == 0;
  const std::string digits = negative ? text.substr(2) : text;
  int value = -1;
  if (ParseKanjiNumber(digits.c_str(), value) != static_cast<int>(digits.size())) return -999;
  return negative ? -int64_t{value} : value;
}

TEST(SjisStringNumerals, KanjiExamples) {
  const std::pair<int, const char*> examples[] = {
      {0, "〇"}, {1, "一"}, {10, "十"}, {11, "十一"}, {20, "二十"}, {110, "百十"}, {1000, "千"},
      {2305, "二千三百五"}, {-3, "－三"}, {9999, "九千九百九十九"}, {10000, "一万"},
      {12345, "一万二千三百四十五"}, {INT_MAX, "二十一億四千七百四十八万三千六百四十七"},
      {INT_MIN, "－二十一億四千七百四十八万三千六百四十八"}};
  SjisString s("old text");
  for (const auto& [number, text] : examples) {
    EXPECT_TRUE(s.SetKanjiNumber(number));
    EXPECT_EQ(Bytes(s), text) << number;
  }
}

TEST(SjisStringNumerals, KanjiReadsBackAsTheNumber) {
  SjisString s;
  for (int number = -10000; number <= 20000; ++number) {
    s.SetKanjiNumber(number);
    ASSERT_EQ(ReadKanjiNumeral(Bytes(s)), number);
  }
  for (int number : {100000000, 100010001, 999999999, 1000000000}) {
    s.SetKanjiNumber(number);
    EXPECT_EQ(ReadKanjiNumeral(Bytes(s)), number);
  }
}

TEST(SjisStringNumerals, ParseKanjiNumberStopsWhereTheNumeralEnds) {
  const struct {
    const char* text;
    int bytes, value;
  } cases[] = {{"十", 2, 10}, {"十八", 4, 18}, {"十〇", 4, 10}, {"二十", 4, 20}, {"十十", 2, 10},
               {"百十", 4, 110}, {"二千三百五手", 10, 2305}, {"二三", 2, 2}, {"〇十", 2, 0}, {"万", 0, 0},
               {"九歩", 2, 9}, {"〇", 2, 0}, {"百", 2, 100}, {"9", 0, 0}, {"", 0, 0}, {"\x8f", 0, 0}};
  for (const auto& c : cases) {
    int value = -1;
    EXPECT_EQ(ParseKanjiNumber(c.text, value), c.bytes) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  int value = -1;
  EXPECT_EQ(ParseKanjiNumber(nullptr, value), 0);
  EXPECT_EQ(value, 0);
}

TEST(SjisStringNumerals, FullWidthDigitsRoundTrip) {
  SjisString s;
  s.SetFullWidthNumber(100);
  EXPECT_EQ(Bytes(s), "１００");
  s.SetFullWidthNumber(-12);
  EXPECT_EQ(Bytes(s), "－１２");
  s.SetFullWidthNumber(0);
  EXPECT_EQ(Bytes(s), "０");
  for (int64_t number : {int64_t{0}, int64_t{7}, int64_t{10}, int64_t{2305}, int64_t{INT_MAX}, int64_t{INT_MIN}}) {
    s.SetFullWidthNumber(static_cast<int>(number));
    const char* p = s.Text();
    const bool negative = std::strncmp(p, "－", 2) == 0;
    if (negative) p += 2;
    int64_t read = 0;
    int digit = 0;
    for (int used; (used = ParseFullWidthDigit(p, digit)) > 0; p += used) read = read * 10 + digit;
    EXPECT_EQ(*p, '\0');
    EXPECT_EQ(negative ? -read : read, number);
  }
  int value = -1;
  EXPECT_EQ(ParseFullWidthDigit("9", value), 0);
  EXPECT_EQ(ParseFullWidthDigit("一", value), 0);
  EXPECT_EQ(ParseFullWidthDigit(nullptr, value), 0);
  EXPECT_EQ(value, 0);
}

TEST(SjisStringMemory, FailedAllocationsLeaveASoundString) {
  SjisString s("keep"), splitMe("a=b"), rest;
  {
    failing_allocation::Scope noMemory(0);
    EXPECT_FALSE(s.Reserve(100));
    EXPECT_FALSE(s.Append("more than fits"));
    EXPECT_FALSE(s.AppendChar('x'));
    EXPECT_FALSE(s.Assign("other"));
    EXPECT_EQ(Bytes(s), "keep");
    EXPECT_EQ(splitMe.SplitAt("=", rest), -1);  // the cut-off text would be lost
    EXPECT_EQ(Bytes(splitMe), "a=b");
    SjisString copy(s);
    EXPECT_TRUE(OnSharedBuffer(copy));
    EXPECT_FALSE(copy.SetKanjiNumber(2305));
    EXPECT_TRUE(OnSharedBuffer(copy));
    EXPECT_FALSE(s.Allocate(10));  // the old text is given up either way
    EXPECT_TRUE(OnSharedBuffer(s));
  }
  ExpectSound(s);
  EXPECT_TRUE(s.Append("fine"));
  EXPECT_EQ(Bytes(s), "fine");
}

}  // namespace
