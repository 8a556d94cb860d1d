// RunRefusal: a run refused before it began (see RunPreparation), naming the check it failed
// and the file the check was about, so that each front end can word it and point the user to
// that file's box. Nothing was created or emptied when a RunRefusal is raised.
#pragma once

#include "MpException.h"

namespace lathwell {

// The check a refused request failed.
enum class RunCheck {
    RecordLength,    // "Please specify a record length"
    InputIsFolder,   // "Input File is a folder, not a file"
    InputNotOpened,  // the input could not be opened: the reader's message
    HeaderNotRead,   // the CSV header line (line 1) could not be read: the reader's message
    DDFile,          // the DD file or its layout was refused: the DD layer's message
    OutputIsInput,   // "Output File and Input File are the same" (also for another input name)
    OutputIsDDFile,  // "Output File and DD File are the same"
    OutputExists,    // "Output File \"<name>\" already exists" (createNew)
    OutputInUse,     // "Output File \"<name>\" is in use by another program"
    OutputNotOpened  // the output could not be created or opened: the system's message
};

// The file a refusal is about.
enum class RunFile { None, Input, DDFile, Output };

class RunRefusal : public MpException {
public:
    RunRefusal(RunCheck check, RunFile file, const char* message);
    RunCheck Check() const { return m_check; }
    RunFile File() const { return m_file; }

private:
    RunCheck m_check;
    RunFile m_file;
};

}  // namespace lathwell
