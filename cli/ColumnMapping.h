// The field position map of a CSV conversion started from the command line.
//
// It starts as the field selection dialog's automatic matching on a first opening (every
// column matched against the offered fields in the order the dialog shows them first,
// ascending Position) and then takes the --map and --ignore overrides in command-line order,
// so a later one wins for its column. A column is named by its header as trimmed, or by
// "#N" (1-based); a field by its shown name ignoring case, or by "@J" (its section index).
// Names that match nothing, or more than one column or field, are refused with CliRefusal.
//
// Its two inputs come from the files as the dialog reads them: the offered fields of the DD
// file and the columns of the CSV header line, refused with the dialog's messages when there
// are too few of either.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "CliArguments.h"
#include "CsvReadiness.h"
#include "DDFile.h"
#include "FieldMatcher.h"
#include "LineReader.h"
#include "MpVector.h"

namespace lathwell::cli {

// Opens an existing DD file. Refuses a missing file (which is not created) and one with fewer
// than two sections ("Invalid DD file."). While another program keeps the file locked it
// waits, saying so on notices after a second; Ctrl-C stops the wait.
// The refusal of the DD file called name as invalid: "<name>: <message>", with the reason
// "(it begins with a UTF-8 byte order mark; save it without one)" added before the message's
// closing full stop when the file has one.
std::string InvalidDDFileRefusal(const std::string& name, std::string message);

std::unique_ptr<DDFile> OpenDDFile(const std::string& name, std::ostream& notices);

// The fields the DD file offers, in the order the dialog lists them first (by Position).
std::vector<AvailableField> OfferedFields(DDFile& ddFile, bool populationMode);

// The columns of the next line of reader, the CSV header line, split at the delimiter and
// without a byte order mark; the reader is left just after it. Refuses a header of fewer
// than two columns ("The Input File is not a valid CSV file."); writes the dialog's
// blank-header warning to warnings once for every blank header. displayName names the input
// in messages.
CsvHeader ReadCsvHeader(LineReader& reader, char delimiter, const std::string& displayName,
                        std::ostream& warnings);

// REQUIRES: fields are in the order the dialog lists them first (SortAvailableFields by
// Position).
MpVector<int16_t> BuildFieldPositions(const std::vector<ColumnHeader>& headers,
                                      const std::vector<AvailableField>& fields,
                                      const std::vector<ColumnOverride>& overrides);

}  // namespace lathwell::cli
