#include "MpResizableChunk.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "MpAlloc.h"
#include "MpException.h"

namespace {

const char kClass[] = "MpResizableChunk";

}  // namespace

MpResizableChunk::MpResizableChunk() noexcept : m_pBlock(nullptr), m_lSize(0) {}

MpResizableChunk::MpResizableChunk(int32_t lSize) : MpResizableChunk() { ResizeChunk(lSize, true, 0); }

MpResizableChunk::MpResizableChunk(int32_t lSize, char cFill) : MpResizableChunk() {
    ResizeChunk(lSize, true, cFill);
}

MpResizableChunk::MpResizableChunk(const MpResizableChunk& other) : MpResizableChunk() { *this = other; }

MpResizableChunk& MpResizableChunk::operator=(const MpResizableChunk& other) {
    if (this != &other) {
        ResizeChunk(other.m_lSize, false, 0);
        if (m_lSize > 0) std::memcpy(m_pBlock, other.m_pBlock, static_cast<std::size_t>(m_lSize));
    }
    return *this;
}

MpResizableChunk::~MpResizableChunk() { std::free(m_pBlock); }

MpResizableChunk* MpResizableChunk::Clone() const { return new MpResizableChunk(*this); }

void MpResizableChunk::Resize(int32_t lNewSize) {
    if (lNewSize == m_lSize) return;
    try {
        if (lNewSize < 0) MpException::RaiseFormatted("lNewSize, value %d, must be non-negative.", kClass, lNewSize);
        if (lNewSize == 0) {
            std::free(m_pBlock);
            m_pBlock = nullptr;
            m_lSize = 0;
            return;
        }
        void* pNew = nullptr;
        if (!(lNewSize > m_lSize && MpAllocationMustFail(lNewSize))) {
            pNew = std::realloc(m_pBlock, static_cast<std::size_t>(lNewSize));
        }
        if (pNew == nullptr) {
            // realloc left the old block in place: the chunk keeps its block and size.
            MpReleaseAllocationReserve();
            char message[128];
            std::snprintf(message, sizeof message, "Could not reallocate chunk - tried to allocate %d bytes.", lNewSize);
            throw MpMemoryException(message);
        }
        m_pBlock = static_cast<char*>(pNew);
        m_lSize = lNewSize;
    } catch (MpException& e) {
        e.AddCallpath("Resize()", kClass);
        throw;
    }
}

void MpResizableChunk::ResizeChunk(int32_t lSize, bool bFillAll, char cFill) {
    try {
        int32_t lOldSize = m_lSize;
        Resize(lSize);
        if (lSize != 0) {
            if (bFillAll) {
                std::memset(m_pBlock, cFill, static_cast<std::size_t>(lSize));
            } else if (lSize > lOldSize) {
                std::memset(m_pBlock + lOldSize, cFill, static_cast<std::size_t>(lSize - lOldSize));
            }
        }
    } catch (MpException& e) {
        e.AddCallpath("ResizeChunk()", kClass);
        throw;
    }
}

namespace {

[[noreturn]] void RaiseOffset(int32_t lOffset, int32_t lSize) {
    MpException::RaiseFormatted("index (value=%d) is out of range [%d, %d]", kClass, lOffset, 0, lSize - 1);
}

}  // namespace

template <>
char* MpResizableChunk::AsPtrAtOffset<char>(int32_t lOffset) const {
    try {
        if (lOffset < 0 || lOffset >= m_lSize) RaiseOffset(lOffset, m_lSize);
        return m_pBlock + lOffset;
    } catch (MpException& e) {
        e.AddCallpath("AsPtrAtOffset<char>()", kClass);
        throw;
    }
}

template <>
void* MpResizableChunk::AsPtrAtOffset<void>(int32_t lOffset) const {
    try {
        if (lOffset < 0 || lOffset >= m_lSize) RaiseOffset(lOffset, m_lSize);
        return m_pBlock + lOffset;
    } catch (MpException& e) {
        e.AddCallpath("AsPtrAtOffset<void>()", kClass);
        throw;
    }
}

void MpResizableChunk::CheckEmpty(bool bMustBeEmpty) const {
    if (bMustBeEmpty && m_lSize != 0) MpException::Raise("chunk must be empty", kClass);
    if (!bMustBeEmpty && m_lSize == 0) MpException::Raise("chunk must not be empty", kClass);
}

void MpResizableChunk::CopyRange(const MpResizableChunk& source, int32_t lCount, int32_t lSourceOffset,
                                 int32_t lDestinationOffset) {
    if (lDestinationOffset < 0) RaiseOffset(lDestinationOffset, m_lSize);
    if (lSourceOffset < 0 || lSourceOffset > source.m_lSize) RaiseOffset(lSourceOffset, source.m_lSize);
    int32_t lAvailable = source.m_lSize - lSourceOffset;
    int32_t lCopy = lCount < lAvailable ? lCount : lAvailable;
    if (lCopy <= 0) return;
    if (static_cast<int64_t>(m_lSize) - lDestinationOffset < lCopy) {
        // Sizes are signed 32-bit: a sum past 2^31 - 1 wraps negative and Resize refuses it.
        ResizeChunk(static_cast<int32_t>(static_cast<uint32_t>(lDestinationOffset) + static_cast<uint32_t>(lCopy)),
                    false, 0);
    }
    // source may be this chunk, whose block the growth above may have moved: read it now.
    std::memmove(m_pBlock + lDestinationOffset, source.m_pBlock + lSourceOffset, static_cast<std::size_t>(lCopy));
}

void MpResizableChunk::Swap(MpResizableChunk& other) noexcept {
    std::swap(m_pBlock, other.m_pBlock);
    std::swap(m_lSize, other.m_lSize);
}
