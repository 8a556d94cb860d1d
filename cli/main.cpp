#include <iostream>

#include "Cli.h"
#include "CliFiles.h"
#include "MpIODescriptor.h"

int main(int argc, char** argv) {
    // Records and standard input go through the descriptors; nothing here uses C stdio.
    std::ios::sync_with_stdio(false);
    // A reader of standard output that goes away makes the run fail with its message and exit
    // status 1 rather than end the process without a word.
    MpIODescriptor::IgnoreBrokenPipes();
    return lathwell::cli::RunCli(argc, argv, lathwell::cli::CliStreams{std::cin, std::cout, std::cerr, lathwell::cli::StandardErrorIsTerminal(), true});
}
