// A real device node spoken to with the Linux SG_IO pass-through.
#pragma once

#include <string>

#include "host/rt/DeviceTree.h"

namespace hostrt {

class SgIoDevice : public HostDevice, public ScsiInterface {
public:
    // Takes ownership of fd. scsiCapable: the node answered SG_GET_VERSION_NUM;
    // without it the device offers no ScsiInterface.
    SgIoDevice(std::string name, int fd, bool scsiCapable);
    ~SgIoDevice() override;

    void* getInterface(const char* interfaceName) override;
    const char* name() const override { return name_.c_str(); }
    // retries: further attempts after a UNIT ATTENTION (at most 3). Returns
    // the number of bytes transferred.
    int sendCommand(const unsigned char* cdb, int cdbLength, unsigned char* data,
                    unsigned int dataLength, int direction, int retries, unsigned char* sense,
                    int senseLength, int timeoutSeconds, HostError* err) override;

    // Opens the node. Null with *err filled when it cannot be opened.
    static SgIoDevice* open(const std::string& path, HostError* err);

private:
    std::string name_;
    int fd_;
    bool scsiCapable_;
};

}  // namespace hostrt
