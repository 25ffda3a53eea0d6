// The simulator's admin command (xcli-sim), run without a shell through the
// runtime's process runner with the simulator's state directory.
#pragma once

#include <string>
#include <vector>

namespace refhost {

// One line of 'xcli-sim disks' or 'export-disks' (the latter with the device
// name first).
struct SimDisk {
    std::string device;  // export-disks only
    int lun = 0;
    std::string wwn;
    std::string arraySerial;
    std::string arrayHexSerial;
    std::string targetWwpn;
    std::string volume;
    long long sizeBytes = 0;
    std::string address;
    std::string hostObject;
};

class SimAdmin {
public:
    SimAdmin(std::string binDir, std::string stateDir)
        : binDir_(std::move(binDir)), stateDir_(std::move(stateDir)) {}

    std::string program() const { return binDir_ + "/xcli-sim"; }
    bool available() const;

    // Exit status of xcli-sim; its output in *out and *err.
    int run(const std::vector<std::string>& args, std::string* out, std::string* err) const;
    // Throws std::runtime_error with xcli-sim's own message on failure.
    std::string runOrThrow(const std::vector<std::string>& args) const;

    std::vector<SimDisk> exportDisks(const std::vector<std::string>& ports,
                                     const std::string& catalogDir,
                                     const std::string& prefix) const;

    static std::vector<SimDisk> parseDiskLines(const std::string& text, bool withDevice);

private:
    std::string binDir_;
    std::string stateDir_;
};

}  // namespace refhost
