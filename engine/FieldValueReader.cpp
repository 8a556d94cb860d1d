#include "FieldValueReader.h"

#include <cstring>

namespace lathwell {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

FieldValueReader::FieldValueReader(const FieldForm& form, bool numericByFormatSection, int32_t length)
    : m_form(form, numericByFormatSection, length),
      m_point(!form.IsPlain() && form.decimals < 0) {}

bool FieldValueReader::IsBlank(const char* field) const {
    for (size_t i = 0; i < m_form.length; ++i) {
        if (field[i] != ' ') return false;
    }
    return true;
}

size_t FieldValueReader::FirstFault(const char* field) const {
    if (!m_form.number || IsBlank(field)) return m_form.length;
    return ScanNumber(field).fault;
}

FieldValueReader::Scan FieldValueReader::ScanNumber(const char* field) const {
    Scan scan{m_form.length, false, 0, 0};
    size_t at = 0;
    const size_t end = m_form.length;
    const bool leading = m_form.sign == SignPlacement::Leading || m_form.sign == SignPlacement::Separate;
    bool signed_ = false;
    auto takeSign = [&](bool plusToo) {
        if (at < end && (field[at] == '-' || (plusToo && field[at] == '+'))) {
            scan.negative = field[at++] == '-';
            signed_ = true;
        }
    };
    const bool fillIsDigit = IsDigit(m_form.fill);  // zeros on the left are read with the digits
    // A leading sign goes before zeros (-004), but next to the digits after other fill (  -4).
    if (leading && (!m_form.right || fillIsDigit)) takeSign(m_form.sign == SignPlacement::Separate);
    if (m_form.right && !fillIsDigit) {
        while (at < end && field[at] == m_form.fill) ++at;
        if (leading) takeSign(m_form.sign == SignPlacement::Separate);
    }
    if (m_form.sign == SignPlacement::Separate && !signed_) {
        scan.fault = at < end ? at : end - 1;
        return scan;
    }
    scan.digitsBegin = at;
    bool point = false;
    while (at < end && (IsDigit(field[at]) || (m_point && !point && field[at] == '.')))
        point |= field[at++] == '.';
    scan.digitsEnd = at;
    if (m_form.sign == SignPlacement::Trailing) {
        if (at == end || (field[at] != '-' && field[at] != '+')) {
            scan.fault = at < end ? at : end - 1;
            return scan;
        }
        scan.negative = field[at++] == '-';
    }
    if (!m_form.right) {
        while (at < end && field[at] == m_form.fill) ++at;
    }
    scan.fault = at;
    return scan;
}

FieldValueReader::Value FieldValueReader::Read(const char* field, char* scratch) const {
    if (IsBlank(field)) return {field, 0};
    if (m_form.number) {
        const Scan scan = ScanNumber(field);
        if (scan.fault == m_form.length) return ReadNumber(field, scan, scratch);
    }
    size_t begin = 0;
    size_t end = m_form.length;
    if (m_form.right) {
        while (begin < end && field[begin] == m_form.fill) ++begin;
    } else {
        while (end > begin && field[end - 1] == m_form.fill) --end;
    }
    return {field + begin, end - begin};
}

FieldValueReader::Value FieldValueReader::ReadNumber(const char* field, const Scan& scan, char* scratch) const {
    const char* digits = field + scan.digitsBegin;
    size_t count = scan.digitsEnd - scan.digitsBegin;
    const size_t decimals = m_form.decimals > 0 ? static_cast<size_t>(m_form.decimals) : 0;
    const size_t integer = count > decimals ? count - decimals : 0;
    size_t skipped = 0;
    if (decimals == 0) {
        // The zeros on the left are fill, but the last digit and one before a point stay.
        while (skipped + 1 < count && digits[skipped] == '0' && digits[skipped + 1] != '.') ++skipped;
        if (!scan.negative) return {digits + skipped, count - skipped};
        scratch[0] = '-';
        std::memcpy(scratch + 1, digits + skipped, count - skipped);
        return {scratch, count - skipped + 1};
    }
    char* at = scratch;
    if (scan.negative) *at++ = '-';
    while (skipped < integer && digits[skipped] == '0') ++skipped;
    if (skipped == integer) *at++ = '0';  // 0.50
    std::memcpy(at, digits + skipped, integer - skipped);
    at += integer - skipped;
    *at++ = '.';
    for (size_t i = count; i < decimals; ++i) *at++ = '0';
    std::memcpy(at, digits + integer, count - integer);
    at += count - integer;
    return {scratch, static_cast<size_t>(at - scratch)};
}

}  // namespace lathwell
