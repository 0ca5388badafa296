// The CSA move lines, which the RVQ format carries between its "$" lines
// as well.
#pragma once

#include "records/kifu.h"
#include "records/record_stream.h"

// Writes the main line (the first continuation of each position): a line
// "+7776FU,T12,'" for each ordinary move (side, squares with "00" for a
// drop, the piece after the move, the seconds) and the result line of
// each marker CSA keeps. 0, or -1 when a write failed.
int WriteCsaMainLine(const Kifu& kifu, OutStream& out);
