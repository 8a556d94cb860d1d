// ProcessRequest: the checks of the main window's Process command, without the window. From the
// boxes' contents it makes the run's settings, or the refusal the window shows: its message and
// the control the user is sent to. The checks come in the window's order, each only when the
// ones before it passed:
//   1. an input, an output and (in CSV mode) a DD file name must be given;
//   2. the input must exist, its name must differ from the output's (ignoring case), and the
//      record length must be above 0;
//   3. a CSV input needs field positions that cover every column of its header (read here)
//      with at least two matched;
//   4. the output name is completed: ".csv" for a text input in CSV mode, ".txd" for a name
//      without a dot, the input's folder for a name without one;
//   5. the output must not be the input or the DD file under any spelling.
// The overwrite question and the preparation of the run (whose refusals WindowRefusal words)
// follow in the window.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

#include "ConversionRun.h"
#include "MpVector.h"
#include "RunRefusal.h"

namespace lathwell::app {

// The contents of the main window's controls that a run is made of.
struct ProcessBoxes {
    QString inputName;
    QString outputName;
    QString ddFileName;
    QString recordLength;  // as typed
    bool csvMode = false;
    bool populationFields = false;
    bool asciiOnly = false;
    MpVector<int16_t> fieldPositions;
};

// The control a refusal sends the user to.
enum class ProcessFocus { InputFile, OutputFile, DDFile, FieldPositions };

struct ProcessRefusal {
    QString message;
    ProcessFocus focus;
    QString outputBox = {};  // when not empty: the output box's text, completed before the refusal
};

struct ProcessRun {
    ConversionSettings settings;
    QString outputBox;  // what the output box shows once the name was completed
};

std::variant<ProcessRun, ProcessRefusal> MakeProcessRequest(const ProcessBoxes& boxes);

// The window's words and focus for a refusal of the run's preparation; nothing for a failure
// of the run itself, which the report window shows as when it comes midway.
std::optional<ProcessRefusal> WindowRefusal(const RunRefusal& refusal);

}  // namespace lathwell::app
