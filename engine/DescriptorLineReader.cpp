#include "DescriptorLineReader.h"

#include "MpException.h"
#include "MpPlatformFile.h"
#include "SameFile.h"

namespace lathwell {

namespace {

// What is left to read of a file from where the descriptor stands; a pipe or a device has no
// size (0), and one that cannot be positioned has no place to count from.
int64_t BytesLeft(int descriptor) {
    int64_t size = MpPlatformFileSize(descriptor);
    int64_t position = MpPlatformFileSeek(descriptor, 0, kMpSeekFromCurrent);
    return size > 0 && position >= 0 && position < size ? size - position : 0;
}

}  // namespace

DescriptorLineReader::DescriptorLineReader(int descriptor, const char* description, bool blankUnprintable)
    : LineReader(LoneCarriageReturn::Refused, blankUnprintable),
      m_descriptor(descriptor),
      m_description(description),
      m_size(BytesLeft(descriptor)) {}

bool DescriptorLineReader::IsFile(const char* fileName) const {
    return IsSameFile(m_descriptor, fileName);
}

int32_t DescriptorLineReader::ReadBlock(char* destination, int32_t capacity) {
    int64_t got = MpPlatformFileRead(m_descriptor, destination, capacity);
    if (got < 0) {
        MpException::RaiseFormatted("Reading %s failed", "DescriptorLineReader", m_description.GetCString());
    }
    return static_cast<int32_t>(got);
}

}  // namespace lathwell
