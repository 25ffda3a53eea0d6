// Where arrays live: one SQLite file per management address in the state
// directory, with the schema of an array.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "sim/Db.h"
#include "sim/Shapes.h"

namespace sim {

// $XIV_SIM_STATE unless overridden (xcli-sim --state).
std::string stateDir();
void setStateDir(const std::string& dir);

std::string arrayFile(const std::string& address);
// Null when no array answers at that address.
std::unique_ptr<Db> openArray(const std::string& address);
// Creates the file and schema; fails when the address is taken.
std::unique_ptr<Db> createArray(const std::string& address, const std::string& serial);
// Every array's address, sorted.
std::vector<std::string> arrayAddresses();

struct ArrayInfo {
    std::string address;
    std::string serial;
    bool refuseWwn = false;
    AnswerShapes shapes;
};
ArrayInfo readArrayInfo(Db& db);

}  // namespace sim
