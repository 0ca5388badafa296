// kifu convert and kifu show: a record opened and saved again, or printed
// as KIF text in UTF-8, through the document. Files go through the record's
// load and save dispatch, so the format follows the extension (.kif/.bkf
// KIF, .ckf armoured KIF, .ki2 KI2, .csa CSA, .rvq RVQ, .krs and .rvf read
// only). "-" as the input pastes standard input (every reader in the paste
// order); "-" as the output copies KIF text to standard output.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/ckrs_doc.h"
#include "app/clipboard.h"
#include "charset.h"
#include "cli/command.h"
#include "cli/read_outcome.h"
#include "cli/record_files.h"
#include "cli/utf8_text.h"
#include "records/record_files.h"

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

// The text as one word of a POSIX shell line.
std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// A command that converts the UTF-8 record in the file: pasted text is
// taken as UTF-8 whatever its format, with or without a byte-order mark
// (iconv stops at the mark). The KIF output keeps everything and never is
// the input itself.
std::string Utf8ConversionHint(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot)
                                                                                                     : path;
  return "kifu convert - " + ShellQuoted(stem + ".sjis.kif") + " < " + ShellQuoted(path);
}

// The refusal of a UTF-8 text, with a conversion that works on it.
std::string Utf8Refusal(const std::string& path) {
  if (path == "-") {
    return "standard input: text that looks like UTF-8 but is not valid UTF-8 throughout; pasted text is converted "
           "only when all of it is";
  }
  return "'" + path + "' is a UTF-8 record; records are read as Shift-JIS, convert it first, for example: " +
         Utf8ConversionHint(path);
}

// Why the input was refused, in one line.
std::string Refusal(const std::string& path, const ReadReport& report) {
  return report.problem == ReadProblem::Utf8Text ? Utf8Refusal(path) : RefusalMessage(InputName(path), report);
}

// Whether the output is the file the input is read from (standard input
// redirected from it included), however either is named; an output that
// does not exist yet is not.
bool IsSameFile(const std::string& input, const std::string& output) {
  struct stat in {}, out {};
  if (::stat(output.c_str(), &out) != 0) return false;
  const int got = input == "-" ? ::fstat(STDIN_FILENO, &in) : ::stat(input.c_str(), &in);
  return got == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
}

// Opens the record of a file in the document, or pastes standard input
// for "-"; an empty text on success (the report then tells whether the read
// stopped early), else the error.
std::string ReadRecord(const std::string& path, Clipboard& clipboard, CKRSDoc& doc, ReadReport& report) {
  if (path == "-") {
    std::string bytes;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) bytes.append(buffer, got);
    if (std::ferror(stdin)) return "reading standard input failed";
    std::string text, error;
    if (!PastedTextToSjis(bytes, text, error)) return error;
    clipboard.SetText(SjisString(text.c_str()));
    if (!doc.Paste(&report)) return Refusal(path, report);
    return "";
  }
  if (IsUtf8RecordPath(path)) return Utf8Refusal(path);
  KifuFileType type = KifuFileTypeOfPath(path.c_str());
  if (type <= 0) return "'" + path + "': unknown record format " + kKnownExtensions;
  if (std::FILE* file = std::fopen(path.c_str(), "rb"); file != nullptr) {
    std::fclose(file);
  } else {
    return "cannot open '" + path + "' for reading";
  }
  if (!doc.Open(path.c_str(), &type, &report)) return Refusal(path, report);
  return "";
}

// The clipboard's text (Shift-JIS with CR LF line ends, as a file holds
// it) to standard output.
int EmptyClipboardToStandardOutput(const Clipboard& clipboard) {
  const SjisString& text = clipboard.Text();
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
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  ReadReport report;
  if (const std::string error = ReadRecord(args[0], clipboard, doc, report); !error.empty()) return Fail(error);
  if (output == "-") {
    if (!doc.Copy(KIFU_FILE_KIF, false)) return Fail("writing the record failed");
    if (const int written = EmptyClipboardToStandardOutput(clipboard); written != 0) return written;
    return ReadOutcomeStatus(InputName(args[0]), report);
  }
  // A record read only in part would replace the very file that holds the
  // rest of it.
  if (report.Stopped() && IsSameFile(args[0], output)) {
    const int status = ReadOutcomeStatus(InputName(args[0]), report);
    std::fprintf(stderr, "kifu: '%s' is the input, which was not read to its end: nothing written, the file is left "
                 "as it was\n", output.c_str());
    return status;
  }
  if (!doc.Save(output.c_str(), &outputType)) {
    return Fail("writing '" + output + "' failed; any file there is left as it was");
  }
  return ReadOutcomeStatus(InputName(args[0]), report);
}

int RunShowCommand(const CommandArgs& args) {
  if (args.size() != 1) return UsageError("show: give one record file");
  Clipboard clipboard;
  CKRSDoc doc(clipboard);
  ReadReport report;
  if (const std::string error = ReadRecord(args[0], clipboard, doc, report); !error.empty()) return Fail(error);
  if (!doc.Copy(KIFU_FILE_KIF, false)) return Fail("writing the record failed");
  // The terminal's line ends are LF alone.
  std::string text = clipboard.Text().Text();
  std::erase(text, '\r');
  if (const std::string error = PrintAsUtf8(text.c_str()); !error.empty()) return Fail(error);
  return ReadOutcomeStatus(InputName(args[0]), report);
}

std::string ReadRecordFileForCommand(const std::string& path, Clipboard& clipboard, CKRSDoc& doc, ReadReport& report) {
  return ReadRecord(path, clipboard, doc, report);
}
