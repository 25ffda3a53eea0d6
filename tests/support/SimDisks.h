// A simulated disk catalog in a private directory, named by ZRSO_SIM_DISKS
// for the lifetime of the object. Disks added here answer the runtime's
// device tree as /dev/<name>.
#pragma once

#include <map>
#include <string>

#include "TempDir.h"

struct SimDisk {
    std::string vendor = "IBM";
    std::string product = "2810XIV";
    std::string serial;  // unit serial page text (hex array serial + volume serial)
    std::string naa;     // device identification designator, hex digits
    // Further keys: inquiry_hex, vpd80_hex, vpd83_hex, fail, lun, volume, ...
    std::map<std::string, std::string> extra;
};

class SimDisks {
public:
    SimDisks();

    // Writes <name>.disk (replacing any earlier one); returns "/dev/<name>".
    std::string add(const std::string& name, const SimDisk& disk);
    const std::string& dir() const { return dir_.path(); }

    // A disk of an XIV volume: IBM / 2810XIV with the given serial and NAA.
    static SimDisk Xiv(const std::string& serial = "13027950001",
                       const std::string& naa = "6001738002795000000000000000A001");

private:
    TempDir dir_;
    ScopedEnv env_;
};
