// PlainLineReader: the lines of an uncompressed input file, read through MpIO.
//
// Lines end at LF or CR LF exactly as with MpIO's ReadLine; a CR not followed by LF (a lone
// CR, or a CR as the file's last byte) is refused with ReadLine's message. The file is read in
// large blocks rather than byte by byte. The reader owns its MpIO and closes it on destruction.
#pragma once

#include <memory>

#include "LineReader.h"

class MpIO;

namespace lathwell {

class PlainLineReader : public LineReader {
public:
    // Opens the existing file fileName for reading (open flags 1); raises MpIO's open failure.
    PlainLineReader(const char* fileName, bool blankUnprintable);
    ~PlainLineReader() override;

    // Closes the file (it is also closed on destruction, with failures swallowed).
    void Close();

protected:
    int32_t ReadBlock(char* destination, int32_t capacity) override;

private:
    std::unique_ptr<MpIO> m_io;
};

}  // namespace lathwell
