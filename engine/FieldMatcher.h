// Automatic matching of CSV columns to DD fields, and the orders in which offered fields are
// listed. Shared by the field selection dialog and the command-line "fields" command, so both
// match and sort the same way.
//
// The field position map (MpVector<int16_t>, owned by the caller) has one entry per CSV
// column: 0 or more is the section index of the matched DD field, -1 an ignored column.
#pragma once

#include <cstdint>
#include <vector>

#include "DDFile.h"
#include "MpString.h"
#include "MpVector.h"

namespace lathwell {

// The caption used for a column whose header is blank; such a column is never matched.
extern const char* const kBlankColumnHeader;  // "<Blank>"

struct ColumnHeader {
    // The header trimmed of bytes 1..32 at both ends, or "<Blank>" when nothing was left.
    MpString text;
    bool blank = false;
};

// Splits a CSV header line at the delimiter without honouring quotes (a quoted header keeps its
// quotes) and trims each header.
std::vector<ColumnHeader> SplitHeaderLine(const char* headerLine, char delimiter = ',');

// The key by which a header and a field's shown name are compared: every byte upper-cased and
// every blank replaced by "_" ("date of birth" and "Date Of Birth" give "DATE_OF_BIRTH").
MpString MatchKey(const char* text);

// Index, in fields as listed, of the first field whose shown name has the same key as the
// header, or -1. Fields whose section index does not fit a map entry (above 32767) never match.
int32_t FindMatchingField(const char* header, const std::vector<AvailableField>& fields);

// Matches the columns beyond the map's current size and appends their entries (the section
// index of the matched field, or -1); entries already in the map are kept as they are. Blank
// headers get -1. fields must be in the order the user sees them: the first match wins.
void MatchNewColumns(const std::vector<ColumnHeader>& headers,
                     const std::vector<AvailableField>& fields, MpVector<int16_t>& fieldPositions);

// The number a Position or Section text sorts by: the standard decimal conversion, which stops
// at the first byte that is not a digit ("N/A" gives 0); an empty text gives 2147483647, so it
// sorts last.
int32_t SortNumber(const char* text);

// Columns of the offered-field list by which it can be sorted.
enum class FieldListColumn { Name = 0, Position = 1, Section = 2 };

// Sorts the offered fields in ascending order of a column, keeping the order of equal ones:
// Name alphabetically ignoring case, Position and Section as numbers (SortNumber). The initial
// order of the list is by Position.
void SortAvailableFields(std::vector<AvailableField>& fields, FieldListColumn column);

}  // namespace lathwell
