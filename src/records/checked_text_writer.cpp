// The failure-remembering text writer.
#include "records/checked_text_writer.h"

#include <cstring>

namespace {

bool IsIn(const char* set, char c) { return c != '\0' && std::strchr(set, c) != nullptr; }

}  // namespace

CheckedTextWriter::CheckedTextWriter(OutStream& out) : out_(out) {
  out_.SetFormat(0, -1);
  out_.SetFormat(1, 0);
}

void CheckedTextWriter::Write(const char* text) {
  if (out_.WriteString(text) < 0) failed_ = true;
}

void CheckedTextWriter::WriteNumber(int number) {
  if (out_.WriteNumber(number) < 0) failed_ = true;
}

void CheckedTextWriter::WriteField(const SjisString& text, const char* dropped, const char* blanked) {
  std::string kept;
  const char* bytes = text.Text();
  for (int at = 0; at < text.Length(); ++at) {
    const char c = bytes[at];
    // A blank or control byte is never a second byte: a lone lead byte must
    // not carry a line end (or a NUL) into the field unchanged.
    if (static_cast<unsigned char>(c) >= 0x80 && at + 1 < text.Length() &&
        static_cast<unsigned char>(bytes[at + 1]) > ' ') {
      kept += c;
      kept += bytes[++at];
    } else if (c == '\0' || IsIn(blanked, c)) {  // a NUL would end the line for C readers
      kept += ' ';
    } else if (!IsIn(dropped, c)) {
      kept += c;
    }
  }
  Write(kept);
}
