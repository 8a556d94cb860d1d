// GzipLineReader: the lines of a gzip-compressed input file, read through zlib.
//
// Uncompressed bytes come from gzread in blocks of 8193 bytes. Lines have any length, as in a
// plain input (a long line is never split into several). A line ends at LF, at CR LF, or at a
// lone CR; after a CR only an LF is skipped, so the byte after a lone CR starts the next line,
// also across block boundaries. A read failure, an input that cannot be opened and a
// compressed stream that ends before its end marker all raise MpException ("Reading compressed
// file -- " and the system's reason, or zlib's for damaged data). The reader owns its zlib handle and closes it on destruction.
#pragma once

#include <zlib.h>

#include "LineReader.h"

namespace lathwell {

class GzipLineReader : public LineReader {
public:
    // Opens fileName with gzopen(..., "rb").
    GzipLineReader(const char* fileName, bool blankUnprintable);
    ~GzipLineReader() override;

    // Compressed bytes read from the file so far.
    int64_t InputPosition() const override { return m_compressedPosition; }

    // Closes the file (it is also closed on destruction).
    void Close();

protected:
    int32_t ReadBlock(char* destination, int32_t capacity) override;

private:
    gzFile m_file;
    int64_t m_compressedPosition = 0;
};

}  // namespace lathwell
