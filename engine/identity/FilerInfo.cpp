#include "engine/identity/FilerInfo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/identity/ArraySerial.h"
#include "engine/identity/FilerInfoVMWare.h"
#include "engine/common/Codes.h"
#include "engine/identity/Credentials.h"
#include "engine/common/RecordLog.h"
#include "engine/common/Redact.h"
#include "engine/common/Settings.h"
#include "engine/identity/StandardInquiry.h"
#include "engine/common/HostBuffer.h"
#include "engine/common/AttributeText.h"
#include "xiv/TextHelpers.h"
#include "engine/common/XIVUtils.h"
#include "xiv/XivDevList.h"

namespace {

const char* const kFunction = "GetFilerInfo";
const char* const kDevListFunction = "GetFilerInfoFromXivDevList";
const char* const kArrayType = "IBM XIV";

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

// The control hosts of the array list: split at every ':', the last piece
// running to the end; an empty list is one empty control host.
std::vector<std::string> ControlHosts(const std::string& list) {
    std::vector<std::string> hosts;
    splitByDelim(list, ":", hosts);
    return hosts;
}

// Opens the disk and asks the standard inquiry; false (logged) when the disk
// cannot be asked or is no IBM XIV volume.
bool AskStandardInquiry(InquiryDisk& disk, ZRSO::SnapInfo* info, const std::string& device,
                        StandardIdentity& identity) {
    std::string why;
    InquiryDisk::Outcome outcome = disk.Open(device, why);
    if (outcome == InquiryDisk::Outcome::kNoDevice) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction, "DeviceTree::getDevice exception caught :" + why);
        return false;
    }
    if (outcome == InquiryDisk::Outcome::kNotScsi) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction, "'" + device + "' is not SCSI device");
        return false;
    }
    if (outcome == InquiryDisk::Outcome::kAnswered) outcome = disk.Inquire(kStandardInquiryCdb, why);
    if (outcome != InquiryDisk::Outcome::kAnswered) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction, "Fail to send scsi inquiry cdb, caught exception: " + why);
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
        RecordLog(info, ZRSO::LOG_ERROR, kFunction, "Fail to send scsi inqury cdb, caught exception: " + why);
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
        RecordLog(info, ZRSO::LOG_ERROR, kFunction, "Fail to send scsi inqury cdb, caught exception: " + why);
        return false;
    }
    std::string wwn = VolumeDesignator(disk.Data(), disk.Transferred());
    if (wwn.empty()) {
        RecordLog(info, ZRSO::LOG_ERROR, kFunction,
                  "The device identification page of [" + device + "] holds no complete identifier.");
        return false;
    }
    record.sVolumeId = wwn;
    return true;
}

}  // namespace

int LookupArrayLogin(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil, XIVFilerSnapInfo& record,
                     std::string firstId, std::string secondId, LoginLookupStyle style,
                     const char* function) {
    const bool vmware = style == LoginLookupStyle::kVMware;
    HostTextRequest listRequest;
    listRequest.bufferSize = 1024;
    HostTextResult list;
    if (osUtil != nullptr) {
        list = ReadServiceText(
            [osUtil](char* buffer, short size) {
                return osUtil->getArrayList(kArrayType, ':', size, buffer);
            },
            listRequest);
    }
    if (!list.ok()) {
        const char* text = "Unable to get list of IBM XIV arrays.";
        if (vmware) {
            if (info) info->setError(kNoArrayListCode, text);
            RecordLog(info, ZRSO::LOG_ERROR, function,
                      FormatMessage1024("%s:Unable to get list of IBM XIV arrays.... Error = %d",
                                        function, list.status));
        } else {
            RecordLog(info, ZRSO::LOG_DETAIL, function,
                      FormatMessage1024("Unable to get list of IBM XIV arrays.... Error = %d",
                                        list.status));
            if (info) info->setError(kNoArrayListCode, text);
        }
        return 0;
    }
    RecordLog(info, ZRSO::LOG_DETAIL, function,
              FormatMessage1024("%s:Got array list [%s]", function, list.text.c_str()));

    bool matched = false;
    for (const std::string& controlHost : ControlHosts(list.text)) {
        RecordLog(info, ZRSO::LOG_DETAIL, function,
                  FormatMessage1024("%s:Going to get array info for the array with control host [%s]",
                                    function, controlHost.c_str()));
        HostTextRequest infoRequest;
        infoRequest.bufferSize = 4096;
        HostTextResult arrayInfo = ReadServiceText(
            [osUtil, &controlHost](char* buffer, short size) {
                short inOut = size;
                return osUtil->fetchArrayInfo(controlHost.c_str(), buffer, &inOut);
            },
            infoRequest);
        if (!arrayInfo.ok()) {
            std::string message =
                vmware ? FormatMessage1024("%s:Unable to get ArrayInfo for the array %s.... Error = %d",
                                           function, record.sArrayId.c_str(), arrayInfo.status)
                       : FormatMessage1024("Unable to get ArrayInfo for the array %s.... Error = %d",
                                           record.sArrayId.c_str(), arrayInfo.status);
            RecordLog(info, ZRSO::LOG_ERROR, function, message);
            if (info) info->setError(kArrayLoginCode, message.c_str());
            return 0;
        }

        // The id is looked for as plain text anywhere in the array info.
        const std::string upper = StringToUpper(arrayInfo.text);
        size_t at = firstId.empty() ? std::string::npos : upper.find(firstId);
        if (at == std::string::npos) {
            if (vmware) {
                RecordLog(info, ZRSO::LOG_INFO, function,
                          FormatMessage1024("ArrayID=[%s] not found in arrayData, looking for HEX ArrayID=[%s]",
                                            firstId.c_str(), secondId.c_str()));
            }
            at = secondId.empty() ? std::string::npos : upper.find(secondId);
            if (at != std::string::npos) {
                record.sArrayId = secondId;
            } else if (vmware) {
                RecordLog(info, ZRSO::LOG_ERROR, function,
                          FormatMessage1024("HEX ArrayID=[%s] was not found too.", secondId.c_str()));
            }
        }

        bool found = at != std::string::npos;
        if (vmware) {
            // The serial follows the two characters that complete it.
            found = found && at >= 2;
            if (!found) {
                std::string masked = upper;
                MaskPassword(masked);
                RecordLog(info, ZRSO::LOG_ERROR, function,
                          FormatMessage1024("arrayData=[%s], nPos=[%d]", masked.c_str(),
                                            at == std::string::npos ? -1 : static_cast<int>(at)));
                continue;
            }
            if (record.sArrayId.size() <= 6) record.sArrayId = upper.substr(at - 2, 2) + record.sArrayId;
            RecordLog(info, ZRSO::LOG_DETAIL, function, FormatMessage1024("Using ArrayID=[%s]", record.sArrayId.c_str()));
        }
        if (!found) continue;

        ParseArrayInfo(arrayInfo.text.c_str(), record, info);
        std::string line =
            vmware ? "GetFilerInfoVMWare: For the array [" + record.sArrayId + "] hostname [" +
                         record.sHostName + "] username [" + record.sHostUserName + "] password [***]"
                   : "GetFilerInfo: For the filer [" + record.sArrayId + "] controlhost [" +
                         record.sHostName + "] username [" + record.sHostUserName + "] password [***]";
        RecordLog(info, ZRSO::LOG_DETAIL, function, FormatMessage1024("%s", line.c_str()));
        if (record.sHostName.empty() || record.sHostUserName.empty() ||
            record.sHostPassword.empty()) {
            RecordLog(info, ZRSO::LOG_ERROR, function, "Not all required fields are available.");
        } else {
            matched = true;
        }
        // The first array that holds the id decides, complete or not.
        break;
    }
    if (matched) return 1;

    if (vmware) {
        RecordLog(info, ZRSO::LOG_ERROR, function,
                  FormatMessage1024("%s: This array (%s) is not present in the list of Arrays (%s) given.",
                                    function, record.sArrayId.c_str(), list.text.c_str()));
        if (info) info->setError(kArrayNotRegisteredCode, "Cant find the IBM XIV array in database.");
    } else {
        std::string message = FormatMessage1024(
            "This array [%s] is not present among the list of Arrays [%s] retrieved from database.",
            record.sArrayId.c_str(), list.text.c_str());
        RecordLog(info, ZRSO::LOG_ERROR, function, message);
        if (info) info->setError(kArrayNotRegisteredCode, message.c_str());
    }
    return 0;
}

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
                  identity.product +
                  "] Serial Num:[" + record.sArrayId + "] Vol WWN:[" + record.sVolumeId + "]");
    if (identityOnly) return 1;
    return LookupArrayLogin(info, osUtil, record, record.sArrayId, hexSerial,
                            LoginLookupStyle::kHostDisk, kFunction);
}
