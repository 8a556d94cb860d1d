// GuardedPage: a page of memory between two that cannot be touched, so that a read past either
// end of it faults.
#pragma once

#include <cstddef>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace lathwell {

class GuardedPage {
public:
    static constexpr size_t kSize = 4096;

    GuardedPage() {
#ifdef _WIN32
        m_pages = static_cast<char*>(VirtualAlloc(nullptr, 3 * kSize, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
        DWORD before = 0;
        if (m_pages == nullptr || !VirtualProtect(Begin(), kSize, PAGE_READWRITE, &before)) {
#else
        void* pages = mmap(nullptr, 3 * kSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        m_pages = pages == MAP_FAILED ? nullptr : static_cast<char*>(pages);
        if (m_pages == nullptr || mprotect(Begin(), kSize, PROT_READ | PROT_WRITE) != 0) {
#endif
            throw std::runtime_error("cannot map a guarded page");
        }
    }
    ~GuardedPage() {
#ifdef _WIN32
        VirtualFree(m_pages, 0, MEM_RELEASE);
#else
        munmap(m_pages, 3 * kSize);
#endif
    }
    GuardedPage(const GuardedPage&) = delete;
    GuardedPage& operator=(const GuardedPage&) = delete;

    char* Begin() const { return m_pages + kSize; }
    char* End() const { return m_pages + 2 * kSize; }

private:
    char* m_pages;
};

}  // namespace lathwell
