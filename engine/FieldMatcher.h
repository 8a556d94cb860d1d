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

// The caption used for a column whose header is blank. Automatic matching takes it like any
// other header (it matches an offered field shown as "<Blank>"); only a manual match of such a
// column is refused, by the front ends.
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

// For each header, the index in fields of the field it matches, or -1: the first field in the
// list whose shown name has the header's key (a blank header taking part as "<Blank>").
// Fields whose section index does not fit a map entry (above 32767) never match.
// The fields are indexed by key once, so the time grows with headers plus fields.
std::vector<int32_t> FindMatchingFields(const std::vector<ColumnHeader>& headers,
                                        const std::vector<AvailableField>& fields);

// Matches the columns beyond the map's current size and appends their entries (the section
// index of the matched field, or -1); entries already in the map are kept as they are. A blank
// header is matched as "<Blank>". fields must be in the order the user sees them: the first
// match wins (see FindMatchingFields).
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
