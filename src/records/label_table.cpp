// The label table of the KIF writer and reader: names to position nodes for
// the reader, position nodes to names for the writer, in sorted chains.
#include <cstring>

#include "records/kif_format.h"

namespace {

char* CopyName(const char* name) {
  const size_t length = std::strlen(name);
  char* copy = new char[length + 1];
  std::memcpy(copy, name, length + 1);
  return copy;
}

// The key of a value: a node's address folded to 32 bits. Entries keyed by
// value still compare the whole value, so two addresses that fold alike
// never stand for each other.
uint32_t ValueKey(intptr_t value) {
  const auto bits = static_cast<uint64_t>(value);
  return static_cast<uint32_t>(bits ^ (bits >> 32));
}

}  // namespace

LabelTable::LabelTable(int buckets)
    : bucketCount_(buckets < 1 ? 1 : buckets), heads_(new LabelEntry*[static_cast<size_t>(bucketCount_)]()) {}

LabelTable::~LabelTable() {
  Clear();
  delete[] heads_;
}

void LabelTable::Clear() {
  for (int bucket = 0; bucket < bucketCount_; ++bucket) {
    for (LabelEntry* entry = heads_[bucket]; entry != nullptr;) {
      LabelEntry* next = entry->next;
      delete[] entry->name;
      delete entry;
      entry = next;
    }
    heads_[bucket] = nullptr;
  }
  count_ = 0;
}

uint32_t LabelTable::LabelKey(const char* name) {
  uint32_t key = 0, chunk = 0;
  int inChunk = 0;
  for (const char* p = name; *p != '\0'; ++p) {
    chunk = (chunk << 8) | static_cast<unsigned char>(*p);
    if (++inChunk == 4) {
      key ^= chunk;
      chunk = 0;
      inChunk = 0;
    }
  }
  if (inChunk > 0) key ^= chunk << (8 * (3 - inChunk));
  return key;
}

// Chains are sorted by key; a name (or, by value, a value) already present
// under the key refuses the new entry.
int LabelTable::InsertEntry(uint32_t key, const char* name, intptr_t value, bool byValue) {
  LabelEntry** link = &Bucket(key);
  while (*link != nullptr && (*link)->key < key) link = &(*link)->next;
  for (LabelEntry* entry = *link; entry != nullptr && entry->key == key; entry = entry->next) {
    if (byValue ? entry->value == value : std::strcmp(entry->name, name) == 0) return -1;
  }
  *link = new LabelEntry{key, CopyName(name), value, *link};
  ++count_;
  return 0;
}

int LabelTable::Insert(const char* name, intptr_t value) {
  if (name == nullptr) return -1;
  return InsertEntry(LabelKey(name), name, value, false);
}

intptr_t LabelTable::Find(const char* name) const {
  if (name == nullptr) return 0;
  const uint32_t key = LabelKey(name);
  for (const LabelEntry* entry = Bucket(key); entry != nullptr && entry->key <= key; entry = entry->next) {
    if (entry->key == key && std::strcmp(entry->name, name) == 0) return entry->value;
  }
  return 0;
}

int LabelTable::InsertByValue(const char* name, intptr_t value) {
  if (name == nullptr) return -1;
  return InsertEntry(ValueKey(value), name, value, true);
}

const char* LabelTable::FindByValue(intptr_t value) const {
  const uint32_t key = ValueKey(value);
  for (const LabelEntry* entry = Bucket(key); entry != nullptr && entry->key <= key; entry = entry->next) {
    if (entry->key == key && entry->value == value) return entry->name;
  }
  return nullptr;
}

void LabelTable::RemoveIf(const std::function<bool(intptr_t value)>& drop) {
  if (count_ == 0) return;
  for (int bucket = 0; bucket < bucketCount_; ++bucket) {
    for (LabelEntry** link = &heads_[bucket]; *link != nullptr;) {
      LabelEntry* entry = *link;
      if (!drop(entry->value)) {
        link = &entry->next;
        continue;
      }
      *link = entry->next;
      delete[] entry->name;
      delete entry;
      --count_;
    }
  }
}
