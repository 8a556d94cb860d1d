#include "ColumnMapping.h"

#include <cstdlib>
#include <string>

#include "CliFiles.h"
#include "ProgressObserver.h"
#include "TextCase.h"

namespace lathwell::cli {

namespace {

// "#12" gives 12, "@3" gives 3; anything else after the mark gives -1.
int64_t NumberAfterMark(const std::string& text, char mark) {
    if (text.size() < 2 || text[0] != mark || text.size() > 11) return -1;
    if (text.find_first_not_of("0123456789", 1) != std::string::npos) return -1;
    return std::strtoll(text.c_str() + 1, nullptr, 10);
}

std::size_t ResolveColumn(const std::vector<ColumnHeader>& headers, const std::string& name) {
    int64_t number = NumberAfterMark(name, '#');
    if (number >= 1 && static_cast<uint64_t>(number) <= headers.size())
        return static_cast<std::size_t>(number - 1);
    if (number >= 0) {
        throw CliRefusal("No column " + name + " (the header has " + std::to_string(headers.size()) +
                         " columns)");
    }
    std::size_t found = headers.size();
    for (std::size_t i = 0; i < headers.size(); ++i) {
        if (headers[i].blank || name != headers[i].text.GetCString()) continue;
        if (found != headers.size()) {
            throw CliRefusal("More than one column is headed '" + name + "'; name it by number (#N)");
        }
        found = i;
    }
    if (found == headers.size()) throw CliRefusal("No column is headed '" + name + "'");
    return found;
}

int16_t ResolveField(const std::vector<AvailableField>& fields, const std::string& name) {
    int64_t section = NumberAfterMark(name, '@');
    const AvailableField* found = nullptr;
    for (const AvailableField& field : fields) {
        bool matches = section >= 0 ? field.sectionIndex == section
                                    : EqualIgnoringCase(field.shownName.c_str(), name.c_str());
        if (!matches) continue;
        if (found != nullptr) {
            throw CliRefusal("More than one DD field is named '" + name + "'; name it by section (@J)");
        }
        found = &field;
    }
    if (found == nullptr || found->sectionIndex > INT16_MAX) {
        throw CliRefusal("The DD File offers no field " +
                         (section >= 0 ? "in section " + name : "named '" + name + "'"));
    }
    return static_cast<int16_t>(found->sectionIndex);
}

// Waits for a locked DD file until the user stops it with a signal, telling them once after a
// second.
class NoticeAfterASecond : public DDFileLockWait {
public:
    explicit NoticeAfterASecond(std::ostream& notices) : m_notices(notices) {}
    bool KeepWaiting(const char* fileName, int64_t waitedMilliseconds) override {
        if (waitedMilliseconds >= 1000 && !m_told) {
            m_notices << "lathwell-cli: waiting for \"" << fileName
                      << "\", locked by another program (Ctrl-C to stop)\n" << std::flush;
            m_told = true;
        }
        return !IsStopRequest(MpSignal::Caught());
    }

private:
    std::ostream& m_notices;
    bool m_told = false;
};

}  // namespace

std::string InvalidDDFileRefusal(const std::string& name, std::string message) {
    if (BeginsWithByteOrderMark(name.c_str())) {
        const bool stop = !message.empty() && message.back() == '.';
        message.insert(message.size() - (stop ? 1 : 0), " (it begins with a UTF-8 byte order mark; save it without one)");
    }
    return name + ": " + message;
}

std::unique_ptr<DDFile> OpenDDFile(const std::string& name, std::ostream& notices) {
    // Opening a DD file creates a missing one; a mistyped name must not leave a file behind.
    if (!FileExists(name)) throw CliRefusal(name + ": DD File Does Not Exist");
    NoticeAfterASecond lockWait(notices);
    auto ddFile = std::make_unique<DDFile>(name.c_str(), &lockWait);
    if (!IsUsableDDFile(*ddFile)) throw CliRefusal(InvalidDDFileRefusal(name, kInvalidDDFileMessage));
    return ddFile;
}

std::vector<AvailableField> OfferedFields(DDFile& ddFile, bool populationMode) {
    std::vector<AvailableField> fields = ddFile.GetAvailableFields(populationMode);
    SortAvailableFields(fields, FieldListColumn::Position);
    return fields;
}

CsvHeader ReadCsvHeader(LineReader& reader, char delimiter, const std::string& displayName,
                        std::ostream& warnings) {
    HeaderReading reading;
    reading.delimiter = delimiter;
    reading.stripByteOrderMark = true;
    CsvHeader header = lathwell::ReadCsvHeader(reader, reading);
    if (!IsUsableCsvHeader(header.columns)) throw CliRefusal(displayName + ": " + kNotValidCsvFileMessage);
    for (const ColumnHeader& column : header.columns) {
        if (column.blank) warnings << "lathwell-cli: " << kBlankColumnHeaderMessage << "\n";
    }
    return header;
}

MpVector<int16_t> BuildFieldPositions(const std::vector<ColumnHeader>& headers,
                                      const std::vector<AvailableField>& fields,
                                      const std::vector<ColumnOverride>& overrides) {
    MpVector<int16_t> fieldPositions;
    MatchNewColumns(headers, fields, fieldPositions);
    for (const ColumnOverride& change : overrides) {
        std::size_t column = ResolveColumn(headers, change.column);
        if (change.ignore) {
            fieldPositions[column] = -1;
            continue;
        }
        if (headers[column].blank) {
            throw CliRefusal("Column " + change.column + " has a blank header and cannot be matched");
        }
        fieldPositions[column] = ResolveField(fields, change.field);
    }
    return fieldPositions;
}

}  // namespace lathwell::cli
