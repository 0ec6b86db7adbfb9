#include "tests/alloc_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

static std::atomic<long> Allocations{0};

long AllocationCount() { return Allocations.load(); }

void *operator new(std::size_t Size) {
  Allocations++;
  if (void *p = std::malloc(Size ? Size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
