#include "DescriptorRecordWriter.h"

#include "MpException.h"

namespace lathwell {

DescriptorRecordWriter::DescriptorRecordWriter(int descriptor, const char* description, int32_t recordLength)
    : RecordWriter(recordLength), m_descriptor(descriptor), m_description(description) {}

DescriptorRecordWriter::~DescriptorRecordWriter() {
    CloseQuietly();
}

bool DescriptorRecordWriter::IsFile(const char* fileName) const {
    return m_descriptor.IsSameFile(fileName);
}

void DescriptorRecordWriter::WriteBlock(const char* bytes, int64_t count) {
    if (!m_descriptor.Write(bytes, count)) {
        MpException::RaiseFormattedWithSystemError("Writing to %s failed -- ", false, "DescriptorRecordWriter",
                                                   m_description.GetCString());
    }
}

}  // namespace lathwell
