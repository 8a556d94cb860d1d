// CheckDDFile: the mistakes a DD file written by hand can hold that reading it passes over in
// silence, each as one sentence naming its section:
//   - a section whose name is a field kind in another case ([field3]), which is no field;
//   - a key of a field section that no reader knows (Lenght=), with the nearest known key;
//   - a Length, ByteOffset or PopByteOffset that is not a whole number (read as 0), and a ';'
//     after a value, which is part of the value and not a comment;
//   - a form key (FieldForm.h) that is not understood, or a Sign or Decimals on a Text field;
//   - two field sections with the same FieldName (ignoring case);
//   - among the fields of the chosen layout: a field that starts before byte 1, takes no
//     byte, ends past the record length, or overlaps another.
// The findings are listed up to a bound and counted in full. The check reads the DDFile only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "DDFile.h"

namespace lathwell {

struct DDCheckResult {
    std::vector<std::string> findings;  // the first ones, up to the bound, in file order by kind
    int64_t total = 0;                  // all findings

    // "... and N more" when findings were left out, else empty.
    std::string MoreText() const;
};

DDCheckResult CheckDDFile(DDFile& ddFile, bool populationLayout, size_t maxFindings = 100);

}  // namespace lathwell
