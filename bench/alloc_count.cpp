#include "alloc_count.hpp"

#include <cstdlib>
#include <new>

namespace tavirel::bench {
namespace {

thread_local bool counting = false;
thread_local long counted = 0;

void* Allocate(std::size_t size) {
  if (counting) ++counted;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void* AllocateAligned(std::size_t size, std::align_val_t align) {
  if (counting) ++counted;
  const auto alignment = static_cast<std::size_t>(align);
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
  if (void* p = std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded)) return p;
  throw std::bad_alloc();
}

}  // namespace

AllocationCount::AllocationCount() {
  counted = 0;
  counting = true;
}

AllocationCount::~AllocationCount() { counting = false; }

long AllocationCount::Taken() const { return counted; }

AllocationPause::AllocationPause() : was_counting_(counting) { counting = false; }

AllocationPause::~AllocationPause() { counting = was_counting_; }

}  // namespace tavirel::bench

void* operator new(std::size_t size) { return tavirel::bench::Allocate(size); }
void* operator new[](std::size_t size) { return tavirel::bench::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return tavirel::bench::Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void* operator new(std::size_t size, std::align_val_t align) {
  return tavirel::bench::AllocateAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align) {
  return tavirel::bench::AllocateAligned(size, align);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
