// GzipRecordWriter: writes records to a gzip-compressed file through zlib (gzopen "wb", zlib's
// default level and strategy).
//
// Every zlib failure is raised as MpException naming the file, so the run reports it like any
// other failure: a file that cannot be created, a gzwrite that fails or takes fewer bytes than
// given (a full disk among them), and a gzclose that fails (the last compressed bytes are
// stored only then). The writer owns its zlib handle.
#pragma once

#include <zlib.h>

#include "MpString.h"
#include "RecordWriter.h"

namespace lathwell {

class GzipRecordWriter : public RecordWriter {
public:
    // REQUIRES: recordLength > 0.
    GzipRecordWriter(const char* fileName, int32_t recordLength);
    ~GzipRecordWriter() override;

protected:
    void WriteBlock(const char* bytes, int64_t count) override;
    void CloseFile() override;

private:
    MpString m_fileName;
    gzFile m_file;
};

}  // namespace lathwell
