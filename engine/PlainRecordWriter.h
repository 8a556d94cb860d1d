// PlainRecordWriter: writes records to an uncompressed file through MpIO.
//
// The file is created when missing, but never emptied: the writer writes from its start, and
// the caller empties an existing file first, under its lock (ConversionFiles). Write failures
// (a full disk among them) come from MpIO as MpException. The writer owns its MpIO.
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
