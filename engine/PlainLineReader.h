// PlainLineReader: the lines of an uncompressed input file.
//
// Lines end at LF or CR LF exactly as with MpIO's ReadLine; a CR not followed by LF (a lone
// CR, or a CR as the file's last byte) is refused with ReadLine's message. The file is read in
// order, in large blocks that go straight into the reader's buffer (MpIOUnbuffered: no buffer
// in between), so a pipe or a device reads as well as a file. The reader owns its file object
// and closes it on destruction.
#pragma once

#include <memory>

#include "LineReader.h"

class MpIOUnbuffered;

namespace lathwell {

class PlainLineReader : public LineReader {
public:
    // Opens the existing file fileName for reading (open flags 1); raises the library's open
    // failure.
    PlainLineReader(const char* fileName, bool blankUnprintable);
    ~PlainLineReader() override;

    // Closes the file (it is also closed on destruction, with failures swallowed).
    void Close();

protected:
    int32_t ReadBlock(char* destination, int32_t capacity) override;

private:
    std::unique_ptr<MpIOUnbuffered> m_io;
    bool m_mayWait;  // a read may wait for input: not so for a regular file
};

}  // namespace lathwell
