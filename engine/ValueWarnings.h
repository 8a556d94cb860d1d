// ValueWarnings: what a CSV run tells the user about values it could not place as written,
// in words both faces show: values cut to their field's length (and of them, those cut inside
// a UTF-8 character), values not of their field's declared form, and lines with text after a
// closing quote. Each warning names the input line of the first such value; the face puts the
// file's name and that line in front.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ConversionRun.h"

namespace lathwell {

struct ValueWarning {
    int64_t line;  // input line of the first value, numbered as ConversionResult::failureLine
    std::string text;
};

// The warnings of a run's result, cuts first in section order, then form mismatches, then the
// text after quotes. fieldName gives the name to show for a field's section index.
std::vector<ValueWarning> DescribeValueWarnings(const ConversionResult& result,
                                                const std::function<std::string(int16_t)>& fieldName);

}  // namespace lathwell
