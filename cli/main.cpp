#include <iostream>

#include "Cli.h"
#include "CliFiles.h"
#include "MpSignal.h"

int main(int argc, char** argv) {
    // Records and standard input go through the descriptors; nothing here uses C stdio.
    std::ios::sync_with_stdio(false);
    // Interrupt, terminate and hang-up stop a run through its cancel; a reader of standard
    // output that goes away makes the write fail, and the run then ends quietly.
    MpSignal::CatchStopSignals();
    return lathwell::cli::RunCli(argc, argv, lathwell::cli::CliStreams{std::cin, std::cout, std::cerr, lathwell::cli::StandardErrorIsTerminal(), true});
}
