#include <iostream>

#include "Cli.h"
#include "CliFiles.h"

int main(int argc, char** argv) {
    // Standard input and output are copied in bulk; nothing here uses C stdio.
    std::ios::sync_with_stdio(false);
    return RunCli(argc, argv, CliStreams{std::cin, std::cout, std::cerr, StandardErrorIsTerminal()});
}
