// Replays fuzz inputs without libFuzzer: every file named on the command line, and every
// regular file inside a folder named there, is handed to LLVMFuzzerTestOneInput once. A crash,
// a sanitizer report or an escaping exception fails the run, so the saved corpora act as
// regression tests in any build.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> InputsOf(const std::filesystem::path& argument) {
    std::vector<std::filesystem::path> inputs;
    if (std::filesystem::is_directory(argument)) {
        for (const auto& entry : std::filesystem::directory_iterator(argument)) {
            if (entry.is_regular_file()) {
                inputs.push_back(entry.path());
            }
        }
        // Directory order is arbitrary; sorting makes a failing run repeatable.
        std::sort(inputs.begin(), inputs.end());
    } else {
        inputs.push_back(argument);
    }
    return inputs;
}

std::vector<uint8_t> ReadAll(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        throw std::runtime_error("cannot read " + file.string());
    }
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(stream), {});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
        return 2;
    }
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& input : InputsOf(argv[i])) {
            // Printed before the call, so a crash names its input.
            std::printf("replaying %s\n", input.string().c_str());
            std::fflush(stdout);
            const std::vector<uint8_t> bytes = ReadAll(input);
            // libFuzzer never passes a null pointer, not even for an empty input.
            static const uint8_t kNoBytes = 0;
            LLVMFuzzerTestOneInput(bytes.empty() ? &kNoBytes : bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::printf("%zu inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
