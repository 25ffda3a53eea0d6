#include "engine/identity/FilerInfo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/common/AttributeText.h"
#include "engine/common/Codes.h"
#include "engine/common/HostBuffer.h"
#include "engine/common/RecordLog.h"
#include "engine/common/Redact.h"
#include "engine/common/Settings.h"
#include "engine/common/XIVUtils.h"
#include "engine/identity/ArrayLogin.h"
#include "engine/identity/ArraySerial.h"
#include "engine/identity/Credentials.h"
#include "engine/identity/FilerInfoVMWare.h"
#include "engine/identity/StandardInquiry.h"
#include "xiv/TextHelpers.h"
#include "xiv/XivDevList.h"

namespace {

const char* const kFunction = "GetFilerInfo";
const char* const kDevListFunction = "GetFilerInfoFromXivDevList";

constexpr size_t kSerialLength = 7;

// The array serial at the head of a unit serial number page; empty when the
// page (bounded by what was transferred) is too short to hold one.
std::string SerialFromPage(const unsigned char* data, int transferred) {
    if (transferred < 4) return std::string();
    size_t pageLength = std::min<size_t>(data[3], static_cast<size_t>(transferred) - 4);
    const char* text = reinterpret_cast<const char*>(data + 4);
    std::string serial(text, strnlen(text, std::min(pageLength, kSerialLength)));
    return serial.size() == kSerialLength ? serial : std::string();
}

std::string HexOf(const unsigned char* bytes, size_t length) {
    std::string hex;
    for (size_t i = 0; i < length; ++i) hex += FormatText("%2.2X", bytes[i]);
    return hex;
}

// The volume's WWN from a device identification page, as upper-case hex:
// the logical unit's NAA designator (association 0, type 3) wherever it
// stands, for real disks list their designators in no fixed order; without
// one, the first designator. Descriptors are walked as far as each fits in
// the page (bounded by what was transferred); empty when none is usable.
std::string VolumeDesignator(const unsigned char* data, int transferred) {
    if (transferred < 4) return std::string();
    size_t pageEnd = std::min<size_t>(4 + (static_cast<size_t>(data[2]) << 8 | data[3]),
                                      static_cast<size_t>(transferred));
    for (size_t at = 4; at + 4 <= pageEnd;) {
        const size_t length = data[at + 3];
        if (at + 4 + length > pageEnd) break;
        const bool luNaa = (data[at + 1] & 0x30) == 0 && (data[at + 1] & 0x0F) == 3;
        if (luNaa && length > 0) return HexOf(data + at + 4, length);
        at += 4 + length;
    }
    if (pageEnd < 8) return std::string();
    size_t length = data[7];
    if (length == 0 || 8 + length > pageEnd) return std::string();
    return HexOf(data + 8, length);
}

// Opens the disk and asks the standard inquiry; false (logged) when the disk
// cannot be asked or is no IBM XIV volume.
bool AskStandardInquiry(InquiryDisk& disk, ZRSO::SnapInfo* info, const std::string& device,
                        StandardIdentity& identity) {
    std::string why;
    InquiryDisk::Outcome outcome = disk.Open(device, why);
    if (outcome == InquiryDisk::Outcome::kNoDevice) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction,
                  "DeviceTree::getDevice exception caught :" + why);
        return false;
    }
    if (outcome == InquiryDisk::Outcome::kNotScsi) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction, "'" + device + "' is not SCSI device");
        return false;
    }
    if (outcome == InquiryDisk::Outcome::kAnswered)
        outcome = disk.Inquire(kStandardInquiryCdb, why);
    if (outcome != InquiryDisk::Outcome::kAnswered) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction,
                  "Fail to send scsi inquiry cdb, caught exception: " + why);
        return false;
    }
    identity = ReadStandardIdentity(disk.Data());
    if (!identity.IsXiv()) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction, "[" + device + "] Not an IBM disk...");
        return false;
    }
    return true;
}

// The array serial from the unit serial number page and the volume's WWN
// from the device identification page; false (logged) when either fails.
bool ReadIdentityPages(InquiryDisk& disk, ZRSO::SnapInfo* info, const std::string& device,
                       XIVFilerSnapInfo& record, std::string& hexSerial) {
    std::string why;
    if (disk.Inquire(kUnitSerialPageCdb, why) != InquiryDisk::Outcome::kAnswered) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction,
                  "Fail to send scsi inqury cdb, caught exception: " + why);
        return false;
    }
    hexSerial = StringToUpper(SerialFromPage(disk.Data(), disk.Transferred()));
    if (hexSerial.empty()) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction,
                  "The unit serial number page of [" + device + "] holds no array serial.");
        return false;
    }
    HexSerialToDecimal(hexSerial, record.sArrayId);
    record.sArrayId = StringToUpper(record.sArrayId);

    if (disk.Inquire(kDeviceIdPageCdb, why) != InquiryDisk::Outcome::kAnswered) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction,
                  "Fail to send scsi inqury cdb, caught exception: " + why);
        return false;
    }
    std::string wwn = VolumeDesignator(disk.Data(), disk.Transferred());
    if (wwn.empty()) {
        RecordLog(
            info, ZRSO::LOG_ERROR, kFunction,
            "The device identification page of [" + device + "] holds no complete identifier.");
        return false;
    }
    record.sVolumeId = wwn;
    return true;
}

}  // namespace

int GetFilerInfoFromXivDevList(ZRSO::SnapInfo* info, const std::string& device,
                               ZRSO::ZROSUtil* osUtil, XIVFilerSnapInfo& record,
                               bool identityOnly) {
    std::string volId, volName, arrayId;
    XivError error;
    {
        // The tool's path is read (and logged) before the logger asks the
        // record for its job.
        const std::string toolPath = GetXIVDevListPath(info);
        XivDevList devList(toolPath, XivLogger(info));
        devList.GetVolumeAndArrayId(device, volId, volName, arrayId, error);
    }
    std::string hexId;
    if (error.code == 0 && !DecimalSerialToHex(arrayId, hexId)) {
        error.code = -4;
        error.text = "The array serial [" + arrayId + "] is too short.";
    }
    if (error.code != 0) {
        std::string message = "Unable to get details from xiv_devlist for device  [" + device +
                              "]. Error[" + error.text + "]";
        if (info) info->setError(kDevListToolCode, message.c_str());
        RecordLog(info, ZRSO::LOG_ERROR, kDevListFunction, message);
        return 0;
    }
    record.sVolumeId = StringToUpper(volId);
    record.sVolumeName = volName;
    record.sArrayId = StringToUpper(arrayId);
    hexId = StringToUpper(hexId);
    RecordLog(info, ZRSO::LOG_DETAIL, kDevListFunction,
              "Found Device through xiv_devlist :[" + device + "] serial_num:[" + record.sArrayId +
                  "] volId[" + record.sVolumeId + "]");
    if (identityOnly) return 1;
    return LookupArrayLogin(info, osUtil, record, record.sArrayId, hexId,
                            LoginLookupStyle::kHostDisk, kDevListFunction);
}

int GetFilerInfo(ZRSO::SnapInfo* info, const std::string& device, ZRSO::ZROSUtil* osUtil,
                 XIVFilerSnapInfo& record, bool allowDevList, bool identityOnly) {
    std::string idaType;
    if (GetJsonVal(device, "idatype", idaType) && idaType == "vmware") {
        return GetFilerInfoVMWare(info, device, osUtil, record, identityOnly);
    }

    InquiryDisk disk;
    StandardIdentity identity;
    if (!AskStandardInquiry(disk, info, device, identity)) return 0;

    if (info != nullptr && allowDevList && !GetXIVDevListPath(info).empty()) {
        disk.Close();
        return GetFilerInfoFromXivDevList(info, device, osUtil, record, identityOnly);
    }
    RecordLog(info, ZRSO::LOG_ERROR, kFunction, "Using SCSI inquiry to get device details.");

    std::string hexSerial;
    if (!ReadIdentityPages(disk, info, device, record, hexSerial)) return 0;
    disk.Close();

    RecordLog(info, ZRSO::LOG_DETAIL, kFunction,
              "Found Device:[" + device + "] Vendor:" + identity.vendor + "] ProdID:[" +
                  identity.product + "] Serial Num:[" + record.sArrayId + "] Vol WWN:[" +
                  record.sVolumeId + "]");
    if (identityOnly) return 1;
    return LookupArrayLogin(info, osUtil, record, record.sArrayId, hexSerial,
                            LoginLookupStyle::kHostDisk, kFunction);
}
