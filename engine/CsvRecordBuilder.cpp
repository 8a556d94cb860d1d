#include "CsvRecordBuilder.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "DDFile.h"
#include "FieldFormReader.h"
#include "FieldPlace.h"
#include "MpIniSection.h"
#include "RecordWriter.h"

#if defined(__GNUC__)
// PlaceWhole reads up to 32 bytes around a value, past the value's ends but never into a page
// that holds none of its bytes; AddressSanitizer would take that for an overflow.
#define LATHWELL_READS_PAST_VALUE __attribute__((no_sanitize_address))
#else
#define LATHWELL_READS_PAST_VALUE
#endif

namespace lathwell {

namespace {

// Whether cutting value to length bytes leaves part of a UTF-8 character behind: the first byte
// cut off continues a character.
bool SplitsCharacter(const CsvLineSplitter::Column& value, size_t length) {
    return (static_cast<unsigned char>(value.text[length]) & 0xC0) == 0x80;
}

// Calls piece(at, size) for pieces of a run of count bytes, of 16, 8, 4, 2 or 1 bytes, the
// last one overlapping the one before where count is no multiple of its size: the few bytes of a
// field are then moved by a few loads and stores, with no call into the C library. The size is
// a compile-time constant, so that each piece is one load or store.
template <typename Piece>
inline void InPieces(size_t count, Piece piece) {
    using Size16 = std::integral_constant<size_t, 16>;
    using Size8 = std::integral_constant<size_t, 8>;
    using Size4 = std::integral_constant<size_t, 4>;
    using Size2 = std::integral_constant<size_t, 2>;
    if (count >= 16) {
        for (size_t at = 0; at + 16 < count; at += 16) piece(at, Size16());
        piece(count - 16, Size16());
    } else if (count >= 8) {
        piece(0, Size8());
        piece(count - 8, Size8());
    } else if (count >= 4) {
        piece(0, Size4());
        piece(count - 4, Size4());
    } else if (count >= 2) {
        piece(0, Size2());
        piece(count - 2, Size2());
    } else if (count == 1) {
        piece(0, std::integral_constant<size_t, 1>());
    }
}

inline void CopyBytes(char* to, const char* from, size_t count) {
    InPieces(count, [to, from](size_t at, auto size) { std::memcpy(to + at, from + at, size); });
}

inline void FillBytes(char* to, char byte, size_t count) {
    InPieces(count, [to, byte](size_t at, auto size) { std::memset(to + at, byte, size); });
}

// Blanks the part of a character that a cut at length left at the end of place.
void BlankSplitCharacter(const CsvLineSplitter::Column& value, size_t length, char* place) {
    size_t start = length;
    while (start > 0 && (static_cast<unsigned char>(value.text[start]) & 0xC0) == 0x80) --start;
    if (start < length) std::memset(place + start, ' ', length - start);
}

// A field placed whole is moved in pieces of this size, which every x86-64 processor loads,
// compares and stores in one instruction each; a field of up to two pieces can be placed whole.
using WholePiece = signed char __attribute__((vector_size(16)));
constexpr size_t kPiece = sizeof(WholePiece);
constexpr size_t kMostWhole = RecordWriter::kScratchAfterRecord;
static_assert(kMostWhole == 2 * kPiece, "a field placed whole is moved in one or two pieces");

// The bytes a field of length bytes placed whole moves: the field's and those after it up to
// the end of its last piece.
size_t WholeSize(size_t length) { return (length + kPiece - 1) / kPiece * kPiece; }

// Read from kFirstBytes + kMostWhole - n + at, a piece whose first n - at bytes are all ones and
// the others zero.
alignas(64) const signed char kFirstBytes[2 * kMostWhole] = {
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

constexpr uintptr_t kPage = 4096;  // memory is mapped in pages of at least this many bytes

// Whether the size bytes from from lie in one page: then all of them can be read if one can.
bool InOnePage(const char* from, size_t size) {
    return (reinterpret_cast<uintptr_t>(from) & (kPage - 1)) <= kPage - size;
}

}  // namespace

CsvRecordBuilder::CsvRecordBuilder(DDFile& ddFile, int32_t recordLength,
                                   const MpVector<int16_t>& fieldPositions, bool usePopulationFields,
                                   char delimiter, CsvValueRules rules)
    : m_recordLength(recordLength),
      m_rules(rules),
      m_splitter(delimiter) {
    for (size_t column = 0; column < fieldPositions.size(); ++column) {
        if (fieldPositions[column] < 0) continue;
        m_fieldTitles.emplace_back();
        m_columns.push_back(ReadColumnLayout(ddFile, static_cast<int32_t>(column), fieldPositions[column],
                                             usePopulationFields, m_fieldTitles.back()));
    }
    m_counts.columns.resize(m_columns.size());
    FindOverlaps();
}

bool CsvRecordBuilder::EveryFieldFitsRecord() const {
    return std::all_of(m_columns.begin(), m_columns.end(), [](const MappedColumn& field) { return field.fitsRecord; });
}

void CsvRecordBuilder::FindOverlaps() {
    constexpr size_t kNone = SIZE_MAX;
    const size_t recordLength = static_cast<size_t>(m_recordLength);
    // For each byte of the record, the first field (in column order) that covers it.
    std::vector<size_t> firstField(recordLength, kNone);
    for (size_t i = 0; i < m_columns.size(); ++i) {
        MappedColumn& field = m_columns[i];
        if (!field.fitsRecord) continue;  // no record is ever built
        const auto from = firstField.begin() + field.offset;
        const auto to = from + field.length;
        field.overlapsEarlier = std::any_of(from, to, [](size_t first) { return first != kNone; });
        std::replace(from, to, kNone, i);
    }
    // A field placed whole blanks the bytes it moves past its end, as the record starts: that
    // is harmless unless a field of an earlier column has put its value there.
    for (size_t i = 0; i < m_columns.size(); ++i) {
        MappedColumn& field = m_columns[i];
        if (!field.plain || field.length > static_cast<int32_t>(kMostWhole)) continue;
        const size_t length = static_cast<size_t>(field.length);
        const size_t end = static_cast<size_t>(field.offset) + length;
        const size_t wholeEnd = std::min(static_cast<size_t>(field.offset) + WholeSize(length), recordLength);
        field.whole = std::all_of(firstField.begin() + static_cast<std::ptrdiff_t>(end),
                                  firstField.begin() + static_cast<std::ptrdiff_t>(wholeEnd),
                                  [i](size_t first) { return first == kNone || first > i; });
    }
}

CsvRecordBuilder::MappedColumn CsvRecordBuilder::ReadColumnLayout(DDFile& ddFile, int32_t column,
                                                                  int32_t sectionIndex,
                                                                  bool usePopulationFields,
                                                                  std::string& title) {
    MpIniSection& section = *ddFile.GetSection(sectionIndex);
    const FieldPlace place = ReadFieldPlace(section, usePopulationFields);
    const MpString fieldName(section.GetString("FieldName", ""));
    const char* name = fieldName.GetCString();
    title = "\"" + std::string(name) + "\" " + section.GetName();

    MappedColumn layout;
    layout.column = column;
    layout.length = place.length;
    layout.offset = place.offset;
    layout.numeric = ddFile.IsNumericField(name, DDFile::MissingFormat::AddEmpty);
    const FieldForm form = ReadFieldForm(section).form;
    layout.formatter = nullptr;
    if (!form.IsPlain()) {
        m_formatters.push_back(std::make_shared<const FieldFormatter>(form, layout.numeric, place.length));
        layout.formatter = m_formatters.back().get();
    }
    layout.fitsRecord = static_cast<int64_t>(place.offset) + place.length <= m_recordLength;
    layout.plain = layout.fitsRecord && layout.formatter == nullptr;
    layout.overlapsEarlier = false;
    layout.whole = false;
    layout.sectionIndex = static_cast<int16_t>(sectionIndex);
    return layout;
}

inline bool CsvRecordBuilder::PlaceField(const MappedColumn& field, const CsvLineSplitter::Column& value,
                                         char* record, bool blank) {
    const size_t width = value.length;
    const size_t length = static_cast<size_t>(field.length);
    char* place = record + field.offset;
    if (width >= length) {
        CopyBytes(place, value.text, length);
        return false;
    }
    if (blank) FillBytes(place, ' ', length);
    // An empty value is blank, numeric field or not.
    if (field.numeric && width > 0) {
        FillBytes(place, '0', length - width);
        place += length - width;
    }
    CopyBytes(place, value.text, width);
    return true;
}

LATHWELL_READS_PAST_VALUE inline bool CsvRecordBuilder::PlaceWhole(const MappedColumn& field,
                                                                const CsvLineSplitter::Column& value,
                                                                char* record) {
    alignas(kMostWhole) static const char kEmpty[kMostWhole] = {};  // in one page
    const size_t width = value.length;
    const size_t length = static_cast<size_t>(field.length);
    const size_t size = WholeSize(length);
    // A number shorter than its field is read from before its first byte, so that it ends where
    // the field ends; the bytes in front of it become zeros. An empty value may lie at the end
    // of the line, where nothing can be read: it is read from kEmpty, and all its bytes become
    // blanks.
    const size_t zeros = field.numeric && width > 0 && width < length ? length - width : 0;
    const char* text = width > 0 ? value.text : kEmpty;
    const char* from = text - zeros;
    if (!InOnePage(from, size)) return false;  // text, which can be read, lies among them
    const size_t valueEnd = zeros + std::min(width, length);
    const WholePiece zeroBytes = WholePiece{} + '0';
    const WholePiece blankBytes = WholePiece{} + ' ';
    for (size_t at = 0; at < size; at += kPiece) {
        WholePiece bytes;
        std::memcpy(&bytes, from + at, kPiece);
        WholePiece isZero;
        std::memcpy(&isZero, kFirstBytes + kMostWhole - zeros + at, kPiece);
        WholePiece isValue;
        std::memcpy(&isValue, kFirstBytes + kMostWhole - valueEnd + at, kPiece);
        // Blanks, with the value's bytes up to valueEnd, of which the first zeros are zeros: the
        // bytes moved past the field's end are blanks.
        const WholePiece placed = (blankBytes ^ ((bytes ^ blankBytes) & isValue)) ^ ((bytes ^ zeroBytes) & isZero);
        std::memcpy(record + field.offset + at, &placed, kPiece);
    }
    return true;
}

FormFit CsvRecordBuilder::PlaceFormatted(const MappedColumn& field, const CsvLineSplitter::Column& value,
                                         char* record, bool& mismatch) {
    const FormFit fit = field.formatter->Write(value.text, value.length, record + field.offset);
    mismatch = fit == FormFit::Mismatch;
    if (!mismatch) return fit;
    if (PlaceField(field, value, record, true)) return FormFit::Padded;
    return value.length > static_cast<size_t>(field.length) ? FormFit::Cut : FormFit::Exact;
}

inline void CsvRecordBuilder::NoteCut(size_t index, const CsvLineSplitter::Column& value, char* record) {
    const MappedColumn& field = m_columns[index];
    const size_t fieldLength = static_cast<size_t>(field.length);
    const bool split = value.length > fieldLength && SplitsCharacter(value, fieldLength);
    if (split && m_rules.cutOnCharacters) BlankSplitCharacter(value, fieldLength, record + field.offset);
    m_lineEvents.push_back({index, split, false});
}

void CsvRecordBuilder::BuildRecord(const char* line, size_t length, char* __restrict record, int64_t lineNumber,
                                   RunStatistics& statistics) {
    // One pass over the line: each mapped column's value is placed as the splitter reaches it
    // (m_columns is in column order). The line is still split to its end, because a quote
    // without its closing quote fails the line wherever it is and before anything else; so a
    // field that fails, and the values cut before it, are only acted on once the split is done.
    // The record starts blank, so that a plain field that shares no bytes with an earlier one
    // needs only its value copied, and a number's zeros.
    m_splitter.Start(line, length);
    m_lineEvents.clear();
    FillBytes(record, ' ', static_cast<size_t>(m_recordLength));
    const size_t fields = m_columns.size();
    size_t next = 0;  // the next mapped column to place; at a failed one placing stops
    bool failed = false;
    bool edited = false;
    bool padded = false;
    CsvLineSplitter::Column value;
    for (int64_t column = 0; next < fields && m_splitter.Next(value); ++column) {
        const MappedColumn& field = m_columns[next];
        if (field.column != column) continue;
        if (field.plain) {
            const bool cut = value.length > static_cast<size_t>(field.length);
            if (cut && m_rules.refuseCuts) {
                failed = !Refuse(value, false);
                break;
            }
            if (!field.whole || !PlaceWhole(field, value, record)) {
                PlaceField(field, value, record, field.overlapsEarlier);
            }
            padded |= value.length < static_cast<size_t>(field.length);
            edited |= value.length != static_cast<size_t>(field.length);
            if (cut) NoteCut(next, value, record);
        } else if (!PlaceOtherField(next, value, record, edited, padded)) {
            failed = true;
            break;
        }
        ++next;
    }
    while (m_splitter.Next(value)) {
    }
    if (!m_lineEvents.empty()) CountLineEvents(lineNumber);
    if (failed) {
        if (!m_columns[next].fitsRecord) throw MpException("Field length extends beyond record length.");
        RaiseRefusal(next);
    }
    if (next < fields) m_splitter.RaiseNoColumn(m_columns[next].column);
    if (m_splitter.HadTextAfterQuote()) {
        if (m_rules.refuseMisplacedValues) {
            throw MpException("Text after a closing quote belongs to no column and would be left out.");
        }
        if (m_counts.textAfterQuote.count++ == 0) m_counts.textAfterQuote.firstLine = lineNumber;
    }
    if (edited) CountOne(statistics.RecordsEdited);
    if (padded) CountOne(statistics.LinesPadded);
}

bool CsvRecordBuilder::PlaceOtherField(size_t index, const CsvLineSplitter::Column& value, char* record,
                                       bool& edited, bool& padded) {
    if (!m_columns[index].fitsRecord) return false;
    bool mismatch = false;
    const FormFit fit = PlaceFormatted(m_columns[index], value, record, mismatch);
    if (mismatch && m_rules.refuseMisplacedValues) return Refuse(value, true);
    if (fit == FormFit::Cut && m_rules.refuseCuts) return Refuse(value, false);
    edited |= fit != FormFit::Exact;
    padded |= fit == FormFit::Padded;
    if (mismatch) {
        m_lineEvents.push_back({index, false, true});
        std::string& first = m_counts.columns[index].firstMismatch;
        if (first.empty()) first.assign(value.text, value.length);
    }
    // A number written in its form has no multi-byte character to cut; other values are cut
    // to their first bytes.
    if (fit == FormFit::Cut) NoteCut(index, value, record);
    return true;
}


bool CsvRecordBuilder::Refuse(const CsvLineSplitter::Column& value, bool mismatch) {
    // Kept as a copy: the splitter may reuse the bytes of a value it unquoted.
    m_refusedValue.assign(value.text, value.length);
    m_refusedMismatch = mismatch;
    return false;
}

void CsvRecordBuilder::CountLineEvents(int64_t lineNumber) {
    for (const LineEvent& event : m_lineEvents) {
        CsvValueCounts::Column& field = m_counts.columns[event.column];
        if (event.mismatch) {
            if (field.mismatches++ == 0) field.firstMismatchLine = lineNumber;
            continue;
        }
        if (field.cuts++ == 0) field.firstCutLine = lineNumber;
        if (event.splitCharacter) ++field.characterCuts;
    }
}

void CsvRecordBuilder::RaiseRefusal(size_t column) const {
    const MappedColumn& field = m_columns[column];
    const std::string& value = m_refusedValue;
    if (m_refusedMismatch) {
        MpException::RaiseFormatted("Value \"%s\" does not fit the declared form of field %s.", "CsvRecordBuilder",
                                    value.c_str(), m_fieldTitles[column].c_str());
    }
    MpException::RaiseFormatted("Value \"%s\" is longer than the %d bytes of field %s.", "CsvRecordBuilder",
                                value.c_str(), field.length, m_fieldTitles[column].c_str());
}

CsvValueCounts CsvRecordBuilder::TakeCounts() {
    CsvValueCounts taken = std::move(m_counts);
    m_counts = CsvValueCounts();
    m_counts.columns.resize(m_columns.size());
    return taken;
}

namespace {

// Adds more to total, more's first line counted from lineOffset + 1.
void AddLineCount(int64_t& total, int64_t& firstLine, int64_t more, int64_t moreFirstLine, int64_t lineOffset) {
    if (more == 0) return;
    if (total == 0) firstLine = lineOffset + moreFirstLine;
    total += more;
}

}  // namespace

void CsvRecordBuilder::AddCounts(const CsvValueCounts& counts, int64_t lineOffset) {
    for (size_t i = 0; i < m_counts.columns.size(); ++i) {
        CsvValueCounts::Column& field = m_counts.columns[i];
        const CsvValueCounts::Column& more = counts.columns[i];
        AddLineCount(field.cuts, field.firstCutLine, more.cuts, more.firstCutLine, lineOffset);
        field.characterCuts += more.characterCuts;
        AddLineCount(field.mismatches, field.firstMismatchLine, more.mismatches, more.firstMismatchLine, lineOffset);
        if (field.firstMismatch.empty()) field.firstMismatch = more.firstMismatch;
    }
    LineCount& quote = m_counts.textAfterQuote;
    AddLineCount(quote.count, quote.firstLine, counts.textAfterQuote.count, counts.textAfterQuote.firstLine,
                 lineOffset);
}

std::vector<FieldCut> CsvRecordBuilder::FieldCuts() const {
    std::vector<FieldCut> cuts;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const MappedColumn& column = m_columns[i];
        const CsvValueCounts::Column& field = m_counts.columns[i];
        if (field.cuts == 0) continue;
        // Two columns may feed one field: their counts add up.
        auto same = std::find_if(cuts.begin(), cuts.end(),
                                 [&](const FieldCut& cut) { return cut.sectionIndex == column.sectionIndex; });
        if (same == cuts.end()) {
            cuts.push_back({column.sectionIndex, field.cuts, field.firstCutLine, field.characterCuts});
        } else {
            same->count += field.cuts;
            same->firstLine = std::min(same->firstLine, field.firstCutLine);
            same->characterCuts += field.characterCuts;
        }
    }
    std::sort(cuts.begin(), cuts.end(),
              [](const FieldCut& a, const FieldCut& b) { return a.sectionIndex < b.sectionIndex; });
    return cuts;
}

std::vector<FormMismatch> CsvRecordBuilder::FormMismatches() const {
    std::vector<FormMismatch> mismatches;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const int16_t sectionIndex = m_columns[i].sectionIndex;
        const CsvValueCounts::Column& field = m_counts.columns[i];
        if (field.mismatches == 0) continue;
        auto same = std::find_if(mismatches.begin(), mismatches.end(), [&](const FormMismatch& mismatch) {
            return mismatch.sectionIndex == sectionIndex;
        });
        if (same == mismatches.end()) {
            mismatches.push_back({sectionIndex, field.mismatches, field.firstMismatchLine, field.firstMismatch});
        } else {
            same->count += field.mismatches;
            if (field.firstMismatchLine < same->firstLine) {
                same->firstLine = field.firstMismatchLine;
                same->firstValue = field.firstMismatch;
            }
        }
    }
    std::sort(mismatches.begin(), mismatches.end(),
              [](const FormMismatch& a, const FormMismatch& b) { return a.sectionIndex < b.sectionIndex; });
    return mismatches;
}

}  // namespace lathwell
