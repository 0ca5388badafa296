// kifu convert and kifu show: a record read and written again, or printed
// as KIF text in UTF-8. Files go through the record's load and save
// dispatch, so the format follows the extension (.kif/.bkf KIF, .ckf
// armoured KIF, .ki2 KI2, .csa CSA, .rvq RVQ, .krs and .rvf read only).
// "-" as the input reads pasted text from standard input (every reader in
// the paste order); "-" as the output writes KIF text to standard output.
#include <cstdio>
#include <string>

#include "charset.h"
#include "cli/command.h"
#include "cli/read_outcome.h"
#include "cli/record_files.h"
#include "cli/utf8_text.h"
#include "records/game_record.h"
#include "records/record_files.h"
#include "records/record_stream.h"

namespace {

constexpr char kKnownExtensions[] = "(use .kif, .bkf, .ckf, .ki2, .csa, .rvq, .krs or .rvf)";

int Fail(const std::string& message) {
  std::fprintf(stderr, "kifu: %s\n", message.c_str());
  return 1;
}

// The name a message gives the input.
std::string InputName(const std::string& path) { return path == "-" ? "standard input" : path; }

// Whether the path names a UTF-8 record (.kifu, .ki2u), which other
// programs write and this one reads only once converted.
bool IsUtf8RecordPath(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return extension == "kifu" || extension == "ki2u";
}

// Reads the record of a file, or of standard input for "-"; an empty text
// on success (the report then tells whether the read stopped early), else
// the error.
std::string ReadRecord(const std::string& path, Kifu& kifu, ReadReport& report) {
  if (path == "-") {
    std::string bytes;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) bytes.append(buffer, got);
    if (std::ferror(stdin)) return "reading standard input failed";
    std::string text, error;
    if (!PastedTextToSjis(bytes, text, error)) return error;
    if (ReadKifuText(text.c_str(), kifu, &report) != 0) return RefusalMessage(InputName(path), report);
    return "";
  }
  if (IsUtf8RecordPath(path)) {
    return "'" + path + "' is a UTF-8 record; convert it to Shift-JIS first, for example: iconv -f UTF-8 -t CP932 '" +
           path + "' > record.kif";
  }
  const KifuFileType type = KifuFileTypeOfPath(path.c_str());
  if (type <= 0) return "'" + path + "': unknown record format " + kKnownExtensions;
  if (std::FILE* file = std::fopen(path.c_str(), "rb"); file != nullptr) {
    std::fclose(file);
  } else {
    return "cannot open '" + path + "' for reading";
  }
  if (ReadKifuFile(path.c_str(), type, kifu, false, &report) != 0) return RefusalMessage(path, report);
  return "";
}

// The record as Shift-JIS KIF text with CR LF line ends, as a file holds it.
int WriteToStandardOutput(const GameRecord& game) {
  SjisString text;
  if (!game.WriteToString(text, KIFU_FILE_KIF, false)) return Fail("writing the record failed");
  if (std::fwrite(text.Text(), 1, static_cast<size_t>(text.Length()), stdout) != static_cast<size_t>(text.Length()) ||
      std::fflush(stdout) != 0) {
    return Fail("writing to standard output failed");
  }
  return 0;
}

}  // namespace

int RunConvertCommand(const CommandArgs& args) {
  if (args.size() != 2) return UsageError("convert: give an input and an output file");
  const std::string& output = args[1];
  KifuFileType outputType = KIFU_FILE_KIF;
  if (output != "-") {
    outputType = KifuFileTypeOfPath(output.c_str());
    if (outputType <= 0) return UsageError("convert: '" + output + "': unknown record format " + kKnownExtensions);
    if (!KifuFileTypeIsWritable(outputType)) {
      return UsageError("convert: '" + output + "': this format is read only, it has no writer");
    }
  }
  GameRecord game;
  ReadReport report;
  if (const std::string error = ReadRecord(args[0], *game.record, report); !error.empty()) return Fail(error);
  game.currentNode = game.record->Root();
  *game.currentPosition = game.record->StartNode()->position;
  if (output == "-") {
    // As a save does: each position's first incoming move is the one the
    // writer arrives by.
    game.record->SortIncomingByTraversal();
    if (const int written = WriteToStandardOutput(game); written != 0) return written;
    return ReadOutcomeStatus(InputName(args[0]), report);
  }
  if (!game.Save(output.c_str(), &outputType)) {
    return Fail("writing '" + output + "' failed; any file there is left as it was");
  }
  return ReadOutcomeStatus(InputName(args[0]), report);
}

int RunShowCommand(const CommandArgs& args) {
  if (args.size() != 1) return UsageError("show: give one record file");
  Kifu kifu;
  ReadReport report;
  if (const std::string error = ReadRecord(args[0], kifu, report); !error.empty()) return Fail(error);
  kifu.SortIncomingByTraversal();
  SjisString text;
  StringOutStream out(text, false);
  kifu.WriteKif(out);
  if (const std::string error = PrintAsUtf8(text.Text()); !error.empty()) return Fail(error);
  return ReadOutcomeStatus(InputName(args[0]), report);
}

std::string ReadRecordFileForCommand(const std::string& path, Kifu& kifu, ReadReport& report) {
  return ReadRecord(path, kifu, report);
}
