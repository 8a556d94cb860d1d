// DescriptorLineReader: the lines of a descriptor that is already open, such as standard input,
// read as they arrive rather than copied anywhere first.
//
// Lines follow the plain-file rules (LF or CR LF; a lone CR is refused with ReadLine's message),
// whatever the descriptor is: a pipe, a terminal or a redirected file. Reading goes through the
// library in the reader's large blocks. A failed read raises MpException ("Reading
// <description> failed -- <system reason>"). The descriptor belongs to the caller and stays open.
#pragma once

#include "LineReader.h"
#include "MpIODescriptor.h"
#include "MpString.h"

namespace lathwell {

class DescriptorLineReader : public LineReader {
public:
    // description names the input in failure messages, e.g. "standard input".
    DescriptorLineReader(int descriptor, const char* description, bool blankUnprintable);

    // The bytes left from the current position when the descriptor is a file; 0 for a pipe
    // or a terminal, whose size is unknown.
    int64_t InputSize() const override { return m_size; }

    // True when the descriptor reads fileName, such as standard input redirected from it.
    bool IsFile(const char* fileName) const override;

protected:
    int32_t ReadBlock(char* destination, int32_t capacity) override;

private:
    const MpIODescriptor m_descriptor;
    const MpString m_description;
    const int64_t m_size;
};

}  // namespace lathwell
