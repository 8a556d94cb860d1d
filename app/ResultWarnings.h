// ResultWarnings: the lines the results window lists below its statistics after a CSV run:
// the mistakes the DD check finds in the DD file, the values the run could not place as
// written (each with the input file and line of the first), and after a failure midway the
// input line it stopped at, with the word that the records written before it remain.
#pragma once

#include <QStringList>

#include "ConversionRun.h"

namespace lathwell::app {

QStringList ResultWarnings(const ConversionSettings& settings, const ConversionResult& result);

}  // namespace lathwell::app
