// The runtime's simulated disk catalog: DIR/<name>.disk describes /dev/<name>
// as key=value lines (vendor, product, serial, naa, ...).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace refhost {

struct CatalogDisk {
    std::string name;
    std::map<std::string, std::string> fields;
    std::string field(const std::string& key) const;
};

// A device base name that is safe to use as a file name in a directory:
// letters, digits, '_', '-', '.', not "." or "..".
bool isPlainDeviceName(const std::string& name);
// "/dev/sdb" -> "sdb"; anything that is not a plain name -> empty.
std::string deviceBaseName(const std::string& device);

class DiskCatalog {
public:
    explicit DiskCatalog(std::string dir) : dir_(std::move(dir)) {}
    const std::string& dir() const { return dir_; }

    std::vector<CatalogDisk> disks() const;  // sorted by name
    bool remove(const std::string& name);

private:
    std::string dir_;
};

}  // namespace refhost
