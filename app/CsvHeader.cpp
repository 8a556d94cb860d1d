#include "CsvHeader.h"

#include "PlainLineReader.h"

namespace lathwell::app {

MpString ReadHeaderLine(const char* fileName) {
    PlainLineReader reader(fileName, false);
    TextLine line;
    MpString header;
    if (reader.ReadLine(line)) header = line.text;
    reader.Close();
    return header;
}

}  // namespace lathwell::app
