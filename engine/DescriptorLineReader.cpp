#include "DescriptorLineReader.h"

#include "ReadFailure.h"

namespace lathwell {

DescriptorLineReader::DescriptorLineReader(int descriptor, const char* description, bool blankUnprintable)
    : LineReader(LoneCarriageReturn::Refused, blankUnprintable),
      m_descriptor(descriptor),
      m_description(description),
      m_size(m_descriptor.GetBytesLeft()) {}

bool DescriptorLineReader::IsFile(const char* fileName) const {
    return m_descriptor.IsSameFile(fileName);
}

int32_t DescriptorLineReader::ReadBlock(char* destination, int32_t capacity) {
    int32_t got = m_descriptor.Read(destination, capacity);
    if (got < 0) {
        RaiseReadFailure(m_description.GetCString());
    }
    return got;
}

}  // namespace lathwell
