#include "RecordChecker.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace lathwell {

namespace {

bool IsPrintable(unsigned char byte) { return byte - 32u < 95u; }

// The 0-based position of the first unprintable byte, or length. The common case, a record
// without one, is one pass that the compiler can run many bytes at a time.
size_t FirstUnprintable(const char* bytes, size_t length) {
    unsigned char any = 0;
    for (size_t i = 0; i < length; ++i)
        any |= static_cast<unsigned char>(!IsPrintable(static_cast<unsigned char>(bytes[i])));
    if (any == 0) return length;
    size_t at = 0;
    while (IsPrintable(static_cast<unsigned char>(bytes[at]))) ++at;
    return at;
}

using Piece = unsigned char __attribute__((vector_size(16)));
constexpr size_t kPiece = sizeof(Piece);

// Whether every byte is printable and each one that digitsOnly marks is a digit, checked a piece
// of 16 bytes at a time, the last piece overlapping the one before: the common case, a clean
// record, in a few instructions per piece. REQUIRES: length >= kPiece.
bool PrintableWithDigits(const char* bytes, const unsigned char* digitsOnly, size_t length) {
    Piece faults = {};
    auto check = [&](size_t at) {
        Piece piece;
        std::memcpy(&piece, bytes + at, kPiece);
        Piece digitOnly;
        std::memcpy(&digitOnly, digitsOnly + at, kPiece);
        const Piece unprintable = reinterpret_cast<Piece>(piece - 32 >= 95);
        const Piece notDigit = reinterpret_cast<Piece>(piece - '0' >= 10);
        faults |= unprintable | (notDigit & digitOnly);
    };
    for (size_t at = 0; at + kPiece < length; at += kPiece) check(at);
    check(length - kPiece);
    uint64_t halves[2];
    std::memcpy(halves, &faults, sizeof halves);
    return (halves[0] | halves[1]) == 0;
}

bool IsBlank(const char* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (bytes[i] != ' ') return false;
    }
    return true;
}

std::string ShownByte(unsigned char byte) {
    if (IsPrintable(byte)) return std::string("'") + static_cast<char>(byte) + "'";
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", byte);
    return hex;
}

}  // namespace

std::string ShownBytes(const char* bytes, size_t length) {
    std::string shown;
    for (size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (IsPrintable(byte)) {
            shown += static_cast<char>(byte);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            shown += hex;
        }
    }
    return shown;
}

RecordChecker::RecordChecker(RecordLayout layout)
    : m_layout(std::move(layout)), m_digitsOnly(static_cast<size_t>(m_layout.recordLength), 0) {
    for (const LayoutField& field : m_layout.fields) {
        m_readers.emplace_back(field.form, field.numeric, field.length);
        if (field.numeric && field.form.IsPlain()) {
            std::fill_n(m_digitsOnly.begin() + field.offset, field.length, 0xFF);
        }
    }
}

bool RecordChecker::CheckShape(const FixedRecord& record, std::vector<Finding>& findings) const {
    const size_t before = findings.size();
    const auto recordLength = static_cast<size_t>(m_layout.recordLength);
    if (record.overlong) {
        findings.push_back(
            {FindingKind::Length, record.number, "",
             "record has no record end within its first " + std::to_string(record.length) + " bytes"});
    } else if (record.length != recordLength) {
        findings.push_back(
            {FindingKind::Length, record.number, "",
             "record is " + std::to_string(record.length) + " bytes, not " + std::to_string(recordLength)});
    }
    static const char* const kEndFaults[] = {nullptr, "record ends in LF, not CR LF",
                                             "record ends in CR LF, not LF",
                                             "record has no record end (the file ends)"};
    if (record.endFault != RecordEndFault::None) {
        findings.push_back(
            {FindingKind::RecordEnd, record.number, "", kEndFaults[static_cast<int>(record.endFault)]});
    }
    return findings.size() == before;
}

bool RecordChecker::Check(const FixedRecord& record, std::vector<Finding>& findings) const {
    const size_t before = findings.size();
    const bool placed = !record.overlong && record.length == static_cast<size_t>(m_layout.recordLength);
    CheckShape(record, findings);
    if (!placed) return false;
    if (record.length >= kPiece && PrintableWithDigits(record.bytes, m_digitsOnly.data(), record.length) &&
        DeclaredFormsAreClean(record.bytes)) {
        return findings.size() == before;
    }
    const size_t unprintable = FirstUnprintable(record.bytes, record.length);
    if (unprintable < record.length) {
        findings.push_back({FindingKind::Unprintable, record.number, FieldAt(unprintable),
                            "byte " + ShownByte(static_cast<unsigned char>(record.bytes[unprintable])) +
                                " at position " + std::to_string(unprintable + 1) + " is not printable"});
    }
    if (!PlainNumbersAreClean(record.bytes) || !DeclaredFormsAreClean(record.bytes)) {
        FindFieldFaults(record, findings);
    }
    return findings.size() == before;
}

bool RecordChecker::PlainNumbersAreClean(const char* record) const {
    for (const LayoutField& field : m_layout.fields) {
        if (!field.numeric || !field.form.IsPlain()) continue;
        const char* value = record + field.offset;
        const auto length = static_cast<size_t>(field.length);
        bool digits = true;
        for (size_t i = 0; i < length; ++i) digits &= IsNumericByte(static_cast<unsigned char>(value[i]));
        if (!digits && !IsBlank(value, length)) return false;
    }
    return true;
}

bool RecordChecker::DeclaredFormsAreClean(const char* record) const {
    for (size_t f = 0; f < m_layout.fields.size(); ++f) {
        const LayoutField& field = m_layout.fields[f];
        if (!field.numeric || field.form.IsPlain()) continue;
        if (m_readers[f].FirstFault(record + field.offset) < static_cast<size_t>(field.length)) return false;
    }
    return true;
}

void RecordChecker::FindFieldFaults(const FixedRecord& record, std::vector<Finding>& findings) const {
    for (size_t f = 0; f < m_layout.fields.size(); ++f) {
        const LayoutField& field = m_layout.fields[f];
        const char* value = record.bytes + field.offset;
        const auto length = static_cast<size_t>(field.length);
        if (!field.numeric) continue;
        const size_t fault = m_readers[f].FirstFault(value);
        if (fault == length) continue;
        findings.push_back(
            {FindingKind::Numeric, record.number, field.name,
             "value \"" + ShownBytes(value, length) + "\" has " +
                 ShownByte(static_cast<unsigned char>(value[fault])) + " at position " +
                 std::to_string(field.offset + fault + 1) +
                 (field.form.IsPlain() ? ", not a digit" : ", not of the field's declared form")});
    }
}

std::string RecordChecker::FieldAt(size_t position) const {
    for (const LayoutField& field : m_layout.fields) {
        if (position >= static_cast<size_t>(field.offset) &&
            position < static_cast<size_t>(field.offset) + static_cast<size_t>(field.length)) {
            return field.name;
        }
    }
    return "";
}

}  // namespace lathwell
