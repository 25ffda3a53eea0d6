#include "hostrt/SimulatedDisk.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostrt/HexCodec.h"
#include "hostrt/ScsiCall.h"

namespace hostrt {

namespace {
constexpr unsigned char kInquiry = 0x12;
constexpr unsigned char kIllegalRequest = 0x05;
}  // namespace

SimulatedDisk::SimulatedDisk(std::string name, SimDiskCatalog::Fields fields)
    : name_(std::move(name)), fields_(std::move(fields)) {}

void* SimulatedDisk::getInterface(const char* interfaceName) {
    if (interfaceName && std::strcmp(interfaceName, ScsiInterface::INTERFACE_NAME) == 0)
        return static_cast<ScsiInterface*>(this);
    return nullptr;
}

bool SimulatedDisk::failing(const std::string& what) const {
    // fail= names one command, or several separated by commas.
    std::string list = "," + SimDiskCatalog::value(fields_, "fail") + ",";
    return list.find("," + what + ",") != std::string::npos;
}

DeviceIdentity SimulatedDisk::identity() const {
    DeviceIdentity id;
    id.naaHex = SimDiskCatalog::value(fields_, "naa");
    id.targetPortHex = SimDiskCatalog::value(fields_, "target_port");
    id.relativePort = std::atoi(SimDiskCatalog::value(fields_, "relative_port").c_str());
    id.vendorText = SimDiskCatalog::value(fields_, "vendor_text");
    id.naaLast = SimDiskCatalog::value(fields_, "naa_last") == "yes";
    return id;
}

bool SimulatedDisk::answer(const char* rawKey, const Bytes& synthesised, Bytes* out,
                           HostError* err) const {
    std::string raw = SimDiskCatalog::value(fields_, rawKey);
    if (raw.empty()) {
        *out = synthesised;
        return true;
    }
    if (!hexDecode(raw, out, true)) {
        scsiFailure(err, EINVAL,
                    std::string("bad ") + rawKey + " in the catalog entry of " + name_);
        return false;
    }
    return true;
}

int SimulatedDisk::sendCommand(const unsigned char* cdb, int cdbLength, unsigned char* data,
                               unsigned int dataLength, int direction, int /*retries*/,
                               unsigned char* sense, int senseLength, int /*timeoutSeconds*/,
                               HostError* err) {
    if (!checkScsiArguments(cdb, cdbLength, data, dataLength, direction, err)) return -1;
    char opcode[8];
    std::snprintf(opcode, sizeof opcode, "0x%02x", cdb[0]);
    if (cdb[0] != kInquiry) {
        copySense(fixedSense(kIllegalRequest, 0x20, 0x00), sense, senseLength);
        return scsiFailure(err, EIO, std::string("unsupported command ") + opcode + " on " + name_);
    }
    const bool evpd = (cdb[1] & 0x01) != 0;
    const unsigned char page = cdb[2];
    const unsigned int allocation = static_cast<unsigned int>(cdb[3]) << 8 | cdb[4];

    Bytes reply;
    std::string what;
    bool ok = false;
    if (!evpd && page == 0) {
        what = "inquiry";
        ok = !failing(what) && answer("inquiry_hex",
                                      standardInquiry(SimDiskCatalog::value(fields_, "vendor"),
                                                      SimDiskCatalog::value(fields_, "product"),
                                                      SimDiskCatalog::value(fields_, "revision")),
                                      &reply, err);
    } else if (evpd && page == 0x80) {
        what = "vpd80";
        ok = !failing(what) &&
             answer("vpd80_hex", unitSerialPage(SimDiskCatalog::value(fields_, "serial")), &reply,
                    err);
    } else if (evpd && page == 0x83) {
        what = "vpd83";
        ok = !failing(what) && answer("vpd83_hex", deviceIdPage(identity()), &reply, err);
    } else if (evpd && page == 0x00) {
        what = "vpd00";
        ok = !failing(what);
        reply = supportedPagesPage();
    } else {
        // Asking for a page of standard data, or a page we do not have.
        copySense(fixedSense(kIllegalRequest, 0x24, 0x00), sense, senseLength);
        return scsiFailure(err, EIO, "invalid field in INQUIRY CDB on " + name_);
    }
    if (!ok) {
        if (failing(what)) {
            copySense(fixedSense(0x04, 0x44, 0x00), sense, senseLength);  // hardware error
            return scsiFailure(err, EIO, "simulated failure of " + what + " on " + name_);
        }
        return -1;  // answer() filled *err
    }
    std::size_t n = std::min<std::size_t>({reply.size(), allocation, dataLength});
    if (n > 0) std::memcpy(data, reply.data(), n);
    if (err) *err = HostError::Success();
    return static_cast<int>(n);
}

}  // namespace hostrt
