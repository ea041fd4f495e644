#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> probing{false};
std::atomic<std::size_t> largestAllocation{0};

void* Allocate(std::size_t size)
{
    if (probing) {
        std::size_t seen = largestAllocation;
        while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
        }
    }
    return std::malloc(size ? size : 1);
}
} // namespace

TAllocationProbe::TAllocationProbe()
{
    largestAllocation = 0;
    probing = true;
}

TAllocationProbe::~TAllocationProbe() { probing = false; }

std::size_t TAllocationProbe::Largest() const { return largestAllocation; }

// Replacing the global operators is the one way to see what a reader
// allocates. (GCC takes the malloc and free below for a mismatch with new and
// delete.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size)
{
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
