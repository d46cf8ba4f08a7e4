#pragma once
// Counts the heap allocations a thread makes: the program that links
// alloc_count.cpp replaces the global operator new with one that counts,
// for the threads that asked, every allocation it serves. Used by the
// driver's bench and by the test that guards the driver's allocations.
namespace tavirel::bench {

/// While one lives, the allocations of the thread that made it are counted.
/// Not nested; one per thread at a time.
class AllocationCount {
 public:
  AllocationCount();
  ~AllocationCount();
  AllocationCount(const AllocationCount&) = delete;
  AllocationCount& operator=(const AllocationCount&) = delete;
  /// Allocations counted so far.
  [[nodiscard]] long Taken() const;
};

/// While one lives, the allocations of the thread that made it are not
/// counted: work of others done on that thread (a port's, a far end's).
class AllocationPause {
 public:
  AllocationPause();
  ~AllocationPause();
  AllocationPause(const AllocationPause&) = delete;
  AllocationPause& operator=(const AllocationPause&) = delete;

 private:
  bool was_counting_;
};

}  // namespace tavirel::bench
