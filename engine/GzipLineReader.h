// GzipLineReader: the lines of a gzip-compressed input file.
//
// The file is inflated by a GzipStreamDecoder (ISA-L's igzip) on a thread of its own, ahead of
// the lines being read (ReadAheadDecoder). Every member of the file is read, one after another.
// Lines have any length, as in a plain input (a long line is never split into several). A line
// ends at LF, at CR LF, or at a lone CR; after a CR only an LF is skipped, so the byte after a
// lone CR starts the next line, also across block boundaries. A read failure, an input that
// cannot be opened, a corrupt member and a compressed stream that ends before its end marker
// all raise MpException ("Reading compressed file"). The reader owns its file and its thread;
// both end with the reader.
#pragma once

#include <memory>

#include "LineReader.h"

namespace lathwell {

class ReadAheadDecoder;

class GzipLineReader : public LineReader {
public:
    GzipLineReader(const char* fileName, bool blankUnprintable);
    ~GzipLineReader() override;

    // Compressed bytes consumed for the lines read so far.
    int64_t InputPosition() const override;
    int64_t InputPositionAfter(int64_t) const override { return InputPosition(); }
    void ShareStop(std::shared_ptr<const RunStop> stop) override;
    bool IsPlainTextUnderCompressedName() const override;

protected:
    int32_t ReadBlock(char* destination, int32_t capacity) override;

private:
    std::unique_ptr<ReadAheadDecoder> m_decoder;
};

}  // namespace lathwell
