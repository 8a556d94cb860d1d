// RecordUnpacker: turns one fixed-length record back into one CSV line, one column per field
// of its layout in record order.
//
// Each value is read by the field's FieldValueReader: the field's bytes less the fill a CSV
// conversion adds (blanks on the right of text, zeros on the left of numbers, or the declared
// Justify and Fill), with a declared sign and implied decimals turned back into the value; a
// field of blanks is an empty value. With keepFill the bytes are taken as they are. A value is
// quoted when it holds the delimiter, a double quote, CR or LF, or begins with a blank (which a
// CSV conversion would otherwise skip), with every double quote doubled (RFC 4180), which a
// conversion reads back as one quote. Lines end in CR LF. So a CSV file that converts without a
// cut value or a value not of its form comes back value for value (see FieldValueReader for
// the numbers and texts that come back as written).
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "FieldValueReader.h"
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
    std::vector<FieldValueReader> m_readers;  // one per field of the layout
    mutable std::vector<char> m_value;        // room for a value Read rewrites: one caller at a time
    char m_delimiter;
    std::array<bool, 256> m_quotedBytes{};  // the bytes that make a value quoted wherever they are
    bool m_keepFill;
    size_t m_longestLine;
};

}  // namespace lathwell
