// Record file types and the choice of a type by a path's extension. The
// load, save and clipboard operations are GameRecord's (record_files.cpp).
#pragma once

#include <cstdint>

#include "charset.h"
#include "records/read_report.h"
#include "records/record_stream.h"

// A record file format; 0 asks for detection by extension. Also the format
// code of GameRecord::WriteToString.
using KifuFileType = int32_t;
inline constexpr KifuFileType KIFU_FILE_DETECT = 0;
inline constexpr KifuFileType KIFU_FILE_KIF = 1;
inline constexpr KifuFileType KIFU_FILE_KI2 = 2;
inline constexpr KifuFileType KIFU_FILE_CSA = 3;
inline constexpr KifuFileType KIFU_FILE_RVQ = 4;
inline constexpr KifuFileType KIFU_FILE_OLD_NATIVE = 5;  // .krs, read only
inline constexpr KifuFileType KIFU_FILE_CKF = 6;         // KIF through the armoured streams
inline constexpr KifuFileType KIFU_FILE_JAPANESE_TEXT = 7;  // .rvf, read only

// The type of a path by its extension: the text from the last "." must be
// four bytes, its letters compared in lower case. -1 when the path has no
// "." or an extension of another length, 0 for one not in the table.
KifuFileType KifuFileTypeOfPath(const char* path);
// Whether the type has a writer (KIF, KI2, CSA, RVQ, CKF).
bool KifuFileTypeIsWritable(KifuFileType type);

class Kifu;

// Reads a file of the type (not 0) into record with the type's reader
// (KIF falls back to Japanese-notation text); 0, or -1 with the record
// unchanged. Text that is UTF-8 (a byte-order mark) or UTF-16 is refused.
// The report, when given, says why a read refused or where it stopped.
int ReadKifuFile(const char* path, KifuFileType type, Kifu& record, bool merge, ReadReport* report = nullptr);
// Reads pasted text into record with the first reader that accepts it:
// KIF, Japanese-notation text, RVQ, strict CSA, KI2; 0, or -1 with the
// record unchanged (the report then gives the reason of the reader that
// read furthest).
int ReadKifuText(const char* text, Kifu& record, ReadReport* report = nullptr);

// A file read byte for byte as stored: no line-end folding and no end at a
// 0x1A byte (binary records hold both).
class RawFileInStream : public BufferedFileInStream {
 public:
  RawFileInStream() = default;
  ~RawFileInStream() override;

 protected:
  int Refill() override;
};
