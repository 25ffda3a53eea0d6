#include "hostrt/SgIoDevice.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "hostrt/ScsiCall.h"

namespace hostrt {

namespace {

constexpr unsigned char kGood = 0x00;
constexpr unsigned char kCheckCondition = 0x02;
constexpr unsigned char kSenseNoSense = 0x0;
constexpr unsigned char kSenseRecovered = 0x1;
constexpr unsigned char kSenseIllegalRequest = 0x5;
constexpr unsigned char kSenseUnitAttention = 0x6;
constexpr unsigned char kAscLogicalUnitNotSupported = 0x25;
constexpr unsigned short kHostBadTarget = 0x04;
constexpr unsigned int kDriverSense = 0x08;
constexpr int kMaxRetries = 3;
constexpr int kSenseBytes = 64;
// The sg driver takes milliseconds in an unsigned int; one hour is plenty.
constexpr int kMaxTimeoutSeconds = 3600;

// Key, additional sense code and qualifier of fixed (0x70/0x71) or
// descriptor (0x72/0x73) format sense data; -1 where the data has none.
struct Sense {
    int key = -1, asc = -1, ascq = -1;
};

Sense parseSense(const unsigned char* sense, int length) {
    Sense s;
    if (length < 3) return s;
    int code = sense[0] & 0x7F;
    if (code == 0x70 || code == 0x71) {
        s.key = sense[2] & 0x0F;
        if (length >= 14) {
            s.asc = sense[12];
            s.ascq = sense[13];
        }
    } else if (code == 0x72 || code == 0x73) {
        s.key = sense[1] & 0x0F;
        if (length >= 4) {
            s.asc = sense[2];
            s.ascq = sense[3];
        }
    }
    return s;
}

std::string hex2(unsigned int v) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", v & 0xFF);
    return text;
}

// -1 with *err filled from a command's outcome.
int commandFailure(const std::string& name, const sg_io_hdr_t& io, const Sense& sense,
                   HostError* err) {
    std::string detail = "SCSI command on '" + name + "' failed: ";
    if (io.host_status != 0)
        detail += "host status " + hex2(io.host_status);
    else if ((io.driver_status & 0x0F) != 0)
        detail += "driver status " + hex2(io.driver_status);
    else
        detail += "status " + hex2(io.status);
    if (io.host_status == 0 && sense.key >= 0) {
        detail += ", sense key " + hex2(sense.key);
        if (sense.asc >= 0) detail += " asc " + hex2(sense.asc) + " ascq " + hex2(sense.ascq);
    }
    // A target or logical unit that is no longer there (unmapped on the
    // array, pulled out) fails with ENXIO, so a rescan can tell it from a
    // disk that merely failed a command. A lost connection (host status
    // NO_CONNECT) may be a link that comes back: not ENXIO.
    bool gone = io.host_status == kHostBadTarget ||
                (sense.key == kSenseIllegalRequest && sense.asc == kAscLogicalUnitNotSupported);
    return scsiFailure(err, gone ? ENXIO : EIO, detail);
}

}  // namespace

SgIoDevice::SgIoDevice(std::string name, int fd, bool scsiCapable)
    : name_(std::move(name)), fd_(fd), scsiCapable_(scsiCapable) {}

SgIoDevice::~SgIoDevice() {
    if (fd_ >= 0) ::close(fd_);
}

SgIoDevice* SgIoDevice::open(const std::string& path, HostError* err) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        int e = errno;
        if (err) *err = HostError(e, "cannot open '" + path + "': " + std::strerror(e));
        return nullptr;
    }
    struct stat st;
    bool node = ::fstat(fd, &st) == 0 && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode));
    // SG_IO must not be tried on nodes of other drivers: their ioctl numbers
    // could mean something else. The sg version query is harmless and answered
    // by sg and by SCSI block devices alike.
    int version = 0;
    bool scsi = node && ::ioctl(fd, SG_GET_VERSION_NUM, &version) == 0 && version >= 30000;
    return new SgIoDevice(path, fd, scsi);
}

void* SgIoDevice::getInterface(const char* interfaceName) {
    if (scsiCapable_ && interfaceName &&
        std::strcmp(interfaceName, ScsiInterface::INTERFACE_NAME) == 0)
        return static_cast<ScsiInterface*>(this);
    return nullptr;
}

int SgIoDevice::sendCommand(const unsigned char* cdb, int cdbLength, unsigned char* data,
                            unsigned int dataLength, int direction, int retries,
                            unsigned char* sense, int senseLength, int timeoutSeconds,
                            HostError* err) {
    if (!checkScsiArguments(cdb, cdbLength, data, dataLength, direction, err)) return -1;
    if (!scsiCapable_) return scsiFailure(err, ENOTTY, "'" + name_ + "' is not a SCSI device");

    unsigned char cdbCopy[kMaxCdbLength];
    std::memcpy(cdbCopy, cdb, static_cast<std::size_t>(cdbLength));
    unsigned char senseBuffer[kSenseBytes];
    int timeout = std::min(std::max(timeoutSeconds, 1), kMaxTimeoutSeconds);
    int attempts = 1 + std::min(std::max(retries, 0), kMaxRetries);

    for (int attempt = 1;; ++attempt) {
        std::memset(senseBuffer, 0, sizeof senseBuffer);
        sg_io_hdr_t io;
        std::memset(&io, 0, sizeof io);
        io.interface_id = 'S';
        io.dxfer_direction = dataLength > 0 ? SG_DXFER_FROM_DEV : SG_DXFER_NONE;
        io.cmd_len = static_cast<unsigned char>(cdbLength);
        io.cmdp = cdbCopy;
        io.dxferp = data;
        io.dxfer_len = dataLength;
        io.sbp = senseBuffer;
        io.mx_sb_len = sizeof senseBuffer;
        io.timeout = static_cast<unsigned int>(timeout) * 1000;

        int rc;
        do {
            rc = ::ioctl(fd_, SG_IO, &io);
        } while (rc < 0 && errno == EINTR);
        if (rc < 0) {
            int e = errno;
            return scsiFailure(err, e, "SG_IO on '" + name_ + "' failed: " + std::strerror(e));
        }
        int senseLen = std::min<int>(io.sb_len_wr, kSenseBytes);
        copySense(Bytes(senseBuffer, senseBuffer + senseLen), sense, senseLength);

        if (io.host_status != 0) return commandFailure(name_, io, Sense(), err);
        unsigned int driver = io.driver_status & 0x0F;
        if (driver != 0 && driver != kDriverSense) return commandFailure(name_, io, Sense(), err);
        Sense parsed = parseSense(senseBuffer, senseLen);
        bool good =
            io.status == kGood || (io.status == kCheckCondition &&
                                   (parsed.key == kSenseNoSense || parsed.key == kSenseRecovered));
        if (good) {
            int resid = std::max(io.resid, 0);
            unsigned int moved = dataLength > static_cast<unsigned int>(resid)
                                     ? dataLength - static_cast<unsigned int>(resid)
                                     : 0;
            if (moved > 0x7FFFFFFFu) moved = 0x7FFFFFFF;
            if (err) *err = HostError::Success();
            return static_cast<int>(moved);
        }
        if (io.status == kCheckCondition && parsed.key == kSenseUnitAttention && attempt < attempts)
            continue;
        return commandFailure(name_, io, parsed, err);
    }
}

}  // namespace hostrt
