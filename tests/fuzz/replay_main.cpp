// Runs a fuzz target over every file of a corpus directory (or the files
// given), so that seeds and once-crashing inputs are checked by every build.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static void runFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    // A copy of exactly the file's size, so reads past the end are caught.
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
}

// A file, or every file under a directory (answers of one scripted array
// are kept together in a folder of their own).
int main(int argc, char** argv) {
    int files = 0, failures = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        std::vector<fs::path> paths;
        if (!fs::is_directory(argv[i])) paths.push_back(argv[i]);
        for (fs::recursive_directory_iterator it(argv[i], ec), end; !ec && it != end;
             it.increment(ec))
            if (it->is_regular_file()) paths.push_back(it->path());
        for (const fs::path& path : paths) {
            if (!fs::is_regular_file(path)) {
                std::fprintf(stderr, "cannot read %s\n", path.c_str());
                ++failures;
                continue;
            }
            ++files;
            runFile(path);
        }
    }
    std::printf("replayed %d inputs\n", files);
    return failures == 0 && files > 0 ? 0 : 1;
}
