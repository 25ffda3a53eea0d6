#include "refhost/DiskCatalog.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>

namespace refhost {
namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

}  // namespace

std::string CatalogDisk::field(const std::string& key) const {
    auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
}

bool isPlainDeviceName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.size() > 64) return false;
    for (unsigned char c : name)
        if (!std::isalnum(c) && c != '_' && c != '-' && c != '.') return false;
    return true;
}

std::string deviceBaseName(const std::string& device) {
    std::string base = device;
    if (base.compare(0, 5, "/dev/") == 0) base = base.substr(5);
    return isPlainDeviceName(base) ? base : std::string();
}

std::vector<CatalogDisk> DiskCatalog::disks() const {
    std::vector<CatalogDisk> out;
    DIR* d = opendir(dir_.c_str());
    if (!d) return out;
    while (dirent* e = readdir(d)) {
        std::string file = e->d_name;
        if (file.size() <= 5 || file.compare(file.size() - 5, 5, ".disk") != 0) continue;
        CatalogDisk disk;
        disk.name = file.substr(0, file.size() - 5);
        if (!isPlainDeviceName(disk.name)) continue;
        std::ifstream in(dir_ + "/" + file);
        std::string line;
        while (std::getline(in, line)) {
            size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            disk.fields[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
        }
        out.push_back(std::move(disk));
    }
    closedir(d);
    std::sort(out.begin(), out.end(),
              [](const CatalogDisk& a, const CatalogDisk& b) { return a.name < b.name; });
    return out;
}

bool DiskCatalog::remove(const std::string& name) {
    if (!isPlainDeviceName(name)) return false;
    return ::unlink((dir_ + "/" + name + ".disk").c_str()) == 0;
}

}  // namespace refhost
