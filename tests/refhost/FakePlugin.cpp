// A scripted stand-in for the plug-in, loaded by zrso-host with --plugin, so
// that the host's side of every entry point (records, statuses, exit codes,
// what survives between processes) is tested apart from the real plug-in.
// Behaviour keys on the device names: "bad" fails prepare, "missing" makes
// reconcile report the snapshot gone.
#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "host/HostInventory.h"
#include "host/ZRSO.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

using namespace ZRSO;

namespace {

// Reads a record text the way the plug-in must: start small, grow on 2.
template <class Get>
bool readText(Get get, std::string* out) {
    std::vector<char> buf(2);
    short size = static_cast<short>(buf.size());
    int rc = get(buf.data(), &size);
    for (int tries = 0; rc == 2 && tries < 3; ++tries) {
        buf.assign(static_cast<size_t>(size), '\0');
        rc = get(buf.data(), &size);
    }
    if (rc != 0) return false;
    *out = buf.data();
    return true;
}

std::string source(SnapInfo* info) {
    std::string s;
    readText([&](char* b, short* n) { return info->getSourceDevice(b, n); }, &s);
    return s;
}

int convention(int ok, short count) { return ok == 0 ? 1 : ok >= count ? 0 : 2; }

template <class Body>
int eachRecord(SnapInfo** infos, short count, Body body) {
    int ok = 0;
    for (short i = 0; i < count; ++i) ok += body(infos[i]) ? 1 : 0;
    return convention(ok, count);
}

}  // namespace

FAKE_EXPORT void zrso_version(short* a, short* b, short* c) { *a = 1, *b = 0, *c = 0; }
FAKE_EXPORT void zrso_sProvVersion(short* a, short* b, short* c) { *a = 1, *b = 0, *c = 0; }

FAKE_EXPORT int zrso_isSupported(const char* device, int, ZROSUtil*, void*, short) {
    return std::strncmp(device, "/dev/fake", 9) == 0 ? 0 : 1;
}

FAKE_EXPORT int zrso_prepareDevices(SnapInfo** infos, short count, ZROSUtil*) {
    return eachRecord(infos, count, [](SnapInfo* info) {
        std::string device = source(info), login, id;
        if (device.find("bad") != std::string::npos || info->selectArrayLogin("1302795") != 0 ||
            !readText([&](char* b, short* n) { return info->getArrayLogin(b, n); }, &login) ||
            login.find(",hostPassword:") == std::string::npos ||
            !readText([&](char* b, short* n) { return info->getSnapshotId(b, n); }, &id)) {
            info->setStatus(SNAP_PREPARE_FAILED);
            info->setError(61002, "cannot prepare this one");
            return false;
        }
        info->setProperty(PROP_METADATA, (",SnapName:" + id + ",ArrayId:1310133,").c_str());
        int group = 0;
        info->getConfigInt("SMCONFIG_NAME_IBM_XIV_USE_CONSISTENCY_GROUP", &group);
        info->setSnapshotName(group ? "group-snapshot" : "single-snapshot");
        info->setStatus(SNAP_PREPARED);
        return true;
    });
}

FAKE_EXPORT int zrso_unprepareDevices(SnapInfo**, short, ZROSUtil*) { return 0; }

FAKE_EXPORT int zrso_snapDevices(SnapInfo** infos, short count, ZROSUtil*) {
    return eachRecord(infos, count, [](SnapInfo* info) {
        std::string meta;
        bool ok = readText(
            [&](char* b, short* n) { return info->getProperty(PROP_METADATA, b, n); }, &meta);
        info->setStatus(ok ? SNAP_SNAPPED : SNAP_FAILED);
        return ok;
    });
}

FAKE_EXPORT int zrso_reconcileSnaps(SnapInfo** infos, short count, ZROSUtil*) {
    for (short i = 0; i < count; ++i)
        if (source(infos[i]).find("missing") != std::string::npos)
            infos[i]->setStatus(SNAP_MISSING);
    return 0;
}

FAKE_EXPORT int zrso_isMapped(SnapInfo**, short, ZROSUtil*) { return 0; }
int zrso_isMapped(SnapInfo**, short, ZROSUtil*, std::list<std::string>& a,
                  std::list<std::string>& b) __attribute__((visibility("default")));
int zrso_isMapped(SnapInfo**, short, ZROSUtil*, std::list<std::string>& a,
                  std::list<std::string>& b) {
    a.clear();
    b.clear();
    return 0;
}

// A mount accepts only snapped records: the host must not hand it the
// status an earlier mount or unmount left.
FAKE_EXPORT int zrso_mapSnaps(SnapInfo** infos, short count, ZROSUtil* util) {
    const char* none[] = {nullptr};
    util->rescanDevices("client", none, none);
    return eachRecord(infos, count, [](SnapInfo* info) {
        if (info->getStatus() != SNAP_SNAPPED) {
            info->setStatus(SNAP_MOUNT_FAILED);
            return false;
        }
        std::string meta;
        readText([&](char* b, short* n) { return info->getProperty(PROP_METADATA, b, n); }, &meta);
        info->setSnapDevice(
            ("/dev/fake-dup-" + std::to_string(info->getDuplicateNumber())).c_str());
        info->setStatus(SNAP_DEVICE_FOUND);
        return true;
    });
}

FAKE_EXPORT int zrso_unmapSnaps(SnapInfo** infos, short count, ZROSUtil*) {
    return eachRecord(infos, count, [](SnapInfo* info) {
        info->setProperty(7, (info->getFlags() & FLAG_KEEP_DUPLICATE) ? "kept" : "deleted");
        info->setStatus(SNAP_UNMAPPED);
        return true;
    });
}

FAKE_EXPORT int zrso_deleteSnaps(SnapInfo** infos, short count, ZROSUtil*) {
    return eachRecord(infos, count, [](SnapInfo* info) {
        info->setStatus(SNAP_DELETED);
        return true;
    });
}

FAKE_EXPORT int zrso_revertSnaps(SnapInfo** infos, short count, ZROSUtil*) {
    return eachRecord(infos, count, [](SnapInfo* info) {
        info->setStatus(SNAP_REVERTED);
        return true;
    });
}

FAKE_EXPORT int zrso_getArrayInfo(HostInventory* inv, ZROSUtil*) {
    ArrayEntry** entries = nullptr;
    int count = 0;
    if (inv->getArrayList(&entries, &count) != 0) return 1;
    for (int i = 0; i < count; ++i) {
        int clientId = entries[i]->getClientId();
        PoolRecord* pool = nullptr;
        int poolId = 0;
        if (inv->findPool(&pool, &poolId, "fake_pool", &clientId) != 0)
            inv->addPool(clientId, clientId, "fake_pool", 1000, 100, "", 0, "", &poolId, 0);
        VolumeRecord* vol = nullptr;
        int volId = 0;
        if (inv->findVolume(&vol, &volId, "fake_vol", "fake_vol", clientId) != 0 &&
            inv->addVolume(-1, clientId, "fake_vol", "fake_vol", 17, 1, "", 0, poolId, "") == 0)
            inv->addLun(-1, -1, "fake_vol", "fake_vol", 17ULL << 20, 1ULL << 20, "", 0, "");
        entries[i]->setFlag(1);
        entries[i]->setStatus(0);
        entries[i]->setTotalSpace(1000);
        entries[i]->setFreeSpace(900);
    }
    return 0;
}

extern "C" {
__attribute__((visibility("default"))) int iEndPointId = 0;
}

namespace {

template <class Body>
int eachLun(LUNInfo** luns, short count, Body body) {
    int ok = 0;
    for (short i = 0; i < count; ++i) ok += body(luns[i]) ? 1 : 0;
    return convention(ok, count);
}

}  // namespace

FAKE_EXPORT int zrso_createLUNs(LUNInfo** luns, short count, ZROSUtil*) {
    return eachLun(luns, count, [](LUNInfo* lun) {
        int64_t bytes = 0;
        std::string enc;
        if (lun->getVolumeSize(&bytes) != 0 ||
            !readText([&](char* b, short* n) { return lun->getArrayPassword(b, n); }, &enc)) {
            lun->setError(70003, "Failed to get volume Size");
            return false;
        }
        int64_t allocated = ((bytes >> 30) / 17 + 1) * 17 * (1LL << 30);
        lun->setVolumeSize(&allocated);
        lun->setStatus(0);
        return true;
    });
}

FAKE_EXPORT int zrso_deleteLUNs(LUNInfo** luns, short count, ZROSUtil*) {
    return eachLun(luns, count, [](LUNInfo* lun) { return lun->setStatus(20) == 0; });
}

FAKE_EXPORT int zrso_resizeLUNs(LUNInfo** luns, short count, ZROSUtil*) {
    return eachLun(luns, count, [](LUNInfo* lun) { return lun->setStatus(3) == 0; });
}

FAKE_EXPORT int zrso_mapLUNs(LUNInfo** luns, short count, ZROSUtil*) {
    return eachLun(luns, count, [](LUNInfo* lun) {
        std::string request;
        if (!readText([&](char* b, short* n) { return lun->getMapRequest(b, n); }, &request) ||
            request.find("\"endpoint\"") == std::string::npos) {
            lun->setStatus(11);
            lun->setError(70003, "Invalid initiator list");
            return false;
        }
        lun->setStatus(9);
        return true;
    });
}

FAKE_EXPORT int zrso_unmapLUNs(LUNInfo** luns, short count, ZROSUtil*) {
    return eachLun(luns, count, [](LUNInfo* lun) { return lun->setStatus(14) == 0; });
}

FAKE_EXPORT int zrso_resolveLunsToUsers(LUNInfo** luns, short count, ZROSUtil*) {
    return eachLun(luns, count, [](LUNInfo* lun) {
        std::vector<IGroupInfo> groups(1);
        groups[0].initiators = {"5001738027950140"};
        groups[0].sProtocol = "fcp";
        lun->setInitiatorGroups(groups, &iEndPointId);
        lun->setStatus(5);
        return true;
    });
}
