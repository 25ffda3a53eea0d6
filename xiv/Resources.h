// Records parsed out of XCLI answers. Members carry the names of the XCLI
// fields that fill them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ResourceNode {
public:
    virtual ~ResourceNode();
};

// One parsed answer: records of every kind it held, each owned by the list.
using ResourceList = std::vector<std::unique_ptr<ResourceNode>>;

class Host : public ResourceNode {
public:
    std::string name;
    std::string fc_ports;     // all FC ports of the host as one text
    std::string iscsi_ports;  // all iSCSI names of the host as one text
};

class XivVol : public ResourceNode {
public:
    std::string name;
    std::string serial;  // not filled by parsing
    int64_t size = 0;
    int64_t size_MiB = 0;
    int64_t capacity = 0;
    int64_t used_capacity = 0;
    int64_t used_capacity_MiB = 0;
    std::string locked;
    std::string locked_by_pool;
    std::string spare;     // not filled by parsing; the inventory's spare text
    std::string vol_name;  // second copy of "name"
    std::string cg_name;
    std::string pool_name;
    std::string snapshot_serial;
    std::string wwn;
};

class VolMapping : public ResourceNode {
public:
    int lun = 0;
    std::string host;
    std::string spare;  // not filled by parsing
};

class HostMapping : public ResourceNode {
public:
    int lun = 0;
    std::string volume;
};

class HostConn : public ResourceNode {
public:
    std::string host;
    std::string host_port;
};

class ConsistencyGroup : public ResourceNode {
public:
    std::string spare;  // not filled by parsing
    std::string name;
    std::string pool;
};

class SnapGroup : public ResourceNode {
public:
    std::string name;
    std::string cg;
};

class XivPool : public ResourceNode {
public:
    std::string name;
    std::string id;
    int64_t soft_size = 0;
    int64_t hard_size = 0;
    int64_t hard_size_MiB = 0;
    int64_t soft_size_MiB = 0;
    int64_t snapshot_size = 0;
    int64_t used_by_volumes = 0;
    int64_t used_by_snapshots = 0;
    int64_t empty_space_soft = 0;
    int64_t empty_space_soft_MiB = 0;
    int64_t empty_space_hard = 0;
    int64_t empty_space_hard_MiB = 0;
    std::string locked;
    std::string lock_behaviour;  // from "lock_behavior", or the older "lock_behaviour"
    // Arrays without the soft/hard split report these two only, in GB.
    int64_t size = 0;
    int64_t empty_space = 0;
    bool has_hard_size = false;  // "hard_size_MiB" was listed
};
