// PlainRecordWriter: writes records to an uncompressed file through the MpIO it is given.
//
// The writer writes from the file's start and never opens, creates or empties it: the caller
// opened it (and, for a regular file, emptied it under its lock; see ConversionFiles), so the
// file written is the one the caller checked, whatever happens to its name meanwhile. Write
// failures (a full disk among them) come from MpIO as MpException. The writer owns its MpIO and
// closes it last, so a lock the file holds lasts until everything is stored.
#pragma once

#include <memory>

#include "RecordWriter.h"

class MpIO;

namespace lathwell {

class PlainRecordWriter : public RecordWriter {
public:
    // ownsFile: the caller created or emptied the file for this writer, so Abandon may remove it.
    // REQUIRES: file is open for writing; recordLength > 0.
    PlainRecordWriter(std::unique_ptr<MpIO> file, bool ownsFile, int32_t recordLength);
    ~PlainRecordWriter() override;

protected:
    void WriteBlock(const char* bytes, int64_t count) override;
    void CloseFile() override;
    void RemoveOwnFile() override;
    void AbandonFile() noexcept override;

private:
    std::unique_ptr<MpIO> m_io;
    const bool m_ownsFile;
};

}  // namespace lathwell
