// Checks and results shared by the SCSI back ends.
#pragma once

#include <string>

#include "host/rt/HostError.h"
#include "hostrt/InquiryPages.h"

namespace hostrt {

constexpr int kMaxCdbLength = 16;

// Validates the arguments of ScsiInterface::sendCommand. Only data-in
// commands (direction 0) are carried: nothing here writes to a disk.
bool checkScsiArguments(const unsigned char* cdb, int cdbLength, const unsigned char* data,
                        unsigned int dataLength, int direction, HostError* err);

// Fills *err (when given) and returns -1.
int scsiFailure(HostError* err, int code, const std::string& detail);

// Copies sense data into the caller's buffer, bounded by its length.
void copySense(const Bytes& sense, unsigned char* buffer, int bufferLength);

}  // namespace hostrt
