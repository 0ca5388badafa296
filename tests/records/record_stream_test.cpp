// Record streams: the armour's exact characters, its round trip over
// random text and the damage it notes, text-mode line ends both ways, whole
// lines, string output and the number styles.
#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "records/read_report.h"
#include "records/record_stream.h"
#include "support/test_files.h"

namespace {

std::string TempPath(const char* name) { return ProcessTempPath(std::string("stream_") + name); }

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// The armour of the bytes, as the writer writes it.
std::string ArmourOf(const std::string& bytes) {
  const std::string path = TempPath("armour_of.ckf");
  ArmouredFileOutStream out;
  out.Open(path.c_str());
  out.WriteString(bytes.c_str());
  out.Close();
  const std::string armour = FileBytes(path);
  std::remove(path.c_str());
  return armour;
}

// Everything a stream gives, once by Read and once, after a rewind, by lines.
void ExpectReadsBack(InStream& in, const std::string& expected) {
  std::string bytes(expected.size() + 8, '\0');
  bytes.resize(static_cast<size_t>(in.Read(bytes.data(), static_cast<int>(bytes.size()))));
  EXPECT_EQ(bytes, expected);
  EXPECT_TRUE(in.IsEof());
  in.Rewind();
  std::string lines;
  SjisString line;
  while (in.ReadLine(line) == 0) lines += line.Text();
  EXPECT_EQ(lines, expected);
}

// Random text without NUL, with CR, LF and lines of every length.
std::string RandomText(std::mt19937& random, int length) {
  std::string text;
  for (int i = 0; i < length; ++i) {
    const int pick = static_cast<int>(random() % 40);
    text.push_back(pick == 0 ? '\n' : pick == 1 ? '\r' : static_cast<char>(1 + random() % 255));
  }
  return text;
}

}  // namespace

TEST(ArmouredStream, PacksExactlyAndRoundTripsRandomText) {
  const std::string path = TempPath("armour.ckf");
  {
    ArmouredFileOutStream out;
    ASSERT_EQ(out.Open(path.c_str()), 0);
    out.WriteString("abc");
  }  // the destructor flushes and closes
  EXPECT_EQ(FileBytes(path), "XVIc");
  std::mt19937 random(7);
  for (int round = 0; round < 60; ++round) {
    const std::string text = round == 0 ? std::string(1, '\0') : RandomText(random, static_cast<int>(random() % 3000));
    ArmouredFileOutStream out;
    ASSERT_EQ(out.Open(path.c_str()), 0);
    // Pieces of every size, so that pending bytes cross the calls.
    for (size_t at = 0; at < text.size();) {
      const size_t piece = std::min<size_t>(text.size() - at, random() % 9);
      piece == 1 ? out.WriteChar(text[at]) : out.WriteString(text.substr(at, piece).c_str());
      at += piece;
    }
    ASSERT_EQ(out.Close(), 0);
    const std::string armour = FileBytes(path);
    if (round == 0) {
      EXPECT_EQ(armour, "@@");
    }
    ASSERT_EQ(armour.size(), (text.size() * 4 + 2) / 3);
    for (char c : armour) ASSERT_TRUE(c >= 48 && c <= 111) << int{c};
    if (round == 0) continue;
    ArmouredFileInStream in;
    ASSERT_EQ(in.Open(path.c_str()), 0);
    ExpectReadsBack(in, text);
  }
  // Line ends an editor may add are no characters of the armour.
  WriteBytes(path, "XV\r\nIc\n");
  ArmouredFileInStream in;
  ASSERT_EQ(in.Open(path.c_str()), 0);
  ExpectReadsBack(in, "abc");
  std::remove(path.c_str());
}

// What the writer never writes is noted where it stands: a character by its
// place in the file and the decoded line its bits land in, a decoded byte
// that no Shift-JIS text holds by its line and the readable start of that
// line; only the first damage is kept, and a rewind reads it again.
TEST(ArmouredStream, NotesTheFirstDamageAndWhere) {
  const std::string lines = ArmourOf("ab\ncdef\n");  // 11 characters, "ab\n" in the first 4
  std::string changed = lines;
  changed[6] = '!';
  std::string lastBitsSet = ArmourOf("ab\n\n");
  lastBitsSet.back() = static_cast<char>(lastBitsSet.back() | 1);
  // A double-byte character whose bytes fall into the first and the second
  // 1024-character chunk (768 bytes each).
  std::string longText;
  for (int at = 0; at < 767; ++at) longText.push_back(at % 50 == 49 ? '\n' : 'x');
  const struct {
    const char* what;
    std::string armour;
    int character, line;  // line 0: no damage
    const char* text;
    const char* words;  // the reason holds them
  } cases[] = {
      {"final line ends", lines + "\r\n\n", 0, 0, "", ""},
      {"final 0x1A", ArmourOf("ab\n\x1A"), 0, 0, "", ""},
      {"split character", ArmourOf(longText + "\x82\xA0\n"), 0, 0, "", ""},
      {"blank", lines.substr(0, 4) + " " + lines.substr(4), 5, 2, "", "code 32"},
      {"line end inside", lines.substr(0, 4) + "\r\n" + lines.substr(4), 5, 2, "", "a line end inside the armour"},
      {"character after the last line end", lines + "\r\n@", 12, 3, "", "a line end inside the armour"},
      {"foreign character", changed, 7, 2, "", "code 33"},
      // "@" carries six zero bits: only the length is wrong.
      {"impossible length", ArmourOf("ab\ncd\n") + "@", 9, 2, "", "length is one that no whole bytes pack to"},
      {"last bits set", lastBitsSet, 6, 2, "", "bits that the writer leaves zero"},
      {"0x1A not last", ArmourOf("ab\n\x1A" "c\n"), 0, 2, "", "control byte 0x1A before the end"},
      {"invalid pair", ArmourOf("ab\nc\x81\x7F\n"), 0, 2, "c", "bytes 0x81 0x7F are no double-byte character"},
      {"lead byte last", ArmourOf("ab\n\x81"), 0, 2, "", "ends inside a double-byte character"},
      {"no character", ArmourOf("a\nb\n\xA0\n"), 0, 3, "", "byte 0xA0 starts no character"},
      {"decoded 0xFD", ArmourOf("ab\n\xFD\n"), 0, 2, "", "byte 0xFD starts no character"},
      {"control byte", ArmourOf("ab\nc\x07\n"), 0, 2, "c", "control byte 0x07"},
      {"cut in a line", ArmourOf("ab\ncd"), 0, 2, "cd", "the text ends inside this line"},
  };
  const std::string path = TempPath("damaged.ckf");
  for (const auto& c : cases) {
    WriteBytes(path, c.armour);
    ArmouredFileInStream in;
    ASSERT_EQ(in.Open(path.c_str()), 0);
    for (int pass = 0; pass < 2; ++pass, in.Rewind()) {
      for (SjisString line; in.ReadLine(line) == 0;) {
      }
      const ArmourDamage* damage = in.FirstDamage();
      EXPECT_EQ(damage != nullptr, c.line > 0) << c.what;
      if (damage == nullptr) continue;
      EXPECT_EQ(std::tie(damage->character, damage->decodedLine, damage->lineText),
                std::make_tuple(c.character, c.line, std::string(c.text))) << c.what;
      const bool textFault = c.character == 0 && std::string(c.what) != "cut in a line";
      EXPECT_EQ(damage->reason.find("not Shift-JIS text") != std::string::npos, textFault) << c.what;
      EXPECT_NE(damage->reason.find(c.words), std::string::npos) << c.what << ": " << damage->reason;
    }
  }
  std::remove(path.c_str());
}

TEST(FileStream, WritesCrLfAndReadsEitherLineEnd) {
  const std::string path = TempPath("text.kif");
  {
    FileOutStream out;
    ASSERT_EQ(out.Open(path.c_str()), 0);
    out.WriteString("a\nb");
    out.WriteChar('\n');
  }
  EXPECT_EQ(FileBytes(path), "a\r\nb\r\n");
  std::mt19937 random(11);
  for (int round = 0; round < 40; ++round) {
    const std::string text = round == 0 ? std::string(600, 'x') + "\r\nlast" : RandomText(random, 20000);
    WriteBytes(path, text);
    std::string expected;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') expected.push_back(text[i]);
    }
    FileInStream in;
    ASSERT_EQ(in.Open(path.c_str()), 0);
    ExpectReadsBack(in, expected);
  }
  std::remove(path.c_str());
  FileInStream in;
  EXPECT_EQ(in.Open("/nonexistent/dir/file.kif"), -1);
  SjisString line("stale");
  EXPECT_EQ(in.ReadLine(line), -1);
  EXPECT_STREQ(line.Text(), "") << "the line is emptied first";
  FileOutStream out;
  EXPECT_EQ(out.Open("/nonexistent/dir/file.kif"), -1);
  EXPECT_EQ(out.WriteString("x"), -1);
  // Standard output is written to, never closed.
  ASSERT_EQ(out.Open("-"), 0);
  EXPECT_EQ(out.Close(), 0);
  EXPECT_EQ(std::fflush(stdout), 0);
}

TEST(StringStream, AddsCarriageReturnsOnceAndWritesNumbersInThreeStyles) {
  SjisString target;
  StringOutStream crlf(target, true);
  EXPECT_EQ(crlf.WriteString("a\nb\r\nc"), 7);
  crlf.WriteChar('\n');
  EXPECT_STREQ(target.Text(), "a\r\nb\r\nc\r\n");
  SjisString numbers;
  StringOutStream out(numbers, false);
  out.WriteNumber(-42);
  out.SetFormat(0, 4);
  out.WriteNumber(7);
  out.SetFormat(1, 1);
  out.WriteNumber(2305);
  out.SetFormat(1, 2);
  out.WriteNumber(10);
  out.SetFormat(2, 1);  // an unknown option changes nothing
  out.SetFormat(1, 0);
  out.SetFormat(0, -1);
  out.WriteNumber(5);
  EXPECT_STREQ(numbers.Text(), "-42   7二千三百五１０5");
}

// A memory stream reads lines, bytes and steps back as a file would; a
// buffer with no room for a byte reads nothing and consumes nothing (one of
// a single byte still gets its terminator).
TEST(MemoryStream, LinesBytesAndBuffersTooSmallForAByte) {
  MemoryInStream in("ab\ncd");
  char buf[8] = "zzzzzzz";
  EXPECT_EQ(in.Gets(buf, 1), nullptr);
  EXPECT_EQ(in.Gets(buf, 0), nullptr);
  EXPECT_EQ(in.Gets(nullptr, 5), nullptr);
  EXPECT_STREQ(buf + 1, "zzzzzz");
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(in.Gets(buf, 3), buf);
  EXPECT_STREQ(buf, "ab");
  EXPECT_EQ(in.Gets(buf, 8), buf);
  EXPECT_STREQ(buf, "\n");
  EXPECT_EQ(in.Gets(buf, 8), buf);
  EXPECT_STREQ(buf, "cd");
  EXPECT_TRUE(in.IsEof());
  EXPECT_EQ(in.Gets(buf, 8), nullptr);
  in.Rewind();
  SjisString line;
  EXPECT_EQ(in.ReadLine(line), 0);
  EXPECT_STREQ(line.Text(), "ab\n");
  EXPECT_EQ(in.Read(buf, 1), 1);
  in.Unget(buf[0]);
  EXPECT_EQ(in.Read(buf, 8), 2);
  EXPECT_EQ(std::string(buf, 2), "cd");
  EXPECT_EQ(in.Read(buf, 8) * 10 + in.ReadLine(line), -1);
}

// Gets takes one line, or as much of it as the buffer holds less the
// terminator, from every kind of stream and through the line counter; a
// buffer of one byte only ever receives the terminator.
TEST(InStreams, GetsFillsTheBufferUpToALineEnd) {
  const std::string text = "ab\ncdefg\nlast";
  const std::string plainPath = TempPath("gets.kif"), armouredPath = TempPath("gets.ckf");
  ASSERT_TRUE(WriteFileBytes(plainPath, "ab\r\ncdefg\nlast"));  // CR LF folds to LF
  {
    ArmouredFileOutStream out;
    ASSERT_EQ(out.Open(armouredPath.c_str()), 0);
    out.WriteString(text.c_str());
  }
  MemoryInStream memory(text.c_str()), counted(text.c_str());
  FileInStream plain;
  ArmouredFileInStream armoured;
  ASSERT_EQ(plain.Open(plainPath.c_str()), 0);
  ASSERT_EQ(armoured.Open(armouredPath.c_str()), 0);
  LineCountingInStream counter(counted);
  for (InStream* in : std::initializer_list<InStream*>{&memory, &plain, &armoured, &counter}) {
    char buf[8];
    std::vector<std::string> pieces;
    while (!in->IsEof()) {
      ASSERT_EQ(in->Gets(buf, 5), buf);
      pieces.emplace_back(buf);
    }
    EXPECT_EQ(pieces, (std::vector<std::string>{"ab\n", "cdef", "g\n", "last"}));
    std::fill(std::begin(buf), std::end(buf), 'x');
    EXPECT_EQ(in->Gets(buf, 5), nullptr);
    EXPECT_EQ(buf[0], '\0');
    in->Rewind();
    buf[0] = 'x';
    EXPECT_EQ(in->Gets(buf, 1), nullptr);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(in->Gets(buf, 8), buf);
    EXPECT_STREQ(buf, "ab\n");
  }
  std::remove(plainPath.c_str());
  std::remove(armouredPath.c_str());
}
