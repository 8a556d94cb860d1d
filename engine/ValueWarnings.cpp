#include "ValueWarnings.h"

namespace lathwell {

namespace {

std::string Counted(int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::vector<ValueWarning> DescribeValueWarnings(const ConversionResult& result,
                                                const std::function<std::string(int16_t)>& fieldName) {
    std::vector<ValueWarning> warnings;
    for (const FieldCut& cut : result.fieldCuts) {
        std::string text = Counted(cut.count, "value", "values") + " cut to the length of field '" +
                           fieldName(cut.sectionIndex) + "' (the first on this line)";
        if (cut.characterCuts > 0) {
            text += "; " + std::to_string(cut.characterCuts) + " of them inside a UTF-8 character";
        }
        warnings.push_back({cut.firstLine, text});
    }
    for (const FormMismatch& mismatch : result.formMismatches) {
        warnings.push_back({mismatch.firstLine, Counted(mismatch.count, "value", "values") +
                                                    " not of the declared form of field '" +
                                                    fieldName(mismatch.sectionIndex) +
                                                    "', placed as written (the first on this line: \"" +
                                                    mismatch.firstValue + "\")"});
    }
    if (result.textAfterQuote.count > 0) {
        warnings.push_back({result.textAfterQuote.firstLine,
                            Counted(result.textAfterQuote.count, "line", "lines") +
                                " with text after a closing quote, which belongs to no column and was left out "
                                "(the first on this line)"});
    }
    return warnings;
}

}  // namespace lathwell
