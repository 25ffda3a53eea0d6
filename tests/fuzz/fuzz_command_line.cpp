// The process runner's word splitting sees names that came from arrays and
// hosts; it must never misbehave whatever they hold.
#include <cstdint>
#include <string>
#include <vector>

#include "host/rt/ProcessRunner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> words;
    ProcessRunner::splitCommandLine(line, &words);
    return 0;
}
