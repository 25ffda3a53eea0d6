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

// Device identification page (0x83) with one NAA designator (code set
// binary, association LU, type 3) holding the bytes of naaHex. No designator
// when naaHex is empty or not hex.
Bytes deviceIdPage(const std::string& naaHex);

// Supported pages page (0x00): 0x00, 0x80, 0x83.
Bytes supportedPagesPage();

// Fixed-format sense data (response code 0x70).
Bytes fixedSense(unsigned char senseKey, unsigned char asc, unsigned char ascq);

}  // namespace hostrt
