// SjisStringList: appending through the block chain, lookup by index,
// clearing, and deep copies.
#include "records/sjis_string_list.h"

#include <new>
#include <utility>

SjisStringList::SjisStringList(const SjisStringList& other) { AppendAllFrom(other); }

SjisStringList::SjisStringList(SjisStringList&& other) noexcept { *this = std::move(other); }

SjisStringList& SjisStringList::operator=(const SjisStringList& other) {
  if (this == &other) return *this;
  Clear();
  AppendAllFrom(other);
  return *this;
}

SjisStringList& SjisStringList::operator=(SjisStringList&& other) noexcept {
  if (this == &other) return *this;
  Clear();
  first_.count = other.first_.count;
  first_.next = other.first_.next;
  for (int slot = 0; slot < other.first_.count; ++slot) {
    first_.strings[slot] = std::move(other.first_.strings[slot]);
  }
  other.first_.count = 0;
  other.first_.next = nullptr;
  return *this;
}

SjisStringList::~SjisStringList() { Clear(); }

void SjisStringList::Clear() {
  Block* block = first_.next;
  while (block != nullptr) {
    Block* next = block->next;
    delete block;
    block = next;
  }
  for (int slot = 0; slot < first_.count; ++slot) first_.strings[slot].Clear();
  first_.count = 0;
  first_.next = nullptr;
}

void SjisStringList::AppendAllFrom(const SjisStringList& other) {
  for (const Block* block = &other.first_; block != nullptr; block = block->next) {
    for (int slot = 0; slot < block->count; ++slot) Append(block->strings[slot]);
  }
}

SjisString* SjisStringList::Append(const SjisString& source) {
  Block* last = &first_;
  while (last->next != nullptr) last = last->next;
  if (last->count == STRINGS_PER_BLOCK) {
    // Blocks already in the chain stay where they are, so `source` may be
    // one of this list's own strings.
    Block* added = new (std::nothrow) Block;
    if (added == nullptr) return nullptr;
    last->next = added;
    last = added;
  }
  SjisString& slot = last->strings[last->count];
  if (!slot.Assign(source)) return nullptr;  // an added block stays, empty
  ++last->count;
  return &slot;
}

const SjisString& SjisStringList::At(int index) const {
  if (index < 0) return SjisString::Empty();
  for (const Block* block = &first_; block != nullptr; block = block->next) {
    if (index < block->count) return block->strings[index];
    index -= block->count;
  }
  return SjisString::Empty();
}

int SjisStringList::Count() const {
  int count = 0;
  for (const Block* block = &first_; block != nullptr; block = block->next) count += block->count;
  return count;
}
