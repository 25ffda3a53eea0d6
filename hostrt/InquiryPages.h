// INQUIRY answers built from a simulated disk's description.
#pragma once

#include <string>
#include <vector>

namespace hostrt {

using Bytes = std::vector<unsigned char>;

// Standard INQUIRY data, 36 bytes: a direct-access disk (type 0), SPC-3,
// response data format 2, additional length 31, then vendor (8), product (16)
// and revision (4), blank padded and cut to their field sizes.
Bytes standardInquiry(const std::string& vendor, const std::string& product,
                      const std::string& revision);

// Unit serial number page (0x80): 4-byte header, then the serial text.
Bytes unitSerialPage(const std::string& serial);

// What a device identification page (0x83) names: the logical unit's NAA
// name and, where given, the target port's NAA name (both hex), the relative
// target port and a vendor-specific text.
struct DeviceIdentity {
    std::string naaHex;
    std::string targetPortHex;
    int relativePort = 0;  // 0: none
    std::string vendorText;
    bool naaLast = false;  // the LU's designator after the others (the order is not fixed)
};

// The page with one designator per given name: the LU's NAA (code set
// binary, association LU, type 3), the target port's NAA (association target
// port), the relative target port (type 4) and the vendor text (code set
// ASCII, type 0). A name that is not hex, or too long, is left out.
Bytes deviceIdPage(const DeviceIdentity& identity);

// Supported pages page (0x00): 0x00, 0x80, 0x83.
Bytes supportedPagesPage();

// Fixed-format sense data (response code 0x70).
Bytes fixedSense(unsigned char senseKey, unsigned char asc, unsigned char ascq);

}  // namespace hostrt
