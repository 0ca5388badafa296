// Record streams: buffered file reading with text-mode line ends, the armour
// packing and unpacking, memory input, and string output.
#include "records/record_stream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

// Characters per armoured read: a multiple of four, so a chunk decodes to
// whole bytes.
constexpr int kArmourChunk = 1024;
static_assert(kArmourChunk * 3 / 4 <= 8192);

// A six-bit group as its armour character: 0..47 become 64..111, 48..63
// stay themselves, so every character is printable and none is a line end.
char ArmourChar(unsigned group) { return static_cast<char>(group < 48 ? group + 64 : group); }

bool IsArmourCharacter(unsigned char c) { return c >= 48 && c <= 111; }

// Shift-JIS (CP932) bytes by the part they can play in a character.
bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
bool StartsNoCharacter(unsigned char b) { return b == 0x80 || b == 0xA0 || b >= 0xFD; }
// Tab, CR and LF are the only control bytes a record's text holds (a final
// 0x1A, the old end-of-text mark, is looked at apart).
bool IsControlByte(unsigned char b) { return (b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F; }

std::string Hex(int byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte & 0xFF);
  return text;
}

std::string NotShiftJis(const std::string& what, int character) {
  return "the line is not Shift-JIS text: " + what + " (from character " + std::to_string(character) + " of the file)";
}

// Opens stdout, stderr or a file for binary writing (the streams do their
// own line ends).
std::FILE* OpenForWriting(const char* path) {
  if (path == nullptr) return nullptr;
  if (std::strcmp(path, "-") == 0) return stdout;
  if (std::strcmp(path, "--") == 0) return stderr;
  return std::fopen(path, "wb");
}

bool IsStandardStream(std::FILE* file) { return file == stdout || file == stderr; }

// Closes (or, for standard output and error, flushes) a file; false when it
// reported an error.
bool CloseFile(std::FILE* file) {
  if (file == nullptr) return true;
  if (IsStandardStream(file)) return std::fflush(file) == 0 && std::ferror(file) == 0;
  const bool hadError = std::ferror(file) != 0;
  return std::fclose(file) == 0 && !hadError;
}

}  // namespace

// ---------------------------------------------------------------------------
// Buffered file input

BufferedFileInStream::~BufferedFileInStream() { Close(); }

int BufferedFileInStream::Open(const char* path) {
  Close();
  if (path == nullptr) return -1;
  file_ = std::fopen(path, "rb");
  return file_ == nullptr ? -1 : 0;
}

void BufferedFileInStream::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  position_ = end_ = kPushBackRoom;
  ResetDecoder();
}

bool BufferedFileInStream::HasByte() {
  if (position_ < end_) return true;
  if (file_ == nullptr) return false;
  const int count = Refill();
  position_ = kPushBackRoom;
  end_ = kPushBackRoom + count;
  return count > 0;
}

int BufferedFileInStream::ReadLine(SjisString& line) {
  std::string text;
  bool readAny = false;
  while (HasByte()) {
    readAny = true;
    const char* start = bytes_ + position_;
    const void* found = std::memchr(start, '\n', static_cast<size_t>(end_ - position_));
    const int take = found == nullptr ? end_ - position_ : static_cast<int>(static_cast<const char*>(found) - start) + 1;
    // A NUL can't be held in the line's text; it is no Shift-JIS character anyway.
    for (int i = 0; i < take; ++i) {
      if (start[i] != '\0') text.push_back(start[i]);
    }
    position_ += take;
    if (found != nullptr) break;
  }
  if (!readAny) {
    line.Clear();
    return -1;
  }
  line.Assign(text.c_str());
  return 0;
}

char* BufferedFileInStream::Gets(char* buf, int size) {
  // A one-byte buffer holds only the terminator: it is written, nothing is read.
  if (buf == nullptr || size < 1) return nullptr;
  int used = 0;
  while (used < size - 1 && HasByte()) {
    const char c = bytes_[position_++];
    buf[used++] = c;
    if (c == '\n') break;
  }
  buf[used] = '\0';
  return used == 0 ? nullptr : buf;
}

int BufferedFileInStream::Read(void* buf, int size) {
  if (buf == nullptr) return 0;
  char* out = static_cast<char*>(buf);
  int used = 0;
  while (used < size && HasByte()) {
    const int take = std::min(size - used, end_ - position_);
    std::memcpy(out + used, bytes_ + position_, static_cast<size_t>(take));
    used += take;
    position_ += take;
  }
  return used;
}

void BufferedFileInStream::Unget(char c) {
  if (file_ == nullptr || position_ == 0) return;
  bytes_[--position_] = c;
}

void BufferedFileInStream::Rewind() {
  if (file_ == nullptr) return;
  std::rewind(file_);
  position_ = end_ = kPushBackRoom;
  ResetDecoder();
}

bool BufferedFileInStream::IsEof() { return !HasByte(); }

FileInStream::~FileInStream() { Close(); }

// Reads raw bytes and folds every CR LF into LF; a CR at the end of a read
// looks at the next byte of the file first.
int FileInStream::Refill() {
  char* out = bytes_ + kPushBackRoom;
  const int count = static_cast<int>(std::fread(out, 1, kBufferSize, file_));
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    if (out[i] == '\r') {
      if (i + 1 < count) {
        if (out[i + 1] == '\n') continue;
      } else {
        const int next = std::fgetc(file_);
        if (next == '\n') {
          out[kept++] = '\n';
          continue;
        }
        if (next != EOF) std::ungetc(next, file_);
      }
    }
    out[kept++] = out[i];
  }
  return kept;
}

// ---------------------------------------------------------------------------
// Armour decoding and its checks

int ArmourDecoder::Take(char c, char* out) {
  if (characters_ < INT_MAX) ++characters_;
  if (c == '\r' || c == '\n') {
    if (pendingLineEnd_ == 0) {
      pendingLineEnd_ = characters_;
      pendingLineEndLine_ = line_;
    }
    return 0;
  }
  // Line ends after the last character are an editor's, and no damage;
  // armour after them shows they are inside it.
  if (pendingLineEnd_ != 0) {
    NoteCharacter(pendingLineEnd_, pendingLineEndLine_, "a line end inside the armour");
    pendingLineEnd_ = 0;
  }
  const auto code = static_cast<unsigned char>(c);
  if (!IsArmourCharacter(code)) {
    NoteCharacter(characters_, line_, "a character the armour never holds (code " + std::to_string(code) + ")");
  }
  if (c == ' ' || c == '\t') return 0;
  lastArmourCharacter_ = characters_;
  accumulator_ = ((accumulator_ << 6) | (code & 63u)) & 0x3FFFu;
  bitsHeld_ += 6;
  if (bitsHeld_ < 8) return 0;
  bitsHeld_ -= 8;
  const auto byte = static_cast<unsigned char>((accumulator_ >> bitsHeld_) & 0xFFu);
  *out = static_cast<char>(byte);
  CheckByte(byte);
  return 1;
}

void ArmourDecoder::CheckByte(unsigned char byte) {
  // Only the first damage is named; the text after it is not followed.
  if (FirstDamage() != nullptr) return;
  if (leadByte_ >= 0) {
    const int lead = leadByte_;
    leadByte_ = -1;
    if (!IsTrailByte(byte)) {
      NoteText(NotShiftJis("bytes " + Hex(lead) + " " + Hex(byte) + " are no double-byte character", characters_));
      return;
    }
    lineSoFar_.push_back(static_cast<char>(lead));
    lineSoFar_.push_back(static_cast<char>(byte));
    lastByte_ = byte;
    return;
  }
  if (endOfTextMark_ != 0) {
    NoteText(NotShiftJis("control byte 0x1A before the end of the text", endOfTextMark_));
    return;
  }
  if (byte == 0x1A) {
    endOfTextMark_ = characters_;
    return;
  }
  lastByte_ = byte;
  if (IsSjisLeadByte(byte)) {
    leadByte_ = byte;
  } else if (StartsNoCharacter(byte)) {
    NoteText(NotShiftJis("byte " + Hex(byte) + " starts no character", characters_));
  } else if (IsControlByte(byte)) {
    NoteText(NotShiftJis("control byte " + Hex(byte), characters_));
  } else if (byte == '\n') {
    if (line_ < INT_MAX) ++line_;
    lineSoFar_.clear();
  } else {
    lineSoFar_.push_back(static_cast<char>(byte));
  }
}

void ArmourDecoder::Finish() {
  if (finished_) return;
  finished_ = true;
  if (leadByte_ >= 0) NoteText(NotShiftJis("the text ends inside a double-byte character", lastArmourCharacter_));
  // Left-over bits make no byte: they count at the text's last line.
  const int lastLine = lastByte_ == '\n' && line_ > 1 ? line_ - 1 : line_;
  // Six bits left over: one character more than a multiple of four, which
  // is a length no whole bytes pack to.
  if (bitsHeld_ == 6) {
    NoteCharacter(lastArmourCharacter_, lastLine, "the armour's length is one that no whole bytes pack to");
  } else if (bitsHeld_ > 0 && (accumulator_ & ((1u << bitsHeld_) - 1)) != 0) {
    // The writer packs a last one or two bytes into the top bits of their
    // characters and leaves the rest zero; bits there are those of a byte
    // that was cut off, or of a changed character.
    NoteCharacter(lastArmourCharacter_, lastLine, "the last character holds bits that the writer leaves zero");
  }
  // The writer is given whole lines of KIF text: a text that ends inside a
  // line was cut short.
  if (lastByte_ >= 0 && lastByte_ != '\n') NoteText("the text ends inside this line: the file was cut short");
}

void ArmourDecoder::NoteCharacter(int character, int line, const std::string& why) {
  if (FirstDamage() != nullptr) return;
  damage_.character = character;
  damage_.decodedLine = line;
  damage_.lineText.clear();
  damage_.reason = why;
}

void ArmourDecoder::NoteText(const std::string& why) {
  if (FirstDamage() != nullptr) return;
  damage_.character = 0;
  damage_.decodedLine = line_;
  damage_.lineText = lineSoFar_;
  damage_.reason = why;
}

ArmouredFileInStream::~ArmouredFileInStream() { Close(); }

void ArmouredFileInStream::ResetDecoder() { decoder_ = ArmourDecoder(); }

// Decodes the next chunk of characters. The decoder carries bits over
// between chunks (a well-formed file has none left at a chunk's end); bits
// left at the end of the file are dropped.
int ArmouredFileInStream::Refill() {
  char* out = bytes_ + kPushBackRoom;
  int produced = 0;
  while (produced == 0) {
    char chunk[kArmourChunk];
    const int count = static_cast<int>(std::fread(chunk, 1, kArmourChunk, file_));
    if (count == 0) {
      decoder_.Finish();
      return 0;
    }
    for (int i = 0; i < count; ++i) produced += decoder_.Take(chunk[i], out + produced);
  }
  return produced;
}

// ---------------------------------------------------------------------------
// Memory input

MemoryInStream::MemoryInStream(const char* text) {
  const size_t length = text == nullptr ? 0 : std::strlen(text);
  length_ = length >= static_cast<size_t>(INT_MAX) ? 0 : static_cast<int>(length);
  text_ = new char[static_cast<size_t>(length_) + 1];
  if (length_ > 0) std::memcpy(text_, text, static_cast<size_t>(length_));
  text_[length_] = '\0';
}

MemoryInStream::~MemoryInStream() { delete[] text_; }

int MemoryInStream::ReadLine(SjisString& line) {
  if (position_ >= length_) {
    line.Clear();
    return -1;
  }
  const char* start = text_ + position_;
  const void* found = std::memchr(start, '\n', static_cast<size_t>(length_ - position_));
  const int take = found == nullptr ? length_ - position_ : static_cast<int>(static_cast<const char*>(found) - start) + 1;
  line.Assign(std::string(start, static_cast<size_t>(take)).c_str());
  position_ += take;
  return 0;
}

char* MemoryInStream::Gets(char* buf, int size) {
  if (buf == nullptr || size < 1) return nullptr;
  if (size < 2 || position_ >= length_) {
    buf[0] = '\0';
    return nullptr;
  }
  int used = 0;
  while (used < size - 1 && position_ < length_) {
    const char c = text_[position_++];
    buf[used++] = c;
    if (c == '\n') break;
  }
  buf[used] = '\0';
  return buf;
}

int MemoryInStream::Read(void* buf, int size) {
  if (buf == nullptr || size <= 0 || position_ >= length_) return 0;
  const int take = std::min(size, length_ - position_);
  std::memcpy(buf, text_ + position_, static_cast<size_t>(take));
  position_ += take;
  return take;
}

void MemoryInStream::Unget(char) {
  if (position_ > 0) --position_;
}

void MemoryInStream::Rewind() { position_ = 0; }

bool MemoryInStream::IsEof() { return position_ >= length_; }

// ---------------------------------------------------------------------------
// Output

void OutStream::SetFormat(int option, int value) {
  if (option == 0) numberWidth_ = value;
  if (option == 1) numberStyle_ = value;
}

int OutStream::WriteNumber(int n) {
  if (numberStyle_ == 1 || numberStyle_ == 2) {
    SjisString text;
    if (numberStyle_ == 1) {
      text.SetKanjiNumber(n);
    } else {
      text.SetFullWidthNumber(n);
    }
    return WriteString(text.Text());
  }
  char digits[64];
  if (numberWidth_ < 1) {
    std::snprintf(digits, sizeof(digits), "%d", n);
  } else {
    // A width past the buffer would be cut anyway; keep it in range.
    std::snprintf(digits, sizeof(digits), "%*d", std::min(numberWidth_, 48), n);
  }
  return WriteString(digits);
}

FileOutStream::~FileOutStream() {
  if (closeOnDestroy_) Close();
}

int FileOutStream::Open(const char* path) {
  Close();
  failed_ = false;
  file_ = OpenForWriting(path);
  return file_ == nullptr ? -1 : 0;
}

int FileOutStream::Close() {
  const bool ok = CloseFile(file_) && !failed_;
  file_ = nullptr;
  return ok ? 0 : -1;
}

// Each "\n" goes out as CR LF, as a text-mode file would write it.
int FileOutStream::WriteString(const char* text) {
  if (file_ == nullptr || text == nullptr) return -1;
  int written = 0;
  const char* start = text;
  for (;;) {
    const char* newline = std::strchr(start, '\n');
    const size_t run = newline == nullptr ? std::strlen(start) : static_cast<size_t>(newline - start);
    if (run > 0 && std::fwrite(start, 1, run, file_) != run) failed_ = true;
    written += static_cast<int>(run);
    if (newline == nullptr) break;
    if (std::fwrite("\r\n", 1, 2, file_) != 2) failed_ = true;
    written += 2;
    start = newline + 1;
  }
  return failed_ ? -1 : written;
}

int FileOutStream::WriteChar(char c) {
  if (file_ == nullptr) return -1;
  if (c == '\n' && std::fputc('\r', file_) == EOF) failed_ = true;
  if (std::fputc(static_cast<unsigned char>(c), file_) == EOF) failed_ = true;
  return failed_ ? -1 : static_cast<unsigned char>(c);
}

ArmouredFileOutStream::~ArmouredFileOutStream() {
  if (closeOnDestroy_) Close();
}

int ArmouredFileOutStream::Open(const char* path) {
  Close();
  failed_ = false;
  pendingCount_ = 0;
  file_ = OpenForWriting(path);
  return file_ == nullptr ? -1 : 0;
}

void ArmouredFileOutStream::FlushPending() {
  if (file_ == nullptr || pendingCount_ == 0) return;
  const unsigned b0 = pending_[0];
  const unsigned b1 = pending_[1];
  char text[3] = {ArmourChar(b0 >> 2), 0, 0};
  size_t count;
  if (pendingCount_ == 1) {
    text[1] = ArmourChar((b0 & 3) << 4);
    count = 2;
  } else {
    text[1] = ArmourChar(((b0 & 3) << 4) | (b1 >> 4));
    text[2] = ArmourChar((b1 & 15) << 2);
    count = 3;
  }
  if (std::fwrite(text, 1, count, file_) != count) failed_ = true;
  pendingCount_ = 0;
}

int ArmouredFileOutStream::Close() {
  FlushPending();
  const bool ok = CloseFile(file_) && !failed_;
  file_ = nullptr;
  return ok ? 0 : -1;
}

void ArmouredFileOutStream::Pack(unsigned char byte) {
  pending_[pendingCount_++] = byte;
  if (pendingCount_ < 3) return;
  const unsigned b0 = pending_[0], b1 = pending_[1], b2 = pending_[2];
  const char text[4] = {ArmourChar(b0 >> 2), ArmourChar(((b0 & 3) << 4) | (b1 >> 4)),
                        ArmourChar(((b1 & 15) << 2) | (b2 >> 6)), ArmourChar(b2 & 63)};
  if (std::fwrite(text, 1, 4, file_) != 4) failed_ = true;
  pendingCount_ = 0;
}

int ArmouredFileOutStream::WriteString(const char* text) {
  if (file_ == nullptr || text == nullptr) return -1;
  int written = 0;
  for (; text[written] != '\0'; ++written) Pack(static_cast<unsigned char>(text[written]));
  return failed_ ? -1 : written;
}

int ArmouredFileOutStream::WriteChar(char c) {
  if (file_ == nullptr) return -1;
  Pack(static_cast<unsigned char>(c));
  return failed_ ? -1 : static_cast<unsigned char>(c);
}

// Grows the target by doubling, since SjisString itself grows only to the
// exact size and a whole record is written a line at a time.
bool StringOutStream::AppendBytes(const char* text, int count) {
  const int needed = target_.Length() + count + 1;
  if (needed > target_.Capacity()) {
    const int doubled = target_.Capacity() > INT_MAX / 2 ? INT_MAX : target_.Capacity() * 2;
    if (!target_.Reserve(std::max(needed, std::max(doubled, 64)))) return false;
  }
  return target_.Append(text);
}

int StringOutStream::WriteString(const char* text) {
  if (text == nullptr) return 0;
  if (!crlf_) {
    const size_t length = std::strlen(text);
    if (length >= static_cast<size_t>(INT_MAX / 2)) return -1;
    return AppendBytes(text, static_cast<int>(length)) ? static_cast<int>(length) : -1;
  }
  std::string converted;
  for (const char* p = text; *p != '\0'; ++p) {
    // A "\n" at the start of the text is converted even when the target
    // already ends with "\r": only the bytes of this text are looked at.
    if (*p == '\n' && (p == text || p[-1] != '\r')) converted.push_back('\r');
    converted.push_back(*p);
  }
  if (converted.size() >= static_cast<size_t>(INT_MAX / 2)) return -1;
  return AppendBytes(converted.c_str(), static_cast<int>(converted.size())) ? static_cast<int>(converted.size()) : -1;
}

int StringOutStream::WriteChar(char c) {
  if (c == '\n' && crlf_) return WriteString("\n");
  const char text[2] = {c, '\0'};
  return WriteString(text);
}
