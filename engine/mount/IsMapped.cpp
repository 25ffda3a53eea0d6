// The mapped check: per record, whether the snapshot's duplicate exists on
// the array (status 7) and whether it is mapped to this machine (status 9).
// Mounting runs it first and keeps the initiator lists it fills, so that
// initiators are discovered at most once per mount.
#include <map>
#include <string>

#include "engine/common/ArrayAccess.h"
#include "engine/common/FunctionTags.h"
#include "engine/common/HostBuffer.h"
#include "engine/common/RecordArray.h"
#include "engine/common/RecordLog.h"
#include "engine/common/Settings.h"
#include "engine/mount/Initiators.h"
#include "engine/mount/MountBodies.h"
#include "engine/snapshot/SnapMetadata.h"
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

std::string Prefixed(const std::string& text) { return std::string(tag::kIsMapped) + text; }

// How a record's step ends: go on with the next record, stop the check, or
// go on with the record's next step.
enum class Turn { kNext, kStop, kGoOn };

// One run of the check over the records of a call.
class MappedCheck {
public:
    MappedCheck(ZRSO::ZROSUtil* osUtil, std::list<std::string>& hostInitiators,
                std::list<std::string>& esxInitiators)
        : osUtil_(osUtil), hostInitiators_(hostInitiators), esxInitiators_(esxInitiators) {}

    Turn CheckRecord(ZRSO::SnapInfo* info);
    int Result() const { return result_; }

private:
    Turn LoadRecord(ZRSO::SnapInfo* info, XIVFilerSnapInfo& record, bool& vmware);
    Turn EnsureInitiators(ZRSO::SnapInfo* info, const XIVFilerSnapInfo& record, Xiv& xiv,
                          bool vmware);
    bool IsMappedHere(Xiv& xiv, const XIVFilerSnapInfo& record, bool vmware);

    ZRSO::ZROSUtil* osUtil_;
    std::list<std::string>& hostInitiators_;
    std::list<std::string>& esxInitiators_;
    // The host objects found so far, by array: a name one array gave means
    // nothing to another. The ESX server's host object is a different one
    // from this machine's.
    std::map<std::string, std::string> hostNames_, esxHostNames_;
    int result_ = 0;
};

Turn MappedCheck::CheckRecord(ZRSO::SnapInfo* info) {
    XIVFilerSnapInfo record;
    bool vmware = false;
    Turn turn = LoadRecord(info, record, vmware);
    if (turn != Turn::kGoOn) return turn;

    GetDuplicateName(info, record.sDuplicateName);
    Xiv xiv = OpenArray(record, info);
    XivError error;
    if (!xiv.IsVolumePresent(record.sDuplicateName, error)) {
        RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped,
                  Prefixed(" There is no volume with name [" + record.sDuplicateName + "]"));
        return Turn::kNext;
    }
    RecordLog(
        info, ZRSO::LOG_ERROR, tag::kIsMapped,
        Prefixed(" Duplicate [" + record.sDuplicateName + "] of snapshot of volume with id [" +
                 record.sVolumeId + "] is already created."));
    info->setStatus(ZRSO::SNAP_DUPLICATE_EXISTS);

    turn = EnsureInitiators(info, record, xiv, vmware);
    if (turn != Turn::kGoOn) return turn;
    if (IsMappedHere(xiv, record, vmware)) {
        RecordLog(
            info, ZRSO::LOG_ERROR, tag::kIsMapped,
            Prefixed(" Duplicate [" + record.sDuplicateName + "] of snapshot of volume with id [" +
                     record.sVolumeId + "] is already mapped."));
        info->setStatus(ZRSO::SNAP_DUPLICATE_MAPPED);
    }
    return Turn::kNext;
}

// The record's metadata, login and source device; vmware tells a VMware
// datastore disk.
Turn MappedCheck::LoadRecord(ZRSO::SnapInfo* info, XIVFilerSnapInfo& record, bool& vmware) {
    if (!GetVolumeAndFilerInfoFromSnap(info, osUtil_, record)) {
        RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped,
                  Prefixed(" Unable to get the array and volume information from the snap "
                           "information"));
        return Turn::kNext;
    }
    HostTextResult device = ReadLimited(
        [info](char* buffer, short* size) { return info->getSourceDevice(buffer, size); });
    result_ = device.status;
    if (!device.ok()) {
        RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped,
                  Prefixed(": Error:Unable to get the src device to be snapped."));
        return Turn::kNext;
    }
    vmware = device.text.find("vmware") != std::string::npos;
    return Turn::kGoOn;
}

// This machine's initiators and, for a VMware source, the ESX server's one,
// each found once.
Turn MappedCheck::EnsureInitiators(ZRSO::SnapInfo* info, const XIVFilerSnapInfo& record, Xiv& xiv,
                                   bool vmware) {
    if (!hostInitiators_.empty()) return Turn::kGoOn;
    if (vmware && esxInitiators_.empty()) {
        HostTextResult identifier = ReadHostIdentifier(info);
        result_ = identifier.status;
        if (!identifier.ok()) {
            RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped,
                      "Error:Unable to get the host identifier.");
            return Turn::kNext;
        }
        std::string esxInitiator;
        if (!FindEsxInitiator(esxInitiator, record, osUtil_, identifier.text, info) ||
            esxInitiator.empty()) {
            RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped,
                      "Unable to detect ESX server initiator info.");
            return Turn::kNext;
        }
        esxInitiators_.push_back(esxInitiator);
    }
    const std::string clientName = ClientName();
    if (clientName.empty()) {
        RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped, "Error:Unable to determine client name.");
        result_ = 1;
        return Turn::kStop;
    }
    if (!FindHostInitiators(hostInitiators_, record, osUtil_, clientName, xiv, info)) {
        RecordLog(info, ZRSO::LOG_ERROR, tag::kIsMapped, "Unable to detect initiator info.");
        return Turn::kNext;
    }
    return Turn::kGoOn;
}

// A VMware duplicate is mounted through the ESX server: it counts as mapped
// only when that server's host object has it too.
bool MappedCheck::IsMappedHere(Xiv& xiv, const XIVFilerSnapInfo& record, bool vmware) {
    XivError error;
    bool mapped =
        xiv.IsMapped(hostInitiators_, hostNames_[record.sHostName], record.sDuplicateName, error);
    if (mapped && vmware && !esxInitiators_.empty()) {
        error.clear();
        mapped = xiv.IsMapped(esxInitiators_, esxHostNames_[record.sHostName],
                              record.sDuplicateName, error);
    }
    return mapped;
}

}  // namespace

int isMappedBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil,
                 std::list<std::string>& hostInitiators, std::list<std::string>& esxInitiators) {
    hostInitiators.clear();
    esxInitiators.clear();
    MappedCheck check(osUtil, hostInitiators, esxInitiators);
    for (int i = 0; i < count; ++i) {
        ZRSO::SnapInfo* info = RecordAt(infos, count, i);
        if (info == nullptr) continue;
        if (check.CheckRecord(info) == Turn::kStop) break;
    }
    return check.Result();
}
