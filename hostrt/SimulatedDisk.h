// A disk described by a catalog entry; answers INQUIRY from the entry.
#pragma once

#include <string>

#include "host/rt/DeviceTree.h"
#include "host/rt/SimDiskCatalog.h"
#include "hostrt/InquiryPages.h"

namespace hostrt {

class SimulatedDisk : public HostDevice, public ScsiInterface {
public:
    SimulatedDisk(std::string name, SimDiskCatalog::Fields fields);

    void* getInterface(const char* interfaceName) override;
    const char* name() const override { return name_.c_str(); }
    // INQUIRY only: standard data and VPD pages 0x00, 0x80 and 0x83. The
    // answer is cut to the CDB's allocation length and the buffer length.
    int sendCommand(const unsigned char* cdb, int cdbLength, unsigned char* data,
                    unsigned int dataLength, int direction, int retries, unsigned char* sense,
                    int senseLength, int timeoutSeconds, HostError* err) override;

private:
    bool failing(const std::string& what) const;
    DeviceIdentity identity() const;
    // The answer for one page: the raw override when the entry has one.
    bool answer(const char* rawKey, const Bytes& synthesised, Bytes* out, HostError* err) const;

    std::string name_;
    SimDiskCatalog::Fields fields_;
};

}  // namespace hostrt
