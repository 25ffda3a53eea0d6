// Host side: the catalog of simulated disks. Each entry is one text file
// <directory>/<name>.disk of key=value lines and stands for the disk
// /dev/<name>; the device tree answers SCSI inquiries for it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "Export.h"

class HOSTRT_API SimDiskCatalog {
public:
    using Fields = std::vector<std::pair<std::string, std::string>>;

    explicit SimDiskCatalog(std::string directory);

    // The catalog named by ZRSO_SIM_DISKS, or "" when that is unset.
    static std::string environmentDirectory();
    // Disk names are plain base names: letters, digits and "._-+:@", not
    // starting with a dot, at most 200 characters.
    static bool validName(const std::string& name);
    // The value of key in fields (the last one when repeated), or "".
    static std::string value(const Fields& fields, const std::string& key);

    const std::string& directory() const { return directory_; }
    std::string entryPath(const std::string& name) const;

    // Writes the entry whole under a temporary name and renames it, so a
    // reader never sees half an entry. Keys must be non-empty without '=' or
    // line breaks; values without line breaks. Creates the directory (and its parents) if needed.
    bool write(const std::string& name, const Fields& fields, std::string* err) const;
    // Reads one entry; false with *err filled when it is missing or unreadable.
    bool read(const std::string& name, Fields* fields, std::string* err) const;
    // Names of all entries, sorted.
    std::vector<std::string> list() const;
    // Removes one entry; removing a missing entry is not an error.
    bool remove(const std::string& name, std::string* err) const;

private:
    std::string directory_;
};
