// PlainRecordWriter: writes records to an uncompressed file through MpIO.
//
// The file is created or emptied when the writer is made (open flags 27: IO_READ, IO_WRITE,
// IO_CREATE, IO_TRUNCATE). Write failures (a full disk among them) come from MpIO as
// MpException. The writer owns its MpIO.
#pragma once

#include <memory>

#include "RecordWriter.h"

class MpIO;

namespace lathwell {

class PlainRecordWriter : public RecordWriter {
public:
    // REQUIRES: recordLength > 0.
    PlainRecordWriter(const char* fileName, int32_t recordLength);
    ~PlainRecordWriter() override;

protected:
    void WriteBlock(const char* bytes, int64_t count) override;
    void CloseFile() override;

private:
    std::unique_ptr<MpIO> m_io;
};

}  // namespace lathwell
