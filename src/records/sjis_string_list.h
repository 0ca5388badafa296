// SjisStringList: an append-only list of strings kept in a chain of blocks of
// sixteen, the first block inside the list object; used for the extra header
// lines of a record. Strings never move once stored.
#pragma once

#include "charset.h"
#include "records/sjis_string.h"

class SjisStringList {
 public:
  static constexpr int STRINGS_PER_BLOCK = 16;

  // An empty list; allocates nothing.
  SjisStringList() = default;
  // A deep copy; strings that cannot be copied for lack of memory are left out.
  SjisStringList(const SjisStringList& other);
  // Takes over the other's strings and blocks and leaves the other empty.
  SjisStringList(SjisStringList&& other) noexcept;
  // Replaces the contents by a deep copy of the other's.
  SjisStringList& operator=(const SjisStringList& other);
  // Takes over the other's strings and blocks and leaves the other empty.
  SjisStringList& operator=(SjisStringList&& other) noexcept;
  // Frees the following blocks and every string.
  ~SjisStringList();

  // Copies the string into the first free slot, adding a block when the last
  // is full; the stored copy, or null when memory ran out (list unchanged).
  SjisString* Append(const SjisString& source);
  // The string at a zero-based index, or SjisString::Empty() when the index
  // is negative or not below Count().
  const SjisString& At(int index) const;
  // The number of strings stored.
  int Count() const;
  // Frees the following blocks and every string; the count becomes 0.
  void Clear();

 private:
  struct Block {
    int count = 0;
    Block* next = nullptr;
    SjisString strings[STRINGS_PER_BLOCK];
  };

  void AppendAllFrom(const SjisStringList& other);

  Block first_;
};
