#include "FieldFormReader.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "MpIniSection.h"
#include "TextCase.h"

namespace lathwell {

const char* const kFieldFormKeys[5] = {"Type", "Sign", "Decimals", "Justify", "Fill"};

namespace {

// The largest Decimals: more implied decimals than a field can ever hold say nothing more.
constexpr long kMaxDecimals = 32767;

template <typename Value, size_t N>
bool ReadWord(MpIniSection& section, const char* key, const char* const (&words)[N], const Value (&values)[N],
              Value& value, std::vector<std::string>& problems) {
    const std::string text = section.GetString(key, "");
    if (text.empty()) return false;
    for (size_t i = 0; i < N; ++i) {
        if (EqualIgnoringCase(text.c_str(), words[i])) {
            value = values[i];
            return true;
        }
    }
    std::string choices;
    for (size_t i = 0; i < N; ++i) choices += std::string(i == 0 ? "" : i + 1 == N ? " or " : ", ") + words[i];
    problems.push_back(std::string(key) + "=" + text + " is not " + choices);
    return false;
}

}  // namespace

ReadFieldFormResult ReadFieldForm(MpIniSection& section) {
    ReadFieldFormResult result;
    FieldForm& form = result.form;
    ReadWord(section, "Type", {"Text", "Number"}, {FieldType::Text, FieldType::Number}, form.type,
             result.problems);
    ReadWord(section, "Sign", {"Leading", "Trailing", "Separate"},
             {SignPlacement::Leading, SignPlacement::Trailing, SignPlacement::Separate}, form.sign, result.problems);
    ReadWord(section, "Justify", {"Left", "Right"}, {Justification::Left, Justification::Right},
             form.justification, result.problems);

    const std::string decimals = section.GetString("Decimals", "");
    if (!decimals.empty()) {
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(decimals.c_str(), &end, 10);
        if (*end != '\0' || errno != 0 || value < 0 || value > kMaxDecimals) {
            result.problems.push_back("Decimals=" + decimals + " is not a whole number from 0 to 32767");
        } else {
            form.decimals = static_cast<int32_t>(value);
        }
    }
    const std::string fill = section.GetString("Fill", "");
    if (fill.size() == 1) {
        form.fill = fill[0];
    } else if (!fill.empty()) {
        result.problems.push_back("Fill=" + fill + " is not one byte (write a blank as Fill=\" \")");
    }
    return result;
}

}  // namespace lathwell
