// kifu convert and kifu show: a record file read and written again, or
// printed as KIF text in UTF-8. The format follows the file's extension:
// .kif and .bkf are KIF text, .ckf the same text armoured, .ki2 KI2 text,
// .csa CSA text (the main line only), .rvf Japanese-notation text (read
// only: the format has no writer).
#include <cstdio>
#include <string>

#include "charset.h"
#include "cli/command.h"
#include "cli/record_files.h"
#include "cli/utf8_text.h"
#include "records/kifu.h"
#include "records/record_stream.h"

namespace {

enum class RecordFileKind { Unknown, Kif, ArmouredKif, Ki2, JapaneseText, Csa };
constexpr char kKnownExtensions[] = "(use .kif, .bkf, .ckf, .ki2, .csa or .rvf)";

RecordFileKind KindOfPath(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return RecordFileKind::Unknown;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (extension == "kif" || extension == "bkf") return RecordFileKind::Kif;
  if (extension == "ckf") return RecordFileKind::ArmouredKif;
  if (extension == "ki2") return RecordFileKind::Ki2;
  if (extension == "rvf") return RecordFileKind::JapaneseText;
  if (extension == "csa") return RecordFileKind::Csa;
  return RecordFileKind::Unknown;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "kifu: %s\n", message.c_str());
  return 1;
}

// Reads the record of a file; an empty text on success, else the error.
std::string ReadRecordFile(const std::string& path, Kifu& kifu) {
  BufferedFileInStream* in = nullptr;
  FileInStream plain;
  ArmouredFileInStream armoured;
  const RecordFileKind kind = KindOfPath(path);
  if (kind == RecordFileKind::Unknown) return "'" + path + "': unknown record format " + kKnownExtensions;
  in = kind == RecordFileKind::ArmouredKif ? static_cast<BufferedFileInStream*>(&armoured) : &plain;
  if (in->Open(path.c_str()) != 0) return "cannot open '" + path + "' for reading";
  if (kind == RecordFileKind::Ki2) {
    if (kifu.ReadKi2(*in, false) != 0) return "'" + path + "' holds no readable KI2 record";
  } else if (kind == RecordFileKind::Csa) {
    if (kifu.ReadCsa(*in, 0, 0) != 0) return "'" + path + "' holds no readable CSA record";
  } else if (kind == RecordFileKind::JapaneseText) {
    if (kifu.ReadJapaneseNotation(*in, false) != 0) return "'" + path + "' holds no readable Japanese-notation record";
  } else if (kifu.ReadKif(*in, 0) != 0) {
    return "'" + path + "' holds no readable KIF record";
  }
  return "";
}

}  // namespace

int RunConvertCommand(const CommandArgs& args) {
  if (args.size() != 2) return UsageError("convert: give an input and an output file");
  const std::string& output = args[1];
  const RecordFileKind outputKind = KindOfPath(output);
  if (outputKind == RecordFileKind::Unknown) {
    return UsageError("convert: '" + output + "': unknown record format " + kKnownExtensions);
  }
  if (outputKind == RecordFileKind::JapaneseText) {
    return UsageError("convert: '" + output + "': .rvf text is read only, it has no writer");
  }
  Kifu kifu;
  if (const std::string error = ReadRecordFile(args[0], kifu); !error.empty()) return Fail(error);
  // As a save does: each position's first incoming move is the one the
  // writer arrives by.
  kifu.SortIncomingByTraversal();
  int status;
  if (outputKind == RecordFileKind::Csa) {
    FileOutStream out;
    if (out.Open(output.c_str()) != 0) return Fail("cannot open '" + output + "' for writing");
    const int written = kifu.WriteCsa(out);
    status = out.Close() != 0 || written != 0 ? -1 : 0;
  } else if (outputKind == RecordFileKind::Kif || outputKind == RecordFileKind::Ki2) {
    FileOutStream out;
    if (out.Open(output.c_str()) != 0) return Fail("cannot open '" + output + "' for writing");
    outputKind == RecordFileKind::Ki2 ? kifu.WriteKi2(out) : kifu.WriteKif(out);
    status = out.Close();
  } else {
    ArmouredFileOutStream out;
    if (out.Open(output.c_str()) != 0) return Fail("cannot open '" + output + "' for writing");
    kifu.WriteKif(out);
    status = out.Close();
  }
  if (status != 0) return Fail("writing '" + output + "' failed");
  return 0;
}

int RunShowCommand(const CommandArgs& args) {
  if (args.size() != 1) return UsageError("show: give one record file");
  Kifu kifu;
  if (const std::string error = ReadRecordFile(args[0], kifu); !error.empty()) return Fail(error);
  kifu.SortIncomingByTraversal();
  SjisString text;
  StringOutStream out(text, false);
  kifu.WriteKif(out);
  std::string utf8;
  if (!Cp932ToUtf8(text.Text(), utf8)) return Fail("this system cannot convert Shift-JIS text");
  if (std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size() || std::fflush(stdout) != 0) {
    return Fail("writing to standard output failed");
  }
  return 0;
}

std::string ReadRecordFileForCommand(const std::string& path, Kifu& kifu) { return ReadRecordFile(path, kifu); }
