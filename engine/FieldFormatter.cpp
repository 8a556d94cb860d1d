#include "FieldFormatter.h"

#include <cstring>
#include <string>

namespace lathwell {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t CountDigits(const char* from, const char* end) {
    const char* at = from;
    while (at < end && IsDigit(*at)) ++at;
    return static_cast<size_t>(at - from);
}

}  // namespace

FieldFormatter::FieldFormatter(const FieldForm& form, bool numericByFormatSection, int32_t length)
    : m_form(form, numericByFormatSection, length) {}

FormFit FieldFormatter::Write(const char* value, size_t width, char* place) const {
    if (width == 0) {
        // An empty value is blank, as in every field.
        std::memset(place, ' ', m_form.length);
        return m_form.length == 0 ? FormFit::Exact : FormFit::Padded;
    }
    if (!m_form.number) return WriteText(value, width, place);
    Number number;
    if (!ReadNumber(value, width, number)) return FormFit::Mismatch;
    return WriteNumber(number, place);
}

bool FieldFormatter::ReadNumber(const char* value, size_t width, Number& number) const {
    const char* end = value + width;
    while (end > value && end[-1] == ' ') --end;
    const char* at = value;
    if (at < end && (*at == '-' || *at == '+')) {
        number.negative = *at == '-';
        ++at;
        if (number.negative && m_form.sign == SignPlacement::None) return false;
    }
    number.integer = at;
    number.integerLength = CountDigits(at, end);
    at += number.integerLength;
    if (at < end && *at == '.') {
        number.point = true;
        number.fraction = ++at;
        number.fractionLength = CountDigits(at, end);
        at += number.fractionLength;
    }
    if (at != end || number.integerLength + number.fractionLength == 0) return false;
    if (m_form.decimals < 0) return true;
    // Decimal zeros beyond the declared ones say nothing and are dropped; other digits would
    // be lost.
    const size_t declared = static_cast<size_t>(m_form.decimals);
    while (number.fractionLength > declared && number.fraction[number.fractionLength - 1] == '0') {
        --number.fractionLength;
    }
    return number.fractionLength <= declared;
}

FormFit FieldFormatter::WriteNumber(const Number& number, char* place) const {
    char leading = '\0';
    char trailing = '\0';
    const char sign = number.negative ? '-' : '+';
    if (m_form.sign == SignPlacement::Leading && number.negative) leading = '-';
    if (m_form.sign == SignPlacement::Separate) leading = sign;
    if (m_form.sign == SignPlacement::Trailing) trailing = sign;
    if (m_form.decimals < 0) {
        // Without Decimals the number is written as it was given, its point included.
        const char* body = number.integer;
        const size_t length = static_cast<size_t>(
            (number.point ? number.fraction + number.fractionLength : number.integer + number.integerLength) - body);
        return Arrange(leading, length, [&](char* at) { std::memcpy(at, body, length); }, trailing, place);
    }
    const size_t decimals = static_cast<size_t>(m_form.decimals);
    return Arrange(leading, number.integerLength + decimals,
                   [&](char* at) {
                       std::memcpy(at, number.integer, number.integerLength);
                       at += number.integerLength;
                       if (number.fractionLength > 0) std::memcpy(at, number.fraction, number.fractionLength);
                       std::memset(at + number.fractionLength, '0', decimals - number.fractionLength);
                   },
                   trailing, place);
}

FormFit FieldFormatter::WriteText(const char* value, size_t width, char* place) const {
    return Arrange('\0', width, [&](char* at) { std::memcpy(at, value, width); }, '\0', place);
}

template <typename WriteBody>
FormFit FieldFormatter::Arrange(char leadingSign, size_t bodyLength, WriteBody writeBody, char trailingSign,
                                char* place) const {
    const size_t total = bodyLength + (leadingSign != '\0') + (trailingSign != '\0');
    if (total > m_form.length) {
        // Rare: laid out whole, then cut on the right like any value too long for its field.
        std::string whole(total, ' ');
        char* at = &whole[0];
        if (leadingSign != '\0') *at++ = leadingSign;
        writeBody(at);
        if (trailingSign != '\0') whole.back() = trailingSign;
        std::memcpy(place, whole.data(), m_form.length);
        return FormFit::Cut;
    }
    const size_t fill = m_form.length - total;
    char* at = place;
    // A leading sign goes before zeros (-004), but next to the digits after blanks (  -4).
    const bool signBeforeFill = m_form.right && m_form.fill == '0';
    if (leadingSign != '\0' && signBeforeFill) *at++ = leadingSign;
    if (m_form.right) {
        std::memset(at, m_form.fill, fill);
        at += fill;
    }
    if (leadingSign != '\0' && !signBeforeFill) *at++ = leadingSign;
    writeBody(at);
    at += bodyLength;
    if (trailingSign != '\0') *at++ = trailingSign;
    if (!m_form.right) std::memset(at, m_form.fill, fill);
    return fill == 0 ? FormFit::Exact : FormFit::Padded;
}

}  // namespace lathwell
