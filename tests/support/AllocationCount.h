// Counts the heap allocations the calling thread makes while one of these
// lives, to show that a real-time path allocates nothing. A program that uses
// it gets counting forms of operator new and posix_memalign (what C++ code
// and the audio libraries allocate with).
#pragma once

class AllocationCount {
 public:
  AllocationCount();
  ~AllocationCount();
  AllocationCount(const AllocationCount&) = delete;
  AllocationCount& operator=(const AllocationCount&) = delete;

  int Seen() const;
};
