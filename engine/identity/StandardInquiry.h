// SCSI inquiries to a host disk through the host's device tree: the standard
// INQUIRY that tells an IBM XIV volume from other disks, and the vital
// product data pages that name its array and volume.
#pragma once

#include <string>
#include <vector>

#include "host/rt/DeviceTree.h"

extern const unsigned char kStandardInquiryCdb[6];
extern const unsigned char kUnitSerialPageCdb[6];
extern const unsigned char kDeviceIdPageCdb[6];

// One host disk opened for inquiries. The host runtime's exceptions end here
// as outcomes with its words; any other exception goes on to the caller.
class InquiryDisk {
public:
    enum class Outcome {
        kAnswered,
        kNoDevice,  // the device tree has no such device
        kNotScsi,   // the device has no SCSI interface
        kNotSent,   // the interface could not be asked, or the inquiry failed
    };
    static constexpr unsigned int kBufferSize = 4096;

    InquiryDisk();

    // Opens the device and finds its SCSI interface.
    Outcome Open(const std::string& device, std::string& why);
    // One inquiry into a zeroed buffer. The answer counts only as far as the
    // device says it transferred (Transferred()).
    Outcome Inquire(const unsigned char* cdb, std::string& why);
    // Gives the device back to the host.
    void Close();

    unsigned char* Data() { return data_.data(); }
    int Transferred() const { return transferred_; }

private:
    SharedRef<HostDevice> handle_;
    ScsiInterface* scsi_;
    std::vector<unsigned char> data_;
    int transferred_;
};

// What a standard INQUIRY answer says: only the first three vendor bytes and
// at most 15 product bytes count.
struct StandardIdentity {
    std::string vendor;
    std::string product;
    bool IsXiv() const { return vendor == "IBM" && product.find("XIV") != std::string::npos; }
};
// Reads the answer in data, ending the two fields in place.
StandardIdentity ReadStandardIdentity(unsigned char* data);
