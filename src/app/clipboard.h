// The clipboard as the document sees it: text in, text out. The desktop's
// own clipboard is not part of this program; the kifu command fills this
// one from standard input and empties it to standard output.
#pragma once

#include "charset.h"
#include "records/sjis_string.h"

class Clipboard {
 public:
  // Replaces the text on the clipboard.
  void SetText(const SjisString& text) { text_ = text; }
  // The text on the clipboard; empty when nothing was put there.
  const SjisString& Text() const { return text_; }

 private:
  SjisString text_;
};
