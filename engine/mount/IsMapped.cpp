// The mapped check: per record, whether the snapshot's duplicate exists on
// the array (status 7) and whether it is mapped to this machine (status 9).
// Mounting runs it first and keeps the initiator lists it fills, so that
// initiators are discovered at most once per mount.
#include <map>
#include <string>

#include "engine/boundary/EntryBodies.h"
#include "engine/boundary/EntryFrame.h"
#include "engine/common/FunctionTags.h"
#include "engine/mount/Initiators.h"
#include "engine/common/ArrayAccess.h"
#include "engine/common/RecordLog.h"
#include "engine/common/Settings.h"
#include "engine/snapshot/SnapMetadata.h"
#include "engine/common/HostBuffer.h"
#include "xiv/Xiv.h"

namespace {

constexpr int kTextBufferSize = 1024;
constexpr int kTextCalls = 3;

HostTextResult ReadLimited(const RecordTextGetter& getter) {
    HostTextRequest request;
    request.bufferSize = kTextBufferSize;
    request.maxCalls = kTextCalls;
    return ReadRecordText(getter, request);
}

}  // namespace

int isMappedBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil,
                 std::list<std::string>& hostInitiators, std::list<std::string>& esxInitiators) {
    int result = 0;
    hostInitiators.clear();
    esxInitiators.clear();
    // The host objects found so far, by array: a name one array gave means
    // nothing to another. The ESX server's host object is a different one
    // from this machine's.
    std::map<std::string, std::string> hostNames, esxHostNames;

    for (int i = 0; i < count; ++i) {
        ZRSO::SnapInfo* info = RecordAt(infos, count, i);
        if (info == nullptr) continue;
        XIVFilerSnapInfo record;
        if (!GetVolumeAndFilerInfoFromSnap(info, osUtil, record)) {
            RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped,
                      std::string(tag::kIsMapped) +
                          " Unable to get the array and volume information from the snap information");
            continue;
        }
        HostTextResult device = ReadLimited(
            [info](char* buffer, short* size) { return info->getSourceDevice(buffer, size); });
        result = device.status;
        if (!device.ok()) {
            RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped, std::string(tag::kIsMapped) + ": Error:Unable to get the src device to be snapped.");
            continue;
        }
        const bool vmware = device.text.find("vmware") != std::string::npos;

        GetDuplicateName(info, record.sDuplicateName);
        Xiv xiv = OpenArray(record, info);
        XivError error;
        if (!xiv.IsVolumePresent(record.sDuplicateName, error)) {
            RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped,
                      std::string(tag::kIsMapped) + " There is no volume with name [" + record.sDuplicateName + "]");
            continue;
        }
        RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped,
                  std::string(tag::kIsMapped) + " Duplicate [" + record.sDuplicateName +
                      "] of snapshot of volume with id [" + record.sVolumeId +
                      "] is already created.");
        info->setStatus(ZRSO::SNAP_DUPLICATE_EXISTS);

        if (hostInitiators.empty()) {
            // The ESX server has one initiator; it is looked up once.
            if (vmware && esxInitiators.empty()) {
                HostTextResult identifier = ReadHostIdentifier(info);
                result = identifier.status;
                if (!identifier.ok()) {
                    RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped, "Error:Unable to get the host identifier.");
                    continue;
                }
                std::string esxInitiator;
                if (!FindEsxInitiator(esxInitiator, record, osUtil, identifier.text, info) ||
                    esxInitiator.empty()) {
                    RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped, "Unable to detect ESX server initiator info.");
                    continue;
                }
                esxInitiators.push_back(esxInitiator);
            }
            const std::string clientName = ClientName();
            if (clientName.empty()) {
                RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped, "Error:Unable to determine client name.");
                result = 1;
                break;
            }
            if (!FindHostInitiators(hostInitiators, record, osUtil, clientName, xiv, info)) {
                RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped, "Unable to detect initiator info.");
                continue;
            }
        }

        error.clear();
        bool mapped = xiv.IsMapped(hostInitiators, hostNames[record.sHostName],
                                   record.sDuplicateName, error);
        // A VMware duplicate is mounted through the ESX server: it counts as
        // mapped only when that server's host object has it too.
        if (mapped && vmware && !esxInitiators.empty()) {
            error.clear();
            mapped = xiv.IsMapped(esxInitiators, esxHostNames[record.sHostName],
                                  record.sDuplicateName, error);
        }
        if (mapped) {
            RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped,
                      std::string(tag::kIsMapped) + " Duplicate [" + record.sDuplicateName +
                          "] of snapshot of volume with id [" + record.sVolumeId +
                          "] is already mapped.");
            info->setStatus(ZRSO::SNAP_DUPLICATE_MAPPED);
        }
    }
    return result;
}
