// The library's allocation routine, its 32000-byte reserve, and MpAllocator.
//
// MpAllocate turns every allocation failure into an MpMemoryException and keeps a small
// process-wide reserve of memory whose only purpose is to be freed just before that exception
// is raised, so the code that handles it has some memory to work with. The reserve is created
// by the first successful MpAllocate, released before every MpMemoryException (also by
// MpResizableChunk::Resize), re-created by the next successful MpAllocate, and released by the
// library shutdown (MpReleaseAllocationReserve). Not thread-safe: the library runs on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <type_traits>

// Size of the allocation reserve in bytes.
constexpr int32_t kMpAllocationReserveSize = 32000;

// Returns a new byte array of lSize bytes, released with delete[]. A non-empty block has its
// first byte set to 0 (so it starts out as an empty C string). lSize 0 gives a valid block of no
// bytes. Raises MpMemoryException (no class name, empty call path) with
//   "Bad memory allocation request - tried to allocate %d bytes." when lSize < 0,
//   "Out of memory - tried to allocate %d bytes." when the block or the reserve cannot be had;
// the reserve is released before either is raised.
char* MpAllocate(int32_t lSize);

// Frees the allocation reserve if it is held (the library shutdown calls this).
void MpReleaseAllocationReserve() noexcept;

// True while the allocation reserve is held (for tests).
bool MpHasAllocationReserve() noexcept;

// Test seam: makes the library's heap requests fail on purpose, so that tests reach the
// out-of-memory paths deterministically. While an object of this class lives, every request
// of MpAllocate (the block and the reserve) and every growth of MpResizableChunk::Resize
// whose size is at least llMinimumSize fails as if the heap were exhausted. Scopes nest; the
// destructor restores the previous setting, so no test leaks the setting into the next one.
class MpAllocationFailureScope {
public:
    explicit MpAllocationFailureScope(int64_t llMinimumSize);
    ~MpAllocationFailureScope();
    MpAllocationFailureScope(const MpAllocationFailureScope&) = delete;
    MpAllocationFailureScope& operator=(const MpAllocationFailureScope&) = delete;

private:
    int64_t m_llPrevious;
};

// True when the test seam above says that a heap request of llSize bytes must fail.
// Used by MpAllocate and MpResizableChunk::Resize; nothing else needs it.
bool MpAllocationMustFail(int64_t llSize) noexcept;

// A standard allocator without state. Allocating n elements calls MpAllocate(n * sizeof(T));
// deallocating uses delete[]. Failures raise MpMemoryException (also a std::bad_alloc).
// REQUIRES: alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__.
template <class T>
class MpAllocator {
public:
    using value_type = T;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using propagate_on_container_move_assignment = std::true_type;
    using is_always_equal = std::true_type;

    MpAllocator() noexcept = default;
    template <class U>
    MpAllocator(const MpAllocator<U>&) noexcept {}

    T* allocate(size_type n) {
        if (n > max_size()) throw std::bad_array_new_length();
        return reinterpret_cast<T*>(MpAllocate(static_cast<int32_t>(n * sizeof(T))));
    }
    void deallocate(T* p, size_type) noexcept { delete[] reinterpret_cast<char*>(p); }
    size_type max_size() const noexcept {
        return static_cast<size_type>(std::numeric_limits<int32_t>::max()) / sizeof(T);
    }

    template <class U>
    bool operator==(const MpAllocator<U>&) const noexcept { return true; }
    template <class U>
    bool operator!=(const MpAllocator<U>&) const noexcept { return false; }
};
