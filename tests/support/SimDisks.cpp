#include "SimDisks.h"

#include <cstdio>

SimDisks::SimDisks() : dir_("zrso-disks"), env_("ZRSO_SIM_DISKS", dir_.path()) {}

std::string SimDisks::add(const std::string& name, const SimDisk& disk) {
    std::string text = "vendor=" + disk.vendor + "\nproduct=" + disk.product + "\nrevision=0000\n";
    if (!disk.serial.empty()) text += "serial=" + disk.serial + "\n";
    if (!disk.naa.empty()) text += "naa=" + disk.naa + "\n";
    for (const auto& kv : disk.extra) text += kv.first + "=" + kv.second + "\n";
    // Whole file under a temporary name, then renamed, as the catalog's writers do.
    std::string tmp = dir_.write("." + name + ".tmp", text);
    std::rename(tmp.c_str(), dir_.file(name + ".disk").c_str());
    return "/dev/" + name;
}

SimDisk SimDisks::Xiv(const std::string& serial, const std::string& naa) {
    SimDisk d;
    d.serial = serial;
    d.naa = naa;
    return d;
}
