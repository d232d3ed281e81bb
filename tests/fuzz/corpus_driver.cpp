// Stand-in for libFuzzer's main when the fuzz targets are built without clang: runs
// LLVMFuzzerTestOneInput once for every file in the folders given, in name order. A crash or
// an abort is the failure; so is a run that finds no input at all.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::set<std::filesystem::path> inputs;
    for (int a = 1; a < argc; ++a)
        for (const auto& e : std::filesystem::directory_iterator(argv[a])) inputs.insert(e.path());
    for (const auto& p : inputs) {
        std::ifstream in(p, std::ios::binary);
        // An exact-size heap copy, so that a read past the end is seen by AddressSanitizer.
        const std::vector<std::uint8_t> buf{std::istreambuf_iterator<char>(in), {}};
        std::printf("input %s (%zu bytes)\n", p.string().c_str(), buf.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    return inputs.empty() ? 1 : 0;
}
