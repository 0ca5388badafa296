// What the record commands tell a person about a read: a refused input on
// one line, or a read that stopped early, with the exit status for each.
#pragma once

#include <string>

#include "records/read_report.h"

// Exit status of a command whose input was not read to its end.
inline constexpr int KIFU_EXIT_INCOMPLETE = 3;

// "FILE:LINE: REASON" (no line when none is at fault), in UTF-8.
std::string RefusalMessage(const std::string& file, const ReadReport& report);
// After the record was shown or written: for a read that stopped early,
// prints "kifu: FILE:LINE: stopped reading at '...': REASON; the moves after
// it are not in the record" to stderr and returns 3; for a read that passed
// over lines of moves, "kifu: FILE:LINE: skipped '...': REASON (and N more
// lines); they are not in the record" and 3; else returns 0.
int ReadOutcomeStatus(const std::string& file, const ReadReport& report);
