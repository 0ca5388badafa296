// Loading and saving records by file type, the clipboard's text copy and
// paste, and clearing comments. Saving never damages the file it replaces:
// the record goes to a temporary file in the same folder, which is renamed
// over the target only when every write and the close succeeded.
#include "records/record_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "records/game_record.h"
#include "records/kif_format.h"
#include "records/kifu.h"
#include "records/text_encoding.h"

namespace {

// Extensions in the order they are searched, with their types.
struct ExtensionType {
  const char* extension;
  KifuFileType type;
};
constexpr ExtensionType kExtensions[] = {
    {"bkf", KIFU_FILE_KIF}, {"kif", KIFU_FILE_KIF},        {"ki2", KIFU_FILE_KI2}, {"csa", KIFU_FILE_CSA},
    {"krs", KIFU_FILE_OLD_NATIVE}, {"rvq", KIFU_FILE_RVQ}, {"ckf", KIFU_FILE_CKF}, {"rvf", KIFU_FILE_JAPANESE_TEXT}};

// The caller's type, or the one the path's extension names (stored back);
// -1 when the path fails the extension rule.
KifuFileType ResolveType(const char* path, KifuFileType* type) {
  if (path == nullptr) return -1;
  if (type != nullptr && *type != KIFU_FILE_DETECT) return *type;
  const KifuFileType detected = KifuFileTypeOfPath(path);
  if (detected < 0) return -1;
  if (type != nullptr) *type = detected;
  return detected;
}

// The permission bits a file written at path should get: those of the file
// it replaces, else what a newly created file gets.
mode_t ModeForReplacing(const char* path) {
  struct stat info;
  if (::stat(path, &info) == 0 && S_ISREG(info.st_mode)) return info.st_mode & 0777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Writes through a temporary file beside path and renames it over path
// only when write returned 0 and the stream closed cleanly; otherwise the
// temporary file is removed and path is left as it was.
template <class Stream, class Write>
bool WriteFileSafely(const char* path, Write write) {
  std::string temporary = std::string(path) + ".tmpXXXXXX";
  const int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) return false;
  const bool modeSet = ::fchmod(descriptor, ModeForReplacing(path)) == 0;
  ::close(descriptor);
  bool ok = modeSet;
  if (ok) {
    Stream out;
    ok = out.Open(temporary.c_str()) == 0;
    if (ok) {
      const int written = write(static_cast<OutStream&>(out));
      const int closed = out.Close();
      ok = written == 0 && closed == 0;
    }
  }
  if (ok && std::rename(temporary.c_str(), path) == 0) return true;
  std::remove(temporary.c_str());
  return false;
}

// Writes the record, or only the position, in the type's format.
bool SaveAs(const char* path, KifuFileType type, const Kifu& record, const KifuPosition* position) {
  auto write = [&](OutStream& out) {
    switch (type) {
      case KIFU_FILE_KIF:
      case KIFU_FILE_CKF: return position ? record.WriteKifPosition(out, *position) : record.WriteKif(out);
      case KIFU_FILE_KI2: return position ? record.WriteKi2Position(out, *position) : record.WriteKi2(out);
      case KIFU_FILE_CSA: return position ? record.WriteCsaPosition(out, *position) : record.WriteCsa(out);
      case KIFU_FILE_RVQ: return position ? record.WriteRvqPosition(out, *position) : record.WriteRvq(out);
      default: return -1;  // the callers refuse a type without a writer before this
    }
  };
  if (type == KIFU_FILE_CKF) return WriteFileSafely<ArmouredFileOutStream>(path, write);
  return WriteFileSafely<FileOutStream>(path, write);
}

}  // namespace

KifuFileType KifuFileTypeOfPath(const char* path) {
  if (path == nullptr) return -1;
  const char* dot = std::strrchr(path, '.');
  if (dot == nullptr || std::strlen(dot) != 4) return -1;
  char letters[4] = {};
  for (int at = 0; at < 3; ++at) {
    const char c = dot[at + 1];
    letters[at] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  for (const ExtensionType& entry : kExtensions) {
    if (std::strcmp(letters, entry.extension) == 0) return entry.type;
  }
  return KIFU_FILE_DETECT;
}

bool KifuFileTypeIsWritable(KifuFileType type) {
  return type == KIFU_FILE_KIF || type == KIFU_FILE_KI2 || type == KIFU_FILE_CSA || type == KIFU_FILE_RVQ ||
         type == KIFU_FILE_CKF;
}

namespace {

// How far into a text a sniff for its encoding looks.
constexpr size_t kSniffBytes = 4096;

// What a text holds that the readers can't take whatever its format: NUL
// bytes (UTF-16 or binary data; the streams would drop them and read on),
// and lines that end in CR alone, which a reader would take for one line.
class TextShape {
 public:
  void Take(const char* bytes, size_t count) {
    for (size_t at = 0; at < count; ++at) {
      const char c = bytes[at];
      if (c == '\0' && nulLine_ == 0) nulLine_ = line_;
      if (afterCr_ && c != '\n') loneCr_ = true;
      if (c == '\n') {
        ++line_;
        lf_ = true;
      }
      afterCr_ = c == '\r';
    }
  }
  // The line of the first NUL byte, 0 for none.
  int NulLine() const { return nulLine_; }
  // Lines end in CR alone: the text has such a CR and no LF at all, so that
  // a stray CR inside a line of CR LF or LF text is no line end.
  bool EndsLinesInCr() const { return (loneCr_ || afterCr_) && !lf_; }

 private:
  int line_ = 1;
  int nulLine_ = 0;
  bool afterCr_ = false;
  bool loneCr_ = false;
  bool lf_ = false;
};

// The shape of a whole file; an unreadable file has none.
TextShape FileShape(const char* path) {
  TextShape shape;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return shape;
  char chunk[kSniffBytes];
  for (size_t count; (count = std::fread(chunk, 1, sizeof chunk, file)) > 0;) shape.Take(chunk, count);
  std::fclose(file);
  return shape;
}

// A text that no reader takes: UTF-8 with a byte-order mark (whose mark
// would cost the first header line), NUL bytes, or lines that end in CR
// alone (even RVQ, which reads by bytes, has "#" lines that end at an LF).
bool RefuseText(const char* start, size_t size, const TextShape& shape, ReadReport* report) {
  ReadProblem problem = ReadProblem::None;
  if (StartsWithUtf8Bom(start, size)) {
    problem = ReadProblem::Utf8Text;
  } else if (shape.NulLine() > 0) {
    problem = ReadProblem::UnknownEncoding;
  } else if (shape.EndsLinesInCr()) {
    problem = ReadProblem::CrLineEnds;
  }
  if (problem == ReadProblem::None) return false;
  const int line = problem == ReadProblem::UnknownEncoding ? shape.NulLine() : 0;
  if (report != nullptr) report->Set(problem, line, SjisString());
  return true;
}

// After a refusal: text that is UTF-8 throughout its first bytes was most
// likely refused for being UTF-8, which says more than the reader's reason.
void NameUtf8Refusal(const char* bytes, size_t size, ReadReport* report) {
  if (report != nullptr && HasNonAscii(bytes, size) && IsValidUtf8(bytes, size, true)) {
    report->Set(ReadProblem::Utf8Text, 0, SjisString());
  }
}

// How much a paste reader's refusal says: nothing of its format least, a
// KIF header without the moves line next, then the further the better.
long Weight(const ReadReport& said) {
  if (said.problem == ReadProblem::NotThisFormat) return 0;
  if (said.problem == ReadProblem::NoMovesLine) return 1;
  return 2 + said.at;
}

// The first bytes of a file; empty when it can't be read.
std::string FileStart(const char* path) {
  std::string bytes(kSniffBytes, '\0');
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return "";
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return bytes;
}

// Reads a text file of the type; the report as the reader filled it.
int ReadTextFile(const char* path, KifuFileType type, Kifu& record, bool merge, ReadReport* report) {
  FileInStream in;
  if (in.Open(path) != 0) return -1;
  switch (type) {
    case KIFU_FILE_KIF: {
      if (record.ReadKif(in, merge, report) == 0) return 0;
      // The Japanese-notation text reader is the fallback; when it refuses
      // too, the KIF reader's reason is the one that fits a .kif file.
      ReadReport fallback;
      in.Rewind();
      const int result = record.ReadJapaneseNotation(in, merge, &fallback);
      if (result == 0 && report != nullptr) *report = fallback;
      return result;
    }
    case KIFU_FILE_KI2: return record.ReadKi2(in, merge, report);
    case KIFU_FILE_CSA: return record.ReadCsa(in, merge, 0, report);
    case KIFU_FILE_RVQ: return record.ReadRvq(in, merge, report);
    case KIFU_FILE_JAPANESE_TEXT: return record.ReadJapaneseNotation(in, merge, report);
    default: return -1;
  }
}

// Whether the armour's damage comes before the problem the KIF reader
// names: a complete read names none; a refusal that names no line stands
// where the reader had read to (the moves line, or the end of the text).
bool ComesFirst(const ArmourDamage& damage, const ReadReport& read, int result, int linesRead) {
  if (result == 0 && !read.Stopped()) return true;
  return damage.decodedLine <= (read.at > 0 ? read.at : linesRead);
}

// Whether a text's last line is one the KIF writers end with: the separator
// after the last line of play, or the moves header of a position alone.
bool IsClosingKifLine(const SjisString& line) {
  SjisString trimmed(line);
  trimmed.TrimRight();
  return std::strcmp(trimmed.Text(), KIF_SEPARATOR) == 0 || std::strcmp(trimmed.Text(), KIF_MOVES_HEADER) == 0;
}

// Reads an armoured KIF file. The KIF reader passes over decoded bytes that
// are no text without a word, so what the stream found (see ArmourDecoder)
// goes into the report when it comes first; the record is what the KIF
// reader read either way.
int ReadArmouredKif(const char* path, Kifu& record, bool merge, ReadReport* report) {
  ArmouredFileInStream in;
  if (in.Open(path) != 0) return -1;
  LineCountingInStream counted(in);
  ReadReport read;
  const int result = record.ReadKif(counted, merge, &read);
  const ArmourDamage* damage = in.FirstDamage();
  // Only this program writes armoured files, and always a whole KIF text:
  // one cut at a line end decodes to a shorter text that reads well, and
  // only its missing last line tells.
  if (result == 0 && !read.Stopped() && damage == nullptr && !IsClosingKifLine(counted.LastLine())) {
    read.Damage(ReadUnit::Line, counted.LineNumber(),
                std::string("the text ends without its closing line ") + KIF_SEPARATOR + ": the file was cut short",
                counted.LastLine());
  }
  if (damage != nullptr && ComesFirst(*damage, read, result, counted.LineNumber())) {
    const bool dropped = result == 0 && read.movesDropped;
    read = ReadReport();
    if (damage->character > 0) {
      read.Damage(ReadUnit::Character, damage->character, damage->reason);
    } else {
      read.Damage(ReadUnit::Line, damage->decodedLine, damage->reason, SjisString(damage->lineText.c_str()));
    }
    read.movesDropped = dropped;
  }
  if (report != nullptr) *report = read;
  return result;
}

}  // namespace

int ReadKifuFile(const char* path, KifuFileType type, Kifu& record, bool merge, ReadReport* report) {
  if (path == nullptr) return -1;
  if (type == KIFU_FILE_CKF) return ReadArmouredKif(path, record, merge, report);
  if (type == KIFU_FILE_OLD_NATIVE) {
    RawFileInStream in;
    if (in.Open(path) != 0) return -1;
    return record.ReadOldNative(in, merge, report);
  }
  const std::string start = FileStart(path);
  if (RefuseText(start.data(), start.size(), FileShape(path), report)) return -1;
  const int result = ReadTextFile(path, type, record, merge, report);
  if (result != 0) NameUtf8Refusal(start.data(), start.size(), report);
  return result;
}

int ReadKifuText(const char* text, Kifu& record, ReadReport* report) {
  if (text == nullptr) text = "";
  const size_t size = std::strlen(text);
  TextShape shape;
  shape.Take(text, size);
  if (RefuseText(text, size, shape, report)) return -1;
  MemoryInStream in(text);
  // The order matters: the stricter readers first, so that a text is taken
  // by the reader of its own format.
  const auto readers = {
      +[](Kifu& kifu, InStream& stream, ReadReport* said) { return kifu.ReadKif(stream, 0, said); },
      +[](Kifu& kifu, InStream& stream, ReadReport* said) { return kifu.ReadJapaneseNotation(stream, false, said); },
      +[](Kifu& kifu, InStream& stream, ReadReport* said) { return kifu.ReadRvq(stream, false, said); },
      +[](Kifu& kifu, InStream& stream, ReadReport* said) { return kifu.ReadCsa(stream, 0, 1, said); },
      +[](Kifu& kifu, InStream& stream, ReadReport* said) { return kifu.ReadKi2(stream, false, said); },
  };
  // When every reader refuses, the one that read furthest into the text
  // understood most of it: its reason is the one given.
  ReadReport best;
  best.problem = ReadProblem::NotThisFormat;
  best.reason = ReadProblemText(ReadProblem::NotThisFormat);
  for (const auto reader : readers) {
    in.Rewind();
    ReadReport said;
    if (reader(record, in, &said) == 0) {
      if (report != nullptr) *report = said;
      return 0;
    }
    if (Weight(said) > Weight(best)) best = said;
  }
  NameUtf8Refusal(text, std::min(size, kSniffBytes), &best);
  if (report != nullptr) *report = best;
  return -1;
}

RawFileInStream::~RawFileInStream() { Close(); }

int RawFileInStream::Refill() {
  return static_cast<int>(std::fread(bytes_ + kPushBackRoom, 1, kBufferSize, file_));
}

bool GameRecord::Load(const char* path, KifuFileType* type, bool merge, ReadReport* report) {
  const KifuFileType chosen = ResolveType(path, type);
  if (chosen <= 0 || ReadKifuFile(path, chosen, *record, merge, report) != 0) return false;
  ShowStart();
  title.Assign(path);
  return true;
}

bool GameRecord::Save(const char* path, KifuFileType* type) {
  const KifuFileType chosen = ResolveType(path, type);
  // Refused before anything is created: the old file must survive.
  if (!KifuFileTypeIsWritable(chosen)) return false;
  record->SortIncomingByTraversal();
  if (!SaveAs(path, chosen, *record, nullptr)) return false;
  modified = 0;
  title.Assign(path);
  return true;
}

bool GameRecord::SavePosition(const char* path, KifuFileType* type) {
  const KifuFileType chosen = ResolveType(path, type);
  if (!KifuFileTypeIsWritable(chosen)) return false;
  return SaveAs(path, chosen, *record, currentPosition);
}

bool GameRecord::WriteToString(SjisString& text, int format, bool positionOnly) const {
  StringOutStream out(text, true);
  out.SetFormat(0, -1);
  out.SetFormat(1, 0);
  int result;
  if (positionOnly && format >= KIFU_FILE_KIF && format <= KIFU_FILE_RVQ) {
    switch (format) {
      case KIFU_FILE_KIF: result = record->WriteKifPosition(out, *currentPosition); break;
      case KIFU_FILE_KI2: result = record->WriteKi2Position(out, *currentPosition); break;
      case KIFU_FILE_CSA: result = record->WriteCsaPosition(out, *currentPosition); break;
      default: result = record->WriteRvqPosition(out, *currentPosition); break;
    }
  } else {
    switch (format) {
      case KIFU_FILE_KIF: result = record->WriteKif(out); break;
      case KIFU_FILE_CSA: result = record->WriteCsa(out); break;
      case KIFU_FILE_RVQ: result = record->WriteRvq(out); break;
      default: result = record->WriteKi2(out); break;
    }
  }
  return result == 0;
}

bool GameRecord::LoadFromText(const SjisString& text, ReadReport* report) {
  if (ReadKifuText(text.Text(), *record, report) != 0) return false;
  ShowStart();
  title.Clear();
  return true;
}

void GameRecord::ClearComments() {
  // NextNode meets every position once through its first incoming move;
  // its outgoing moves are then every move of the graph, merged ones too.
  for (KifuMoveNode* node = record->NextNode(nullptr); node != nullptr; node = record->NextNode(node)) {
    if (node == record->Root()) node->comment.Clear();
    if (node->reachedNode == nullptr) continue;
    const MoveNodeList& outgoing = node->reachedNode->outgoing;
    for (int index = 0; index < outgoing.Count(); ++index) outgoing.At(index)->comment.Clear();
  }
}

void GameRecord::ShowStart() {
  currentNode = record->Root();
  *currentPosition = record->StartNode()->position;
  modified = 0;
  record->EnableNotify(true);
  record->NotifyPly(0);
}
