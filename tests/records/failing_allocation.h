// Lets a test make the next nothrow allocations fail, to check what the
// record classes do when memory runs out. Replaces the global nothrow
// operator new and new[], so include it in exactly one file of a test program.
#pragma once

#include <cstddef>
#include <new>

namespace failing_allocation {
// Nothrow allocations to let through before failing; -1 lets all through.
inline int g_allowedBeforeFailure = -1;

inline bool NextShouldFail() {
  if (g_allowedBeforeFailure < 0) return false;
  if (g_allowedBeforeFailure == 0) return true;
  --g_allowedBeforeFailure;
  return false;
}

// Fails nothrow allocations after `allowed` more have succeeded, while alive.
class Scope {
 public:
  explicit Scope(int allowed) { g_allowedBeforeFailure = allowed; }
  ~Scope() { g_allowedBeforeFailure = -1; }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};
}  // namespace failing_allocation

// Successful allocations come from the ordinary operators, so the matching
// deletes (and the sanitizer's bookkeeping) are unchanged.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (failing_allocation::NextShouldFail()) return nullptr;
  try {
    return ::operator new(size);
  } catch (...) {
    return nullptr;
  }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (failing_allocation::NextShouldFail()) return nullptr;
  try {
    return ::operator new[](size);
  } catch (...) {
    return nullptr;
  }
}
