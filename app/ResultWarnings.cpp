#include "ResultWarnings.h"

#include <memory>
#include <string>

#include "DDCheck.h"
#include "DDFile.h"
#include "MpException.h"
#include "ValueWarnings.h"

namespace lathwell::app {

namespace {

QString Text(const std::string& bytes) { return QString::fromLocal8Bit(bytes.c_str()); }

QString PlaceOf(const ConversionSettings& settings, int64_t line) {
    return line > 0 ? Text(settings.inputName.GetCString()) + ":" + QString::number(line) + ": " : QString();
}

}  // namespace

QStringList ResultWarnings(const ConversionSettings& settings, const ConversionResult& result) {
    QStringList warnings;
    if (!settings.ddFileName.IsEmpty()) {
        try {
            DDFile ddFile(settings.ddFileName.GetCString());
            const DDCheckResult check = CheckDDFile(ddFile, settings.usePopulationFields);
            const QString ddName = Text(settings.ddFileName.GetCString()) + ": ";
            for (const std::string& finding : check.findings) warnings << ddName + Text(finding);
            if (!check.MoreText().empty()) warnings << ddName + Text(check.MoreText());
            auto fieldName = [&](int16_t section) { return std::string(ddFile.GetFieldName(section).GetCString()); };
            for (const ValueWarning& warning : DescribeValueWarnings(result, fieldName)) {
                warnings << PlaceOf(settings, warning.line) + Text(warning.text);
            }
        } catch (MpException&) {
            // The run has reported what is wrong with the DD file already.
        }
    }
    if (result.outcome == RunOutcome::Failed && result.failureLine > 0) {
        warnings << PlaceOf(settings, result.failureLine) +
                        "the run stopped at this line; the records written before it remain in the output";
    }
    return warnings;
}

}  // namespace lathwell::app
