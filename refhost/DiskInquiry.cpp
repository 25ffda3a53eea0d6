#include "refhost/DiskInquiry.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "host/rt/DeviceTree.h"
#include "host/rt/HostException.h"
#include "refhost/ArraySerial.h"

namespace refhost {
namespace {

constexpr unsigned int kReplySize = 255;

std::string trimmed(const unsigned char* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length && text[i] != 0; ++i) out += static_cast<char>(text[i]);
    size_t end = out.find_last_not_of(' ');
    size_t begin = out.find_first_not_of(' ');
    return end == std::string::npos ? std::string() : out.substr(begin, end - begin + 1);
}

// The runtime's words for a failure, without its numeric code.
std::string said(const HostError& err) {
    return err.detail().empty() ? err.AsString() : err.detail();
}

class Inquirer {
public:
    explicit Inquirer(const std::string& device) {
        try {
            device_ = DeviceTree::getDevice(device.c_str(), &err_);
            if (device_)
                scsi_ = static_cast<ScsiInterface*>(
                    device_->getInterface(ScsiInterface::INTERFACE_NAME));
            if (device_ && !scsi_) err_ = HostError(ENOTTY, "not a SCSI device");
        } catch (const HostException& e) {
            err_ = HostError(EIO, e.getMessage());
        }
    }
    bool ready() const { return scsi_ != nullptr; }
    const HostError& error() const { return err_; }

    // TEST UNIT READY: 0, or -1 with the error (ENXIO: nothing behind it).
    int testUnitReady() {
        const unsigned char cdb[6] = {0x00, 0, 0, 0, 0, 0};
        return send(cdb, nullptr, 0);
    }

    // One inquiry (page < 0: standard data); the bytes transferred, or -1.
    int ask(int page, std::vector<unsigned char>* reply) {
        const unsigned char cdb[6] = {0x12,
                                      static_cast<unsigned char>(page < 0 ? 0 : 1),
                                      static_cast<unsigned char>(page < 0 ? 0 : page),
                                      0,
                                      kReplySize,
                                      0};
        reply->assign(kReplySize, 0);
        int n = send(cdb, reply->data(), kReplySize);
        return n < 0 ? -1 : std::min<int>(n, kReplySize);
    }

private:
    SharedRef<HostDevice> device_;
    ScsiInterface* scsi_ = nullptr;
    HostError err_;

    int send(const unsigned char* cdb, unsigned char* data, unsigned int length) {
        try {
            return scsi_->sendCommand(cdb, 6, data, length, 0, 1, nullptr, 0, 10, &err_);
        } catch (const HostException& e) {
            err_ = HostError(EIO, e.getMessage());
            return -1;
        }
    }
};

void note(DiskIdentity* id, const std::string& text) {
    id->problem += (id->problem.empty() ? "" : "; ") + text;
}

}  // namespace

std::string logicalUnitNaa(const unsigned char* page, unsigned int transferred) {
    if (transferred < 4) return std::string();
    size_t end = std::min<size_t>(4 + (static_cast<size_t>(page[2]) << 8 | page[3]), transferred);
    for (size_t at = 4; at + 4 <= end;) {
        size_t length = page[at + 3];
        if (at + 4 + length > end) break;
        bool binary = (page[at] & 0x0F) == 1;
        bool logicalUnit = (page[at + 1] & 0x30) == 0;
        if (binary && logicalUnit && (page[at + 1] & 0x0F) == 3 && length > 0) {
            std::string hex;
            char digits[3];
            for (size_t i = 0; i < length; ++i) {
                std::snprintf(digits, sizeof digits, "%02X", page[at + 4 + i]);
                hex += digits;
            }
            return hex;
        }
        at += 4 + length;
    }
    return std::string();
}

DiskIdentity identifyDisk(const std::string& device) {
    DiskIdentity id;
    Inquirer disk(device);
    if (!disk.ready()) {
        note(&id, said(disk.error()));
        return id;
    }
    std::vector<unsigned char> reply;
    int n = disk.ask(-1, &reply);
    if (n < 0) {
        note(&id, "inquiry: " + said(disk.error()));
        return id;
    }
    // Peripheral qualifier 3: the logical unit behind the node went away.
    if (n >= 1 && (reply[0] >> 5) == 3) {
        note(&id, "no logical unit behind this device any more");
        return id;
    }
    if (n > 8) id.vendor = trimmed(reply.data() + 8, std::min(8, n - 8));
    if (n > 16) id.product = trimmed(reply.data() + 16, std::min(16, n - 16));

    n = disk.ask(0x80, &reply);
    if (n < 4)
        note(&id, "no unit serial number" + (n < 0 ? ": " + said(disk.error()) : ""));
    else
        id.unitSerial = trimmed(reply.data() + 4, std::min<size_t>(reply[3], n - 4));

    n = disk.ask(0x83, &reply);
    if (n >= 0) id.naa = logicalUnitNaa(reply.data(), static_cast<unsigned int>(n));
    if (id.naa.empty()) note(&id, "no NAA name" + (n < 0 ? ": " + said(disk.error()) : ""));

    if (id.vendor == "IBM" && id.product.find("XIV") != std::string::npos) {
        std::string hex = id.unitSerial.substr(0, 7);
        for (auto& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        id.arraySerial = decimalSerial(hex);
        if (!id.arraySerial.empty())
            id.arrayHexSerial = hex;
        else
            note(&id, "no array serial in the unit serial number");
    }
    return id;
}

std::string deviceMissing(const std::string& device) {
    HostError err;
    try {
        if (DeviceTree::getDevice(device.c_str(), &err)) return std::string();
        return said(err);
    } catch (const HostException& e) {
        return e.getMessage();
    }
}

bool diskGone(const std::string& device) {
    Inquirer disk(device);
    if (!disk.ready()) return false;
    return disk.testUnitReady() < 0 && disk.error().code() == ENXIO;
}

}  // namespace refhost
