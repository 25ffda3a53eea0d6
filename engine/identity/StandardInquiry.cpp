#include "engine/identity/StandardInquiry.h"

#include <algorithm>
#include <cstring>

#include "host/rt/HostError.h"
#include "host/rt/HostException.h"

const unsigned char kStandardInquiryCdb[6] = {0x12, 0x00, 0x00, 0x00, 0xFF, 0x00};
const unsigned char kUnitSerialPageCdb[6] = {0x12, 0x01, 0x80, 0x00, 0xCF, 0x00};
const unsigned char kDeviceIdPageCdb[6] = {0x12, 0x01, 0x83, 0x00, 0xFF, 0x00};

InquiryDisk::InquiryDisk() : scsi_(nullptr), data_(kBufferSize), transferred_(0) {}

InquiryDisk::Outcome InquiryDisk::Open(const std::string& device, std::string& why) {
    try {
        HostError err = HostError::Success();
        handle_ = DeviceTree::getDevice(device.c_str(), &err);
        if (handle_.empty()) {
            why = err.AsString();
            return Outcome::kNoDevice;
        }
    } catch (const HostException& e) {
        why = e.getMessage();
        return Outcome::kNoDevice;
    }
    try {
        scsi_ = static_cast<ScsiInterface*>(handle_->getInterface(ScsiInterface::INTERFACE_NAME));
    } catch (const HostException& e) {
        why = e.getMessage();
        return Outcome::kNotSent;
    }
    return scsi_ == nullptr ? Outcome::kNotScsi : Outcome::kAnswered;
}

InquiryDisk::Outcome InquiryDisk::Inquire(const unsigned char* cdb, std::string& why) {
    std::memset(data_.data(), 0, kBufferSize);
    transferred_ = 0;
    try {
        HostError err = HostError::Success();
        const int sent =
            scsi_->sendCommand(cdb, 6, data_.data(), kBufferSize, 0, 1, nullptr, 0, 10, &err);
        if (sent < 0) {
            why = err.AsString();
            return Outcome::kNotSent;
        }
        transferred_ = std::min<int>(sent, static_cast<int>(kBufferSize));
    } catch (const HostException& e) {
        why = e.getMessage();
        return Outcome::kNotSent;
    }
    return Outcome::kAnswered;
}

void InquiryDisk::Close() {
    scsi_ = nullptr;
    handle_.reset();
}

StandardIdentity ReadStandardIdentity(unsigned char* data) {
    data[31] = 0;
    data[11] = 0;
    StandardIdentity identity;
    identity.vendor = reinterpret_cast<const char*>(data + 8);
    identity.product = reinterpret_cast<const char*>(data + 16);
    return identity;
}
