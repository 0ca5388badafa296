// Record streams: text-mode line ends, the armour's exact characters and its
// round trip over random data, line reading, and number output styles.
#include <cstdio>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "records/record_stream.h"

namespace {

std::string TempPath(const char* name) { return testing::TempDir() + name; }

std::string FileBytes(const std::string& path) {
  std::string bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<char>(c));
  std::fclose(file);
  return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

std::string ReadAllLines(InStream& in) {
  std::string text;
  SjisString line;
  while (in.ReadLine(line) == 0) text += line.Text();
  return text;
}

// Random text without NUL, with line ends of both kinds and long lines.
std::string RandomText(std::mt19937& random, int length) {
  std::string text;
  for (int i = 0; i < length; ++i) {
    const int pick = static_cast<int>(random() % 40);
    text.push_back(pick == 0 ? '\n' : pick == 1 ? '\r' : static_cast<char>(1 + random() % 255));
  }
  return text;
}

}  // namespace

TEST(ArmouredStream, PacksThreeBytesToFourCharacters) {
  const std::string path = TempPath("armour_abc.ckf");
  {
    ArmouredFileOutStream out;
    ASSERT_EQ(out.Open(path.c_str()), 0);
    out.WriteString("abc");
    EXPECT_EQ(out.Close(), 0);
  }
  EXPECT_EQ(FileBytes(path), "XVIc");
  {
    ArmouredFileOutStream out;
    ASSERT_EQ(out.Open(path.c_str()), 0);
    out.WriteChar('\0');
  }  // the destructor flushes the pending byte
  EXPECT_EQ(FileBytes(path), "@@");
}

TEST(ArmouredStream, RandomTextRoundTripsAsOneRunOfCharacters) {
  std::mt19937 random(7);
  const std::string path = TempPath("armour_random.ckf");
  for (int round = 0; round < 60; ++round) {
    const std::string text = RandomText(random, static_cast<int>(random() % 3000));
    ArmouredFileOutStream out;
    ASSERT_EQ(out.Open(path.c_str()), 0);
    // Written in pieces of every size, so the pending bytes cross the calls.
    for (size_t at = 0; at < text.size();) {
      const size_t piece = std::min<size_t>(text.size() - at, random() % 9);
      if (piece == 1) {
        out.WriteChar(text[at]);
      } else {
        out.WriteString(text.substr(at, piece).c_str());
      }
      at += piece;
    }
    ASSERT_EQ(out.Close(), 0);
    const std::string armour = FileBytes(path);
    ASSERT_EQ(armour.size(), (text.size() * 4 + 2) / 3);
    for (char c : armour) ASSERT_TRUE(c >= 48 && c <= 111) << int{c};

    ArmouredFileInStream in;
    ASSERT_EQ(in.Open(path.c_str()), 0);
    std::string back(text.size() + 10, '\0');
    back.resize(static_cast<size_t>(in.Read(back.data(), static_cast<int>(back.size()))));
    EXPECT_EQ(back, text);
    EXPECT_TRUE(in.IsEof());
    in.Rewind();
    // Lines come back whole, also those longer than a decode buffer.
    std::string folded;
    for (char c : text) {
      if (c != '\0') folded.push_back(c);
    }
    EXPECT_EQ(ReadAllLines(in), folded);
  }
}

TEST(ArmouredStream, ToleratesLineEndsAnEditorAdded) {
  const std::string path = TempPath("armour_newline.ckf");
  WriteBytes(path, "XV\r\nIc\n");
  ArmouredFileInStream in;
  ASSERT_EQ(in.Open(path.c_str()), 0);
  SjisString line;
  ASSERT_EQ(in.ReadLine(line), 0);
  EXPECT_STREQ(line.Text(), "abc");
}

TEST(FileStream, WritesCrLfAndReadsEitherLineEnd) {
  const std::string path = TempPath("text_mode.kif");
  {
    FileOutStream out;
    ASSERT_EQ(out.Open(path.c_str()), 0);
    out.WriteString("a\nb");
    out.WriteChar('\n');
    out.WriteString("c\r\n");
  }
  EXPECT_EQ(FileBytes(path), "a\r\nb\r\nc\r\r\n");

  std::mt19937 random(11);
  for (int round = 0; round < 40; ++round) {
    const std::string text = RandomText(random, static_cast<int>(random() % 20000));
    WriteBytes(path, text);
    std::string expected;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
      expected.push_back(text[i]);
    }
    FileInStream in;
    ASSERT_EQ(in.Open(path.c_str()), 0);
    std::string back(text.size() + 1, '\0');
    back.resize(static_cast<size_t>(in.Read(back.data(), static_cast<int>(back.size()))));
    ASSERT_EQ(back, expected);
    in.Rewind();
    ASSERT_EQ(ReadAllLines(in), expected);
  }
}

TEST(FileStream, ReadsLongLinesWholeAndAFinalLineWithoutEnd) {
  const std::string path = TempPath("long_line.kif");
  WriteBytes(path, std::string(600, 'x') + "\r\nlast");
  FileInStream in;
  ASSERT_EQ(in.Open(path.c_str()), 0);
  SjisString line;
  ASSERT_EQ(in.ReadLine(line), 0);
  EXPECT_EQ(line.Length(), 601);
  ASSERT_EQ(in.ReadLine(line), 0);
  EXPECT_STREQ(line.Text(), "last");
  EXPECT_EQ(in.ReadLine(line), -1);
  EXPECT_TRUE(in.IsEof());

  in.Rewind();
  char buf[8];
  ASSERT_NE(in.Gets(buf, sizeof(buf)), nullptr);
  EXPECT_STREQ(buf, "xxxxxxx");
  in.Unget('y');
  ASSERT_EQ(in.Read(buf, 2), 2);
  EXPECT_EQ(std::string(buf, 2), "yx");
}

TEST(FileStream, WithoutAFileNothingIsReadOrWritten) {
  FileInStream in;
  EXPECT_EQ(in.Open("/nonexistent/dir/file.kif"), -1);
  SjisString line("kept");
  char buf[4];
  EXPECT_EQ(in.ReadLine(line), -1);
  EXPECT_EQ(in.Gets(buf, 4), nullptr);
  EXPECT_EQ(in.Read(buf, 4), 0);
  EXPECT_TRUE(in.IsEof());
  FileOutStream out;
  EXPECT_EQ(out.Open("/nonexistent/dir/file.kif"), -1);
  EXPECT_EQ(out.WriteString("x"), -1);
  ArmouredFileOutStream armoured;
  EXPECT_EQ(armoured.WriteChar('x'), -1);
}

TEST(FileStream, StandardOutputStaysOpenAfterClose) {
  FileOutStream out;
  ASSERT_EQ(out.Open("-"), 0);
  EXPECT_EQ(out.WriteString(""), 0);
  EXPECT_EQ(out.Close(), 0);
  EXPECT_NE(std::fputs("", stdout), EOF);
  EXPECT_EQ(std::fflush(stdout), 0);
}

TEST(StringStream, LineEndFlagAddsCarriageReturnsOnce) {
  SjisString target;
  StringOutStream crlf(target, true);
  EXPECT_EQ(crlf.WriteString("a\nb\r\nc"), 7);
  crlf.WriteChar('\n');
  EXPECT_STREQ(target.Text(), "a\r\nb\r\nc\r\n");
  SjisString plain;
  StringOutStream raw(plain, false);
  for (int i = 0; i < 2000; ++i) raw.WriteString("line\n");
  EXPECT_EQ(plain.Length(), 10000);
}

TEST(StringStream, WritesNumbersInTheThreeStyles) {
  SjisString target;
  StringOutStream out(target, false);
  out.WriteNumber(-42);
  out.SetFormat(0, 4);
  out.WriteNumber(7);
  out.SetFormat(1, 1);
  out.WriteNumber(2305);
  out.SetFormat(1, 2);
  out.WriteNumber(10);
  out.SetFormat(2, 1);  // unknown options change nothing
  out.SetFormat(1, 0);
  out.SetFormat(0, -1);
  out.WriteNumber(5);
  EXPECT_STREQ(target.Text(), "-42   7二千三百五１０5");
}

TEST(MemoryStream, ReadsLinesBytesAndStepsBack) {
  MemoryInStream in("one\ntwo");
  SjisString line;
  ASSERT_EQ(in.ReadLine(line), 0);
  EXPECT_STREQ(line.Text(), "one\n");
  in.Unget('x');
  char buf[8];
  ASSERT_NE(in.Gets(buf, sizeof(buf)), nullptr);
  EXPECT_STREQ(buf, "\n");
  EXPECT_EQ(in.Read(buf, 8), 3);
  EXPECT_TRUE(in.IsEof());
  EXPECT_EQ(in.ReadLine(line), -1);
  in.Rewind();
  EXPECT_EQ(ReadAllLines(in), "one\ntwo");
  MemoryInStream empty(nullptr);
  EXPECT_TRUE(empty.IsEof());
}
