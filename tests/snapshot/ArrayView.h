// What a simulated array holds, read (and changed) with the simulator's own
// xcli, so tests judge the plug-in's work by the array's
// state rather than by the plug-in's own account. The simulator's state
// directory comes from XIV_SIM_STATE.
#pragma once

#include <string>
#include <vector>

class ArrayView {
public:
    ArrayView(std::string address, std::string user, std::string password);

    // One XML command (the confirmation flag included); true on SUCCESS.
    bool Run(const std::vector<std::string>& words, std::string* out = nullptr) const;
    // A CSV listing of the given fields: one row of values per resource.
    std::vector<std::vector<std::string>> List(const std::vector<std::string>& words,
                                               const std::string& fields) const;

    // Snapshot names of a master volume, in listing order.
    std::vector<std::string> SnapshotsOf(const std::string& volume) const;
    // One field of one volume; empty when the volume does not exist.
    std::string VolumeField(const std::string& volume, const std::string& field) const;
    std::vector<std::string> SnapGroups() const;
    std::vector<std::string> ConsistencyGroups() const;

    const std::string& address() const { return address_; }

private:
    std::vector<std::string> Prefix() const;

    std::string address_, user_, password_;
};
