// The recording kifu list observer of the tests.
#include "support/kifu_list_log.h"

#include <utility>

void KifuListLog::Clear() { calls_.push_back("Clear"); }

void KifuListLog::AddLine(int ply, const SjisString& text, const char* annotation, const SjisString& reading, int value,
                          int flags, int time) {
  calls_.push_back("Line " + std::to_string(ply) + "|" + text.Text() + "|" + annotation + "|" + reading.Text() + "|" +
                   std::to_string(value) + "|" + std::to_string(flags) + "|" + std::to_string(time));
}

void KifuListLog::RemoveLast() { calls_.push_back("RemoveLast"); }
void KifuListLog::TruncateFrom(int ply) { calls_.push_back("Truncate " + std::to_string(ply)); }
void KifuListLog::BeginUpdate() { calls_.push_back("Begin"); }
void KifuListLog::EndUpdate() { calls_.push_back("End"); }

void KifuListLog::SetCurrent(int ply) {
  calls_.push_back("Current " + std::to_string(ply));
  current_ = ply;
}

void KifuListLog::SetMark(int ply, int flags) {
  calls_.push_back("Mark " + std::to_string(ply) + " " + std::to_string(flags));
}

void KifuListLog::SetRowValue(int ply, int value) {
  calls_.push_back("RowValue " + std::to_string(ply) + " " + std::to_string(value));
}

int KifuListLog::GetCurrent() {
  calls_.push_back("Get");
  return current_;
}

std::vector<std::string> KifuListLog::Take(bool lineDetails) {
  std::vector<std::string> calls = std::exchange(calls_, {});
  if (!lineDetails) {
    for (std::string& call : calls) {
      if (call.starts_with("Line ")) call.erase(call.find('|'));
    }
  }
  return calls;
}
