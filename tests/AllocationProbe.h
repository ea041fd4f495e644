#pragma once
// The largest single allocation made through operator new while a probe is
// on, to see that a reader refuses a picture before it makes room for it.
// AllocationProbe.cpp replaces the global allocation functions for the whole
// test binary; they hand every request to malloc, so the sanitizers still
// watch the memory.

#include <cstddef>

class TAllocationProbe {
public:
    TAllocationProbe(); // on, nothing seen yet
    ~TAllocationProbe();
    TAllocationProbe(const TAllocationProbe&) = delete;
    TAllocationProbe& operator=(const TAllocationProbe&) = delete;

    std::size_t Largest() const;
};
