#include "engine/mount/MountDiscovery.h"

#include <unistd.h>

#include <climits>
#include <vector>

#include "engine/common/AttributeText.h"
#include "engine/common/Codes.h"
#include "engine/common/FunctionTags.h"
#include "engine/common/RecordArray.h"
#include "engine/common/RecordLog.h"
#include "engine/common/Redact.h"
#include "engine/common/Settings.h"
#include "engine/common/XIVFilerSnapInfo.h"
#include "engine/identity/ArraySerial.h"
#include "engine/identity/FilerInfo.h"
#include "engine/identity/FilerInfoVMWare.h"
#include "engine/mount/Discovery.h"
#include "host/rt/HostSleep.h"
#include "xiv/TextHelpers.h"

namespace {

constexpr int kPasses = 6;
constexpr int kSnapDeviceBufferSize = 4096;

PassSleep& SleepOverride() {
    static PassSleep sleep;
    return sleep;
}

void WaitBetweenPasses(ZRSO::SnapInfo* first) {
    long long seconds = GetXIVRetryInterval(first);
    // A negative interval is no interval: it would turn into a wait of days.
    if (seconds < 0) seconds = kDefaultRetrySeconds;
    unsigned long long milliseconds = static_cast<unsigned long long>(seconds / 5) * 1000ULL;
    if (milliseconds > UINT_MAX) milliseconds = UINT_MAX;
    const unsigned int wait = static_cast<unsigned int>(milliseconds);
    if (SleepOverride()) {
        SleepOverride()(wait);
    } else {
        hostSleep(wait, __FILE__, __LINE__);
    }
}

// Device names may be host texts; none reaches the log with a password.
void PrintDevices(ZRSO::SnapInfo* first, const std::list<std::string>& devices) {
    int index = 0;
    for (const std::string& device : devices) {
        RecordLog(
            first, ZRSO::LOG_INFO, tag::kMapSnaps,
            FormatText(" Volume [%d] DeviceName [%s]", index++, MaskPasswordToEnd(device).c_str()));
    }
}

std::list<std::string> Candidates(MountState& state, const std::list<std::string>& after,
                                  bool& fallbackUsed) {
    if (state.preExisting) return after;
    std::list<std::string> fresh;
    for (const std::string& device : after) {
        bool seen = false;
        for (const std::string& before : state.devicesBefore) {
            if (before == device) {
                seen = true;
                break;
            }
        }
        if (!seen) fresh.push_back(device);
    }
    if (fresh.empty() && !fallbackUsed) {
        // The disk may have come before the first listing: look at every one once.
        fresh = after;
        state.devicesBefore = after;
        fallbackUsed = true;
    }
    return fresh;
}

// Resolves one listed disk and hands it to the duplicate it carries.
void Match(MountState& state, const std::string& candidate, ZRSO::SnapInfo* first,
           ZRSO::ZROSUtil* osUtil) {
    XIVFilerSnapInfo disk;
    int resolved;
    if (candidate.find("vmware") == std::string::npos) {
        RecordLog(first, ZRSO::LOG_ERROR, tag::kMapSnaps,
                  "CAlling GetFilerInfo for non VMWARE disk.");
        resolved = GetFilerInfo(first, candidate, nullptr, disk, false, true);
    } else {
        RecordLog(first, ZRSO::LOG_ERROR, tag::kMapSnaps, "CAlling GetFilerInfoVMWare.");
        resolved = GetFilerInfoVMWare(first, candidate, osUtil, disk, true);
        RecordLog(first, ZRSO::LOG_ERROR, tag::kMapSnaps, "GetFilerInfoVMWare returned.");
    }
    if (resolved != 1) return;
    RecordLog(
        first, ZRSO::LOG_ERROR, tag::kMapSnaps,
        "It is an XIV device. volume id [" + disk.sVolumeId + "] arrayId [" + disk.sArrayId + "]");
    for (auto entry = state.pending.begin(); entry != state.pending.end(); ++entry) {
        if (!CompareArrayIds(disk.sArrayId, entry->sArrayId, entry->pSnapInfo)) continue;
        if (!EqualNoCase(disk.sVolumeId, entry->sDuplicateVolumeId)) continue;
        ZRSO::SnapInfo* info = entry->pSnapInfo;
        RecordLog(info, ZRSO::LOG_DETAIL, tag::kMapSnaps,
                  "Found device [" + MaskPasswordToEnd(candidate) +
                      "] corresponding to duplicate [" + entry->sDuplicateName + "]");
        info->setStatus(ZRSO::SNAP_DEVICE_FOUND);
        const std::string device =
            entry->sMountType == "vmware" ? formatString(candidate, false) : candidate;
        info->setSnapDevice(device.c_str());
        ++state.found;
        state.pending.erase(entry);
        return;
    }
}

// One pass; false when the disks could not be listed (the call ends).
bool Pass(MountState& state, ZRSO::SnapInfo* first, ZRSO::ZROSUtil* osUtil, bool& fallbackUsed) {
    std::list<std::string> removal, after;
    refreshSystemBus(osUtil, state.hostInitiators, removal, state.clientName);
    if (state.vmware) refreshSystemBus(osUtil, state.esxInitiators, removal, state.mountHost);
    if (!getDeviceList(after, osUtil, state.mountHost, "IBM", first)) {
        const std::string message =
            "zrso_mapSnaps: Unable to get the devicelist after the duplicate operation for host [" +
            MaskPasswordToEnd(state.mountHost) + "].";
        if (first != nullptr) first->setError(kDeviceListCode, message.c_str());
        RecordLog(first, ZRSO::LOG_ERROR, tag::kMapSnaps, message);
        return false;
    }
    RecordLog(first, ZRSO::LOG_ERROR, tag::kMapSnaps, "Got device list.");

    const std::list<std::string> candidates = Candidates(state, after, fallbackUsed);
    if (DebugHookPresent()) {
        RecordLog(first, ZRSO::LOG_INFO, tag::kMapSnaps, "Printing new devices");
        PrintDevices(first, candidates);
    }
    for (const std::string& candidate : candidates) {
        if (state.pending.empty()) break;
        Match(state, candidate, first, osUtil);
    }
    state.devicesBefore = after;
    return true;
}

void PrintOutcome(ZRSO::SnapInfo** infos, short count, ZRSO::SnapInfo* first) {
    RecordLog(first, ZRSO::LOG_DETAIL, tag::kMapSnaps,
              "Printing status of duplicates at the end of map");
    for (int i = 0; i < count; ++i) {
        ZRSO::SnapInfo* info = RecordAt(infos, count, i);
        if (info == nullptr) continue;
        RecordLog(info, ZRSO::LOG_DETAIL, tag::kMapSnaps,
                  FormatMessage1024("zrso_mapSnaps: pSnapInfo->status: [%d]", info->getStatus()));
        std::vector<char> buffer(kSnapDeviceBufferSize + 1, '\0');
        short size = kSnapDeviceBufferSize;
        if (info->getSnapDevice(buffer.data(), &size) != 0) buffer.assign(buffer.size(), '\0');
        buffer.back() = '\0';
        RecordLog(info, ZRSO::LOG_DETAIL, tag::kMapSnaps,
                  FormatMessage1024("zrso_mapSnaps: pSnapInfo->SnapDevice: [%s]", buffer.data()));
    }
}

}  // namespace

void SetPassSleepForTesting(PassSleep sleep) { SleepOverride() = std::move(sleep); }

void DiscoverMountedDevices(MountState& state, ZRSO::SnapInfo** infos, short count,
                            ZRSO::ZROSUtil* osUtil) {
    ZRSO::SnapInfo* first = FirstRecord(infos, count);
    bool fallbackUsed = false;
    for (int pass = 0; pass < kPasses && !state.pending.empty();) {
        if (!Pass(state, first, osUtil, fallbackUsed)) return;
        ++pass;
        WaitBetweenPasses(first);
    }
    for (const DuplicateInfo& entry : state.pending) {
        const std::string message =
            "Could not find device corresponding to duplicate [" + entry.sDuplicateName + "]";
        RecordLog(entry.pSnapInfo, ZRSO::LOG_INFO, tag::kMapSnaps, message);
        if (entry.pSnapInfo != nullptr)
            entry.pSnapInfo->setError(kDeviceNotFoundCode, message.c_str());
    }
    PrintOutcome(infos, count, first);
}
