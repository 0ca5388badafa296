// The kifu list window as the record sees it: a Kifu mirrors its selected
// line through these calls. The view implements them.
#pragma once

#include "charset.h"
#include "records/sjis_string.h"

// Flags of AddLine.
inline constexpr int KIFU_LINE_COMMENT = 0x1;  // the move's comment has text
inline constexpr int KIFU_LINE_BRANCH = 0x2;   // the position before the move has several moves
inline constexpr int KIFU_LINE_MERGED = 0x4;   // the position after the move is reached by several moves

// Mark bits of SetMark.
inline constexpr int KIFU_MARK_COMMENT = 0x1;
inline constexpr int KIFU_MARK_BRANCH = 0x2;

class KifuListObserver {
 public:
  virtual ~KifuListObserver() = default;
  // Removes every line.
  virtual void Clear() = 0;
  // Appends the line of one move: ply, "ply：move" text, annotation label
  // ("" for none), the reading text, value (32767 none), KIFU_LINE_* flags
  // and the consumed time in seconds (-1 for the start line).
  virtual void AddLine(int ply, const SjisString& text, const char* annotation, const SjisString& reading, int value,
                       int flags, int time) = 0;
  // Removes the last line.
  virtual void RemoveLast() = 0;
  // Removes every line from index ply on.
  virtual void TruncateFrom(int ply) = 0;
  // Drawing off before a rebuild.
  virtual void BeginUpdate() = 0;
  // Drawing on after a rebuild.
  virtual void EndUpdate() = 0;
  // Selects a line.
  virtual void SetCurrent(int ply) = 0;
  // Sets a line's KIFU_MARK_* bits.
  virtual void SetMark(int ply, int flags) = 0;
  // Sets a line's value.
  virtual void SetRowValue(int ply, int value) = 0;
  // The selected line, or -1.
  virtual int GetCurrent() = 0;
};
