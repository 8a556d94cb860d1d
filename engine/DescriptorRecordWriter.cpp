#include "DescriptorRecordWriter.h"

#include "MpException.h"
#include "MpPlatformFile.h"
#include "SameFile.h"

namespace lathwell {

DescriptorRecordWriter::DescriptorRecordWriter(int descriptor, const char* description, int32_t recordLength)
    : RecordWriter(recordLength), m_descriptor(descriptor), m_description(description) {}

DescriptorRecordWriter::~DescriptorRecordWriter() {
    CloseQuietly();
}

bool DescriptorRecordWriter::IsFile(const char* fileName) const {
    return IsSameFile(m_descriptor, fileName);
}

void DescriptorRecordWriter::WriteBlock(const char* bytes, int64_t count) {
    if (MpPlatformFileWrite(m_descriptor, bytes, count) != count) {
        MpException::RaiseFormatted("Writing to %s failed", "DescriptorRecordWriter", m_description.GetCString());
    }
}

}  // namespace lathwell
