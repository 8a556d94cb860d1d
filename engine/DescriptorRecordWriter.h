// DescriptorRecordWriter: writes records to a descriptor that is already open, such as standard
// output, as the run produces them rather than after it.
//
// Records reach the descriptor in the writer's large blocks, never one by one. A write that
// stores fewer bytes than given raises MpException ("Writing to <description> failed --
// <system reason>"): a full device, or a pipe whose reader has gone when the process ignores
// SIGPIPE (otherwise the signal ends the process first). Closing stores the last block and leaves the descriptor open: it
// belongs to the caller, and nothing written to it is ever taken back.
#pragma once

#include "MpIODescriptor.h"
#include "MpString.h"
#include "RecordWriter.h"

namespace lathwell {

class DescriptorRecordWriter : public RecordWriter {
public:
    // description names the output in failure messages, e.g. "standard output".
    // REQUIRES: recordLength > 0.
    DescriptorRecordWriter(int descriptor, const char* description, int32_t recordLength);
    ~DescriptorRecordWriter() override;

    // True when the descriptor writes fileName, such as standard output redirected into it.
    bool IsFile(const char* fileName) const override;

protected:
    void WriteBlock(const char* bytes, int64_t count) override;
    void CloseFile() override {}

private:
    const MpIODescriptor m_descriptor;
    const MpString m_description;
};

}  // namespace lathwell
