#include "sim/Admin.h"

int main(int argc, char** argv) {
    return sim::runAdmin(std::vector<std::string>(argv + 1, argv + argc));
}
