#include "hostrt/ScsiCall.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace hostrt {

bool checkScsiArguments(const unsigned char* cdb, int cdbLength, const unsigned char* data,
                        unsigned int dataLength, int direction, HostError* err) {
    if (!cdb || cdbLength < 6 || cdbLength > kMaxCdbLength) {
        scsiFailure(err, EINVAL, "invalid CDB length " + std::to_string(cdbLength));
        return false;
    }
    if (!data && dataLength > 0) {
        scsiFailure(err, EINVAL, "no data buffer");
        return false;
    }
    if (direction != 0) {
        scsiFailure(err, EINVAL, "unsupported data direction " + std::to_string(direction));
        return false;
    }
    return true;
}

int scsiFailure(HostError* err, int code, const std::string& detail) {
    if (err) *err = HostError(code ? code : EIO, detail);
    return -1;
}

void copySense(const Bytes& sense, unsigned char* buffer, int bufferLength) {
    if (!buffer || bufferLength <= 0) return;
    std::size_t n = std::min(sense.size(), static_cast<std::size_t>(bufferLength));
    std::memcpy(buffer, sense.data(), n);
}

}  // namespace hostrt
