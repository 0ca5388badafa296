// A writer over an OutStream that remembers whether any write failed, so
// that a full disk is reported rather than returned as success. The CSA and
// RVQ writers share it.
#pragma once

#include <string>

#include "records/record_stream.h"
#include "records/sjis_string.h"

class CheckedTextWriter {
 public:
  // Numbers are written plain: no width, no padding.
  explicit CheckedTextWriter(OutStream& out);

  void Write(const char* text);
  void Write(const std::string& text) { Write(text.c_str()); }
  void WriteNumber(int number);
  // A header text or name kept on its line: bytes in `dropped` are left
  // out and bytes in `blanked` (and NUL) become blanks, double-byte
  // characters (whose trail bytes may look like either) copied whole; a
  // lead byte before a blank or control byte stands alone.
  void WriteField(const SjisString& text, const char* dropped, const char* blanked);
  // 0, or -1 when a write failed.
  int Result() const { return failed_ ? -1 : 0; }

 private:
  OutStream& out_;
  bool failed_ = false;
};
