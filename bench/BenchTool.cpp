// xiv_bench_tool write N FILE   writes a vol_list answer of N volumes
// xiv_bench_tool peak FILE      parses FILE with ParseOutput and prints the
//                               process's peak resident memory (KiB) before
//                               and after, and the number of records
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "VolListDocument.h"
#include "xiv/XCliParse.h"

namespace {

long peakKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, 6, "VmHWM:") == 0) return std::atol(line.c_str() + 6);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && argc == 4) {
        std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
        out << VolListDocument(std::atoi(argv[2]));
        return out ? 0 : 1;
    }
    if (mode == "peak" && argc == 3) {
        const long before = peakKiB();
        std::ifstream in(argv[2], std::ios::binary | std::ios::ate);
        std::string xml(static_cast<size_t>(in.tellg()), '\0');
        in.seekg(0);
        in.read(&xml[0], static_cast<std::streamsize>(xml.size()));
        std::string status, errorText;
        ResourceList records;
        ParseOutput("volume", xml, status, errorText, records);
        const size_t count = records.size();
        const long after = peakKiB();
        records.clear();
        std::printf(
            "{\"before_kib\": %ld, \"peak_kib\": %ld, \"records\": %zu, "
            "\"status\": \"%s\"}\n",
            before, after, count, status.c_str());
        return status == "SUCCESS" ? 0 : 1;
    }
    std::fprintf(stderr, "usage: %s write N FILE | peak FILE\n", argv[0]);
    return 2;
}
