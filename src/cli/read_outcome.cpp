// Read reports turned into one line of UTF-8 for the terminal.
#include "cli/read_outcome.h"

#include <cstdio>

#include "cli/utf8_text.h"

namespace {

std::string AsUtf8(const std::string& sjis) {
  std::string utf8;
  return Cp932ToUtf8(sjis.c_str(), utf8) ? utf8 : sjis;
}

// "file:line", "file: character N", or the file alone (a move record is
// named by the reason itself).
std::string Place(const std::string& file, const ReadReport& report) {
  if (report.at <= 0) return file;
  switch (report.unit) {
    case ReadUnit::Line: return file + ":" + std::to_string(report.at);
    case ReadUnit::Character: return file + ": character " + std::to_string(report.at);
    case ReadUnit::Move: return file;
  }
  return file;  // no value outside the enumeration is ever made
}

}  // namespace

std::string RefusalMessage(const std::string& file, const ReadReport& report) {
  const std::string reason = report.reason.empty() ? ReadProblemText(ReadProblem::NotThisFormat) : report.reason;
  return Place(file, report) + ": " + AsUtf8(reason);
}

int ReadOutcomeStatus(const std::string& file, const ReadReport& report) {
  if (!report.Stopped()) return 0;
  if (report.damaged) {
    std::string text;
    if (!report.text.empty()) text.append("'").append(AsUtf8(report.text)).append("': ");
    std::fprintf(stderr, "kifu: %s: %s%s; from there on the record may lack or change what was written\n",
                 Place(file, report).c_str(), text.c_str(), AsUtf8(report.reason).c_str());
    return KIFU_EXIT_INCOMPLETE;
  }
  if (report.lineSkipped) {
    const std::string more = report.moreSkipped > 0
                                 ? " (and " + std::to_string(report.moreSkipped) +
                                       (report.moreSkipped == 1 ? " more line); they are" : " more lines); they are")
                                 : "; it is";
    std::fprintf(stderr, "kifu: %s: skipped '%s': %s%s not in the record%s\n", Place(file, report).c_str(),
                 AsUtf8(report.text).c_str(), AsUtf8(report.reason).c_str(), more.c_str(),
                 report.movesDropped ? ", and reading stopped before the end" : "");
    return KIFU_EXIT_INCOMPLETE;
  }
  std::fprintf(stderr, "kifu: %s: stopped reading at '%s': %s; the moves after it are not in the record\n",
               Place(file, report).c_str(), AsUtf8(report.text).c_str(), AsUtf8(report.reason).c_str());
  return KIFU_EXIT_INCOMPLETE;
}
