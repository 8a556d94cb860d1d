// RecordUnpacker: turns one fixed-length record back into one CSV line, one column per field
// of its layout in record order.
//
// Each value is the field's bytes less the fill a CSV conversion adds: blanks on the right of
// a text field; zeros on the left of a numeric field (all but its last byte), and a numeric
// field of blanks is an empty value. With keepFill the bytes are taken as they are. A value is
// quoted when it holds the delimiter, a double quote, CR or LF, or begins with a blank (which a
// CSV conversion would otherwise skip), with every double quote doubled (RFC 4180). Lines end
// in CR LF. So a CSV file that converts without a cut value and whose numeric values do not
// begin with a zero comes back value for value.
#pragma once

#include <cstddef>

#include "RecordLayout.h"

namespace lathwell {

class RecordUnpacker {
public:
    RecordUnpacker(RecordLayout layout, char delimiter, bool keepFill);

    // The most bytes Header or Unpack writes for one line, its end included.
    size_t LongestLine() const { return m_longestLine; }

    // Writes the header line, the fields' shown names, to line and returns its length.
    // REQUIRES: line has room for LongestLine() bytes.
    size_t Header(char* line) const;

    // Writes the line of the record to line and returns its length.
    // REQUIRES: record holds the record length bytes; line has room for LongestLine() bytes.
    size_t Unpack(const char* record, char* line) const;

private:
    // Writes one value, quoted when it must be; returns the end of what was written.
    char* WriteValue(const char* value, size_t length, char* out) const;

    RecordLayout m_layout;
    char m_delimiter;
    bool m_keepFill;
    size_t m_longestLine;
};

}  // namespace lathwell
