#include "sim/Xcli.h"

int main(int argc, char** argv) {
    return sim::runXcli(std::vector<std::string>(argv, argv + argc));
}
