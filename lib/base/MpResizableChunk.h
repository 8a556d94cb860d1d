// MpResizableChunk: a heap block with a byte size, obtained from the C allocator
// (realloc/free). The block is null whenever the size is 0. The chunk owns its block; copies
// are deep. Used as the storage of MpString and as a record buffer elsewhere in the library.
//
// Failures raise MpException with class name "MpResizableChunk"; a failed reallocation raises
// MpMemoryException and leaves the chunk with its old block and size.
#pragma once

#include <cstdint>

class MpResizableChunk {
public:
    // Size 0, no block.
    MpResizableChunk() noexcept;
    // A block of lSize bytes, every byte 0.
    explicit MpResizableChunk(int32_t lSize);
    // A block of lSize bytes, every byte cFill.
    MpResizableChunk(int32_t lSize, char cFill);
    MpResizableChunk(const MpResizableChunk& other);
    // Nothing when other is this chunk; otherwise ResizeChunk(other's size, false, 0) and a copy
    // of all of other's bytes.
    MpResizableChunk& operator=(const MpResizableChunk& other);
    virtual ~MpResizableChunk();
    // A new heap chunk with an equal size and equal bytes.
    virtual MpResizableChunk* Clone() const;

    // Reallocates the block to exactly lNewSize bytes, keeping the leading bytes; bytes added by
    // growth are not initialised. Size 0 frees the block. Equal size: nothing happens.
    // Raises "lNewSize, value %d, must be non-negative." for lNewSize < 0, and MpMemoryException
    // "Could not reallocate chunk - tried to allocate %d bytes." (after releasing the allocation
    // reserve) when no memory is available; in both cases the chunk is unchanged.
    // Call-path entry: "Resize()".
    void Resize(int32_t lNewSize);

    // Resize, then with bFillAll sets every byte to cFill, without it only the bytes added by
    // growth. Call-path entry: "ResizeChunk()".
    void ResizeChunk(int32_t lSize, bool bFillAll, char cFill);

    // Pointer to the first byte (null when the size is 0); no range test.
    char* AsPtr() noexcept { return m_pBlock; }
    const char* AsPtr() const noexcept { return m_pBlock; }

    // Pointer to byte lOffset with a range test 0 <= lOffset < size; outside raises
    // "index (value=%d) is out of range [%d, %d]" (lOffset, 0, size - 1). Instantiated for char
    // and void only; call-path entries "AsPtrAtOffset<char>()" and "AsPtrAtOffset<void>()".
    template <class T>
    T* AsPtrAtOffset(int32_t lOffset) const;

    int32_t GetSize() const noexcept { return m_lSize; }

    // With bMustBeEmpty raises "chunk must be empty" unless the size is 0; without it raises
    // "chunk must not be empty" when the size is 0.
    void CheckEmpty(bool bMustBeEmpty) const;

    // Copies min(lCount, source size - lSourceOffset) bytes from source at lSourceOffset to this
    // chunk at lDestinationOffset, first growing this chunk with
    // ResizeChunk(lDestinationOffset + that count, false, 0) when fewer bytes remain after
    // lDestinationOffset. The ranges may overlap (source may be this chunk).
    // REQUIRES: 0 <= lSourceOffset <= source size, lDestinationOffset >= 0, lCount >= 0.
    void CopyRange(const MpResizableChunk& source, int32_t lCount, int32_t lSourceOffset,
                   int32_t lDestinationOffset);

    // Exchanges blocks and sizes with other (never fails).
    void Swap(MpResizableChunk& other) noexcept;

private:
    char* m_pBlock;
    int32_t m_lSize;
};

template <>
char* MpResizableChunk::AsPtrAtOffset<char>(int32_t lOffset) const;
template <>
void* MpResizableChunk::AsPtrAtOffset<void>(int32_t lOffset) const;
