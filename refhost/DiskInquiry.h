// What a host disk says about itself through the runtime's SCSI interface:
// standard inquiry, unit serial number page and device identification page.
// The same device tree as the plug-in's, so a simulated disk answers too.
#pragma once

#include <string>

namespace refhost {

struct DiskIdentity {
    std::string vendor, product;  // blanks trimmed
    std::string unitSerial;       // page 0x80 text, blanks trimmed
    std::string naa;              // the logical unit's NAA name, upper-case hex
    // XIV volumes only: the array serial the unit serial starts with, in its
    // decimal (1310133) and hexadecimal (1302795) forms.
    std::string arraySerial, arrayHexSerial;
    std::string problem;  // why a field is missing, for people
};

// Never throws for a device that is missing or answers badly: what could
// not be read is named in `problem`.
DiskIdentity identifyDisk(const std::string& device);

// Empty when the device tree knows the device; otherwise why it does not.
std::string deviceMissing(const std::string& device);

// True only when the disk's node opens and TEST UNIT READY finds nothing
// behind it any more: the target is not there, or it does not support that
// logical unit. A disk that cannot be asked, or fails otherwise (not ready,
// busy, connection lost), is not taken as gone.
bool diskGone(const std::string& device);

// The identifier of the first NAA designator of the logical unit (code set
// binary, association 0, type 3) on a device identification page, as
// upper-case hex; empty when there is none. Reads no further than the page
// length nor than `transferred`; stops at a descriptor that claims more.
std::string logicalUnitNaa(const unsigned char* page, unsigned int transferred);

}  // namespace refhost
