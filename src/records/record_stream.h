// Record streams: the input and output families every record reader and
// writer works through, so that one reader serves a plain file, an armoured
// (.ckf) file, clipboard text and a string. File streams behave like a text-
// mode file of the original platform: "\n" is written as CR LF, and CR LF or
// LF reads as "\n".
#pragma once

#include <cstdio>
#include <string>

#include "charset.h"
#include "records/sjis_string.h"

class InStream {
 public:
  virtual ~InStream() = default;
  // One whole line, its "\n" included, replacing `line`; 0, or -1 at the
  // end with nothing read.
  virtual int ReadLine(SjisString& line) = 0;
  // One line into buf, at most size - 1 bytes, NUL-terminated; buf, or null
  // when nothing was read.
  virtual char* Gets(char* buf, int size) = 0;
  // Up to size bytes into buf; the count read.
  virtual int Read(void* buf, int size) = 0;
  // Pushes one byte back.
  virtual void Unget(char c) = 0;
  // Back to the start.
  virtual void Rewind() = 0;
  // True when no byte is left.
  virtual bool IsEof() = 0;
};

// Shared by the two file readers: a buffer of bytes already converted (CR LF
// folded, or armour decoded) that Refill tops up. Room is kept in front of
// the buffer so that a few bytes can be pushed back after a refill.
class BufferedFileInStream : public InStream {
 public:
  BufferedFileInStream() = default;
  BufferedFileInStream(const BufferedFileInStream&) = delete;
  BufferedFileInStream& operator=(const BufferedFileInStream&) = delete;
  ~BufferedFileInStream() override;

  // Opens the file for reading; 0, or -1 when it can't be opened.
  int Open(const char* path);
  // Closes the file; every operation then reports nothing read.
  void Close();

  int ReadLine(SjisString& line) override;
  char* Gets(char* buf, int size) override;
  int Read(void* buf, int size) override;
  void Unget(char c) override;
  void Rewind() override;
  bool IsEof() override;

 protected:
  static constexpr int kPushBackRoom = 64;
  static constexpr int kBufferSize = 8192;

  // Refills bytes_ from kPushBackRoom on; the count, 0 at the end.
  virtual int Refill() = 0;
  // Forgets any decoding state after a rewind.
  virtual void ResetDecoder() {}

  std::FILE* file_ = nullptr;
  char bytes_[kPushBackRoom + kBufferSize];

 private:
  // True when a byte is ready at position_ (refilling when needed).
  bool HasByte();

  int position_ = kPushBackRoom;
  int end_ = kPushBackRoom;
};

// A file read in text mode: CR LF comes out as "\n".
class FileInStream : public BufferedFileInStream {
 public:
  FileInStream() = default;
  ~FileInStream() override;

 protected:
  int Refill() override;
};

// Something the armoured writer never writes, met in a file being read.
struct ArmourDamage {
  // 1-based position in the file of the character at fault; 0 when it is
  // the decoded text that is at fault.
  int character = 0;
  // 1-based line of the decoded text that the damage falls in (for a
  // character, the line its bits land in).
  int decodedLine = 0;
  std::string lineText;  // the readable start of that line (decoded-text faults only)
  std::string reason;
};

// Unpacks armour characters into bytes, and checks them against what the
// armoured writer writes: only the 64 characters 48..111, as many as whole
// bytes give, packing KIF text, which is Shift-JIS in whole lines. The
// checks never change the bytes: a damaged file decodes as it always did.
class ArmourDecoder {
 public:
  // Takes the file's next character; a byte it completes goes to *out.
  // The count of bytes given, 0 or 1.
  int Take(char c, char* out);
  // At the end of the file: the checks only the end allows (once).
  void Finish();
  // The first damage met, or null; later ones are not kept.
  const ArmourDamage* FirstDamage() const { return damage_.decodedLine > 0 ? &damage_ : nullptr; }

 private:
  void CheckByte(unsigned char byte);
  void NoteCharacter(int character, int line, const std::string& why);
  void NoteText(const std::string& why);

  unsigned accumulator_ = 0;
  int bitsHeld_ = 0;
  int characters_ = 0;  // characters of the file taken, line ends and blanks included
  int lastArmourCharacter_ = 0;
  // The first of a run of line ends with no armour character after it yet
  // (0: none), and the decoded line it stands in.
  int pendingLineEnd_ = 0;
  int pendingLineEndLine_ = 0;
  // The decoded text: its line, that line's bytes so far, a lead byte
  // waiting for its second byte (-1: none), the character that gave a 0x1A
  // (which only the last byte may be; 0: none) and the last other byte.
  int line_ = 1;
  std::string lineSoFar_;
  int leadByte_ = -1;
  int endOfTextMark_ = 0;
  int lastByte_ = -1;
  bool finished_ = false;
  ArmourDamage damage_;
};

// A file of armoured text: every character carries six bits (its low six);
// the decoded bytes are the text. Blanks and line ends are skipped, so a file
// that an editor gave a final line end still reads; what the writer never
// writes is noted as damage, without changing what is read.
class ArmouredFileInStream : public BufferedFileInStream {
 public:
  ArmouredFileInStream() = default;
  ~ArmouredFileInStream() override;

  // The first damage met in what was decoded so far (the checks of the
  // file's end once it was read), or null.
  const ArmourDamage* FirstDamage() const { return decoder_.FirstDamage(); }

 protected:
  int Refill() override;
  void ResetDecoder() override;

 private:
  ArmourDecoder decoder_;
};

// Reads an owned copy of a NUL-terminated text.
class MemoryInStream : public InStream {
 public:
  // A copy of text; null gives an empty stream.
  explicit MemoryInStream(const char* text);
  MemoryInStream(const MemoryInStream&) = delete;
  MemoryInStream& operator=(const MemoryInStream&) = delete;
  ~MemoryInStream() override;

  int ReadLine(SjisString& line) override;
  char* Gets(char* buf, int size) override;
  int Read(void* buf, int size) override;
  // Steps back one byte (the byte itself is not stored).
  void Unget(char c) override;
  void Rewind() override;
  bool IsEof() override;

 private:
  char* text_;
  int length_;
  int position_ = 0;
};

class OutStream {
 public:
  virtual ~OutStream() = default;
  // Writes a NUL-terminated text; -1 on failure.
  virtual int WriteString(const char* text) = 0;
  // Writes one byte; -1 on failure.
  virtual int WriteChar(char c) = 0;
  // Writes n in the number style: 0 ASCII digits ("%d", or "%*d" with a
  // width of 1 or more), 1 kanji numerals, 2 full-width digits.
  virtual int WriteNumber(int n);

  // Option 0 sets the number field width, option 1 the number style; other
  // options are ignored.
  void SetFormat(int option, int value);

 protected:
  int numberWidth_ = -1;
  int numberStyle_ = 0;
};

// A file written in text mode ("\n" as CR LF); "-" is standard output and
// "--" standard error.
class FileOutStream : public OutStream {
 public:
  FileOutStream() = default;
  FileOutStream(const FileOutStream&) = delete;
  FileOutStream& operator=(const FileOutStream&) = delete;
  // Closes the file when the close flag is set.
  ~FileOutStream() override;

  // Opens for writing; 0, or -1 when the file can't be opened.
  int Open(const char* path);
  // Closes a file that is not standard output or error (those are flushed);
  // 0, or -1 when a write or the close failed.
  int Close();
  // Whether the destructor closes the file (set at construction).
  void SetCloseOnDestroy(bool close) { closeOnDestroy_ = close; }

  int WriteString(const char* text) override;
  int WriteChar(char c) override;

 private:
  std::FILE* file_ = nullptr;
  bool closeOnDestroy_ = true;
  bool failed_ = false;
};

// A file of armoured text: bytes are packed three to four printable
// characters (48..111) in one run without line breaks.
class ArmouredFileOutStream : public OutStream {
 public:
  ArmouredFileOutStream() = default;
  ArmouredFileOutStream(const ArmouredFileOutStream&) = delete;
  ArmouredFileOutStream& operator=(const ArmouredFileOutStream&) = delete;
  // Flushes and closes when the close flag is set.
  ~ArmouredFileOutStream() override;

  // Opens as FileOutStream::Open does, with nothing pending.
  int Open(const char* path);
  // Writes the pending bytes, then closes as FileOutStream::Close; 0 or -1.
  int Close();
  void SetCloseOnDestroy(bool close) { closeOnDestroy_ = close; }

  int WriteString(const char* text) override;
  int WriteChar(char c) override;

 private:
  void Pack(unsigned char byte);
  void FlushPending();

  std::FILE* file_ = nullptr;
  bool closeOnDestroy_ = true;
  bool failed_ = false;
  unsigned char pending_[3] = {};
  int pendingCount_ = 0;
};

// Appends to a string it does not own; with the line-end flag a "\n" not
// preceded by "\r" is written as "\r\n" (clipboard text).
class StringOutStream : public OutStream {
 public:
  StringOutStream(SjisString& target, bool crlf) : target_(target), crlf_(crlf) {}

  // The number of bytes appended.
  int WriteString(const char* text) override;
  int WriteChar(char c) override;

 private:
  // Appends a NUL-terminated text of count bytes.
  bool AppendBytes(const char* text, int count);

  SjisString& target_;
  bool crlf_;
};
