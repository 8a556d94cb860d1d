// GzipRecordWriter: writes records to a gzip-compressed file, at a compression level from 1 to
// 9 (zlib's default level unless told) and zlib's default strategy, as one gzip member.
//
// With one thread and a zlib level the records go through zlib's gzwrite on the caller's
// thread. With more, or at ISA-L's levels (see ParallelGzipCompressor), a
// ParallelGzipCompressor deflates them on that many worker threads, and the member it builds is
// written through a transparent zlib handle ("wbT"), so the file is written and closed by the
// same calls and fails with the same messages either way. zlib writes through a copy of the
// descriptor of the file the writer was given (gzdopen): the file is never opened again by
// name, so a name replaced meanwhile (a symbolic link put in its place) is never written to.
//
// Every failure is raised as MpException naming the file, so the run reports it like any
// other failure: a file that cannot be created, a write that fails or takes fewer bytes than
// given (a full disk among them), a failure of zlib, and a close that fails (the last
// compressed bytes are stored only then). The writer owns its zlib handle and its compressor;
// no worker thread outlives Close or the writer.
#pragma once

#include <memory>

#include <zlib.h>

#include "MpIO.h"
#include "MpString.h"
#include "ParallelGzipCompressor.h"
#include "RecordWriter.h"

namespace lathwell {

class GzipRecordWriter : public RecordWriter, private CompressedOutput {
public:
    // threads: 1 compresses on the caller's thread, byte for byte as zlib's gzwrite always
    // has (at ISA-L's levels on one worker thread); more use that many worker threads; 0 as
    // many as the machine has cores.
    // REQUIRES: recordLength > 0, threads >= 0, level from kFastestGzipLevel to kSmallestGzipLevel.
    // Writes into the open file from its start; the writer owns it and closes it last, so a lock
    // the file holds lasts until everything is stored. ownsFile: the caller created or emptied
    // the file for this writer, so Abandon may remove it.
    GzipRecordWriter(std::unique_ptr<MpIO> file, bool ownsFile, int32_t recordLength, int threads = 1,
                     int level = kDefaultGzipLevel);
    // Creates or empties the named file and writes into it; a file that cannot be created
    // raises "Could not create compressed file \"<name>\" -- <system reason>".
    GzipRecordWriter(const char* fileName, int32_t recordLength, int threads = 1, int level = kDefaultGzipLevel);
    ~GzipRecordWriter() override;

    void ShareStop(std::shared_ptr<const RunStop> stop) override;

protected:
    void WriteBlock(const char* bytes, int64_t count) override;
    void CloseFile() override;
    void RemoveOwnFile() override;
    void AbandonFile() noexcept override;

private:
    // Writes bytes to the zlib handle: compressed there with one thread, as they are with more.
    void Write(const char* bytes, size_t count) override;
    [[noreturn]] void RaiseCompressionFailure(const char* reason) override;
    [[noreturn]] void RaiseWriteFailure(const char* reason);
    void CloseHandle();

    std::unique_ptr<MpIO> m_output;
    const bool m_ownsFile;
    MpString m_fileName;
    gzFile m_file = nullptr;
    std::unique_ptr<ParallelGzipCompressor> m_compressor;
};

}  // namespace lathwell
