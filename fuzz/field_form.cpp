// Fuzz target: writing values in a field's declared form.
//
// The first bytes of an input choose the form (type, sign, decimals, justification, fill) and
// the field's length; the rest is the value. Whatever the value, the formatter writes exactly
// the field's bytes or nothing; a Number it accepts is read back from the field (sign, digits,
// implied decimals) by a reader written here and must equal the value, unless it was cut.
#include <cstdint>
#include <cstring>
#include <string>

#include "FieldFormatter.h"
#include "FuzzSupport.h"

using namespace lathwell;

namespace {

// The value as a sign and its digits with the point moved decimals places to the right,
// without leading zeros: "-12.5" with 2 decimals is "-1250". Empty when it is no number.
std::string Canonical(const std::string& text, int32_t decimals) {
    std::string digits;
    bool negative = false;
    size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    int32_t after = -1;
    for (; at < text.size(); ++at) {
        if (text[at] == '.' && after < 0) {
            after = 0;
        } else if (text[at] >= '0' && text[at] <= '9') {
            digits += text[at];
            if (after >= 0) ++after;
        } else {
            return "";
        }
    }
    if (digits.empty()) return "";
    for (int32_t i = after < 0 ? 0 : after; i < decimals; ++i) digits += '0';
    while (after > decimals && digits.back() == '0') {
        digits.pop_back();
        --after;
    }
    if (after > decimals) return "";
    digits.erase(0, digits.find_first_not_of('0'));
    return (negative && !digits.empty() ? "-" : "") + (digits.empty() ? "0" : digits);
}

// Reads a Number field back: its sign where the form puts it, then its digits without the fill.
std::string ReadBack(std::string text, SignPlacement sign, bool right, char fill) {
    bool negative = false;
    const size_t signAt = sign == SignPlacement::Trailing ? text.find_last_of("-+") : text.find_first_of("-+");
    if (sign != SignPlacement::None && signAt != std::string::npos) {
        negative = text[signAt] == '-';
        text.erase(signAt, 1);
    }
    if (right) {
        text.erase(0, text.find_first_not_of(fill));
    } else {
        text.erase(text.find_last_not_of(fill) + 1);
    }
    return Canonical((negative ? "-" : "") + (text.empty() ? "0" : text), 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    FieldForm form;
    form.type = static_cast<FieldType>(data[0] % 3);
    form.sign = static_cast<SignPlacement>((data[0] / 3) % 4);
    form.justification = static_cast<Justification>((data[0] / 12) % 3);
    form.decimals = static_cast<int32_t>(data[1] % 8) - 1;
    // Fills a reader can tell from digits and signs: none, a blank, "0" or "*".
    const char fills[] = {'\0', ' ', '0', '*'};
    form.fill = fills[data[1] / 8 % 4];
    const bool numericByFormat = data[2] % 2 == 1;
    const int32_t length = data[3] % 24;
    const std::string value(reinterpret_cast<const char*>(data) + 4, size - 4);

    const FieldFormatter formatter(form, numericByFormat, length);
    std::string field(static_cast<size_t>(length) + 1, '\x01');
    const FormFit fit = formatter.Write(value.data(), value.size(), &field[0]);
    FUZZ_CHECK(field.back() == '\x01');  // never past the field
    field.pop_back();
    if (fit == FormFit::Mismatch) {
        FUZZ_CHECK(formatter.IsNumber() && !value.empty());
        FUZZ_CHECK(field == std::string(static_cast<size_t>(length), '\x01'));  // nothing written
        return 0;
    }
    FUZZ_CHECK(field.find('\x01') == std::string::npos || value.find('\x01') != std::string::npos);
    if (!formatter.IsNumber() || value.empty() || fit == FormFit::Cut) return 0;
    std::string trimmed = value;
    trimmed.erase(trimmed.find_last_not_of(' ') + 1);
    const bool right = form.justification == Justification::Right || form.justification == Justification::ByType;
    const char fill = form.fill != '\0' ? form.fill : (right ? '0' : ' ');
    // A number written with its point, or zeros after a left-justified one, cannot be told
    // apart from its digits.
    if ((form.decimals < 0 && trimmed.find('.') != std::string::npos) || (!right && fill == '0')) return 0;
    FUZZ_CHECK(ReadBack(field, form.sign, right, fill) == Canonical(trimmed, form.decimals < 0 ? 0 : form.decimals));
    return 0;
}
