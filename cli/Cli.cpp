#include "Cli.h"

#include <exception>

#include "CheckCommand.h"
#include "CliArguments.h"
#include "ConvertCommand.h"
#include "DDFile.h"
#include "FieldsCommand.h"
#include "LayoutCommand.h"
#include "MpException.h"
#include "MpLibraryStartup.h"
#include "MpSignal.h"
#include "Utf8Text.h"
#include "ProgressObserver.h"
#include "UnpackCommand.h"

namespace lathwell::cli {

namespace {

// The library's start-up chooses the lock calls the DD file reader needs; its shutdown frees
// the allocation reserve. One session spans one command.
class LibrarySession {
public:
    LibrarySession() { MpLibraryStartup(); }
    ~LibrarySession() { MpLibraryShutdown(); }
    LibrarySession(const LibrarySession&) = delete;
    LibrarySession& operator=(const LibrarySession&) = delete;
};

int RunCommand(const CliArguments& arguments, const CliStreams& streams) {
    switch (arguments.command) {
        case CliCommand::Help:
            streams.out << CliHelpText(arguments.helpTopic) << std::flush;
            return 0;
        case CliCommand::Version:
            streams.out << "lathwell-cli " LATHWELL_VERSION "\n" << std::flush;
            return 0;
        case CliCommand::Fields:
            return RunFieldsCommand(arguments, streams);
        case CliCommand::Layout:
            return RunLayoutCommand(arguments, streams);
        case CliCommand::Check:
            return RunCheckCommand(arguments, streams);
        case CliCommand::Unpack:
            return RunUnpackCommand(arguments, streams);
        case CliCommand::Pad:
        case CliCommand::Csv:
            break;
    }
    return RunConvertCommand(arguments, streams);
}

// A failure after the user's stop (a read or a DD file's reading it ended) is the stop, which
// the exit status tells; any other is shown.
void ReportUnlessStopped(const char* message, const CliStreams& streams) {
    if (!MpSignal::StopRequested()) streams.err << "lathwell-cli: " << message << "\n";
}

}  // namespace

int RunCli(int argc, const char* const* argv, const CliStreams& streams) {
    // A run's own failures are reported by the run; everything that arrives here stopped
    // the command before anything was written.
    const int kRefused = 2;
    try {
        LibrarySession session;
        const int status = RunCommand(ParseCliArguments(argc, argv), streams);
        // A reader of standard output that went away ends any command quietly.
        if (MpSignal::Caught() == MpStopSignal::BrokenPipe)
            return MpSignal::ShellExitStatus(MpStopSignal::BrokenPipe);
        return status;
    } catch (const CliStopped&) {
        // Nothing more to say: the status tells.
    } catch (const CliUsageError& error) {
        streams.err << "lathwell-cli: " << TerminalSafe(error.what()) << " (see lathwell-cli --help)\n";
    } catch (const CliRefusal& error) {
        // Refusals name files, headers and fields, whose bytes are not shown raw.
        streams.err << "lathwell-cli: " << TerminalSafe(error.what()) << "\n";
    } catch (const DDFileLockedException& error) {
        // Closes the announced wait for the DD file, which a stop ends too.
        streams.err << "lathwell-cli: " << error.GetErrorMessage() << "\n";
    } catch (const MpException& error) {
        ReportUnlessStopped(error.GetErrorMessage(), streams);
    } catch (const std::exception& error) {
        ReportUnlessStopped(error.what(), streams);
    }
    streams.err.flush();
    // Stopped by the user before the run began (while waiting for a locked DD file).
    const MpStopSignal signal = MpSignal::Caught();
    return IsStopRequest(signal) ? MpSignal::ShellExitStatus(signal) : kRefused;
}

void StopIfAsked() {
    if (IsStopRequest(MpSignal::Caught())) throw CliStopped();
}

}  // namespace lathwell::cli
