// A kifu list observer for the tests that writes down every call a record
// makes on it, arguments included, in order.
#pragma once

#include <string>
#include <vector>

#include "app/kifu_list_observer.h"

// Each call as one text: "Clear", "Line ply|text|annotation|reading|value|
// flags|time", "RemoveLast", "Truncate ply", "Begin", "End", "Current ply",
// "Mark ply flags", "RowValue ply value", "Get". GetCurrent answers the
// last line selected, -1 before any.
class KifuListLog : public KifuListObserver {
 public:
  void Clear() override;
  void AddLine(int ply, const SjisString& text, const char* annotation, const SjisString& reading, int value, int flags,
               int time) override;
  void RemoveLast() override;
  void TruncateFrom(int ply) override;
  void BeginUpdate() override;
  void EndUpdate() override;
  void SetCurrent(int ply) override;
  void SetMark(int ply, int flags) override;
  void SetRowValue(int ply, int value) override;
  int GetCurrent() override;

  // The calls since the last Take, which starts a new log; without
  // lineDetails a line is only "Line ply".
  std::vector<std::string> Take(bool lineDetails = true);

 private:
  std::vector<std::string> calls_;
  int current_ = -1;
};
