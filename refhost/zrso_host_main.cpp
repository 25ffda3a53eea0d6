// zrso-host: the reference host for the XIV snapshot plug-in.
#include <iostream>
#include <string>
#include <vector>

#include "refhost/HostCommands.h"

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    return refhost::runHostCommand(words, std::cout, std::cerr);
}
