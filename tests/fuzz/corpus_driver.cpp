// Stand-in for libFuzzer's main when the fuzz targets are built without clang: runs
// LLVMFuzzerTestOneInput once for every file given, or for every file in a folder given.
// A crash or an abort is the failure; so is a run that finds no input at all.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int a = 1; a < argc; ++a) {
        const fs::path p(argv[a]);
        if (fs::is_directory(p)) {
            for (const auto& e : fs::directory_iterator(p))
                if (e.is_regular_file()) inputs.push_back(e.path());
        } else {
            inputs.push_back(p);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "no input files\n");
        return 1;
    }
    for (const auto& p : inputs) {
        std::ifstream in(p, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", p.c_str());
            return 1;
        }
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // An exact-size heap copy, so that a read past the end is seen by AddressSanitizer.
        std::vector<std::uint8_t> buf(bytes.begin(), bytes.end());
        std::printf("input %s (%zu bytes)\n", p.filename().c_str(), buf.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::printf("%zu inputs ran without a finding\n", inputs.size());
    return 0;
}
