#include "sim/Devlist.h"

int main(int argc, char** argv) {
    return sim::runDevlist(std::vector<std::string>(argv + 1, argv + argc));
}
