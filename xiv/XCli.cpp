#include "xiv/XCli.h"

#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "xiv/XCliParse.h"

namespace {

const char* const UNKNOWN_REASON = "XCLI_COMMAND_FAILED_UNKNOWN_REASON";
// The longest map_vol line that is run; longer ones would have to be cut.
constexpr size_t MAP_LINE_MAX = 4095;
constexpr int MAP_ATTEMPTS = 15;
// Bytes that would end a quoted value or the line itself.
const char UNSAFE[] = {'"', '\r', '\n', '\0'};

bool unsafe(const std::string& value) {
    return value.find_first_of(UNSAFE, 0, sizeof UNSAFE) != std::string::npos;
}

std::string quoted(const std::string& value) { return "\"" + value + "\""; }

std::string decimal(int64_t value) {
    std::ostringstream s;
    s << value;
    return s.str();
}

}  // namespace

int GetNextRand(int n) {
    if (n <= 0) return 1;
    timeval now;
    gettimeofday(&now, nullptr);
    const int r = static_cast<int>((now.tv_usec / 1000) % n);
    return r == 0 ? 1 : r;
}

XCli::XCli(const std::string& user, const std::string& password, const std::string& address,
           const std::string& xcliDirectory, XivLogger logger)
    : user_(user),
      password_(password),
      outputFlag_("-x"),
      confirmFlag_("-y"),
      address_(address),
      xcliDirectory_(xcliDirectory),
      logger_(std::move(logger)) {}

std::string XCli::prefix() const {
    return "xcli -u " + user_ + " -p " + password_ + " -m " + address_ + " " + confirmFlag_ + " " +
           outputFlag_;
}

bool XCli::valuesSafe(std::initializer_list<std::pair<const char*, const std::string*>> values,
                      XivError& error) {
    // Login values are checked with every command: they sit on the same line.
    const std::pair<const char*, const std::string*> login[] = {
        {"user", &user_}, {"password", &password_}, {"management address", &address_}};
    auto refuse = [&](const char* argument) {
        error.code = -1;
        result_ = UNKNOWN_REASON;
        error.text += std::string("The ") + argument +
                      " holds a double quote, NUL, carriage return or line feed; "
                      "the command was not run.";
        logger_.logMessage(ZRSO::LOG_ERROR, "XCli",
                           "Refused the %s: it holds a double quote, NUL, CR or LF.\n", argument);
        return false;
    };
    for (const auto& v : login)
        if (unsafe(*v.second)) return refuse(v.first);
    for (const auto& v : values)
        if (unsafe(*v.second)) return refuse(v.first);
    return true;
}

void XCli::run(const std::string& operation, const char* expectedKind, ResourceList& resources,
               XivError& error) {
    std::string output;
    std::string status;
    DoTheWork(prefix() + " " + operation, output, password_, expectedKind, resources, error, status,
              result_, xcliDirectory_, logger_);
}

void XCli::run(const std::string& operation, XivError& error) {
    // Commands that list nothing still go through the same parse.
    ResourceList discarded;
    run(operation, "", discarded, error);
}

#define XCLI_CHECK(...)                                \
    do {                                               \
        if (!valuesSafe({__VA_ARGS__}, error)) return; \
    } while (0)

void XCli::GetHostList(ResourceList& resources, XivError& error) {
    XCLI_CHECK();
    run(" host_list", "host", resources, error);
}

void XCli::GetVolumeByWWN(const std::string& wwn, ResourceList& resources, XivError& error) {
    XCLI_CHECK({"wwn", &wwn});
    run("vol_list wwn=" + wwn, "volume", resources, error);
}

void XCli::GetVolumeByName(const std::string& volume, ResourceList& resources, XivError& error) {
    XCLI_CHECK({"volume name", &volume});
    run("vol_list vol=" + quoted(volume), "volume", resources, error);
}

void XCli::GetCGByName(const std::string& group, ResourceList& resources, XivError& error) {
    XCLI_CHECK({"consistency group name", &group});
    run("cg_list cg=" + quoted(group), "cg", resources, error);
}

void XCli::CreateConsistencyGroup(const std::string& group, const std::string& pool,
                                  XivError& error) {
    XCLI_CHECK({"consistency group name", &group}, {"pool name", &pool});
    run("cg_create cg=" + quoted(group) + " pool=" + quoted(pool), error);
}

void XCli::AddVolumetoCG(const std::string& group, const std::string& volume, XivError& error) {
    XCLI_CHECK({"consistency group name", &group}, {"volume name", &volume});
    run("cg_add_vol cg=" + quoted(group) + " vol=" + quoted(volume), error);
}

void XCli::RemoveVolumeFromCG(const std::string&, const std::string& volume, XivError& error) {
    XCLI_CHECK({"volume name", &volume});
    run("cg_remove_vol vol=" + quoted(volume), error);
}

void XCli::CreateCGSnapshot(const std::string& group, const std::string& snapGroup,
                            XivError& error) {
    XCLI_CHECK({"consistency group name", &group}, {"snapshot group name", &snapGroup});
    run("cg_snapshots_create cg=" + quoted(group) + " snap_group=" + quoted(snapGroup), error);
}

void XCli::DisbandSnapGroup(const std::string&, const std::string& snapGroup, XivError& error) {
    XCLI_CHECK({"snapshot group name", &snapGroup});
    run("snap_group_disband snap_group=" + quoted(snapGroup), error);
}

void XCli::GetSnapGroupByName(const std::string& snapGroup, ResourceList& resources,
                              XivError& error) {
    XCLI_CHECK({"snapshot group name", &snapGroup});
    run("snap_group_list snap_group=" + quoted(snapGroup), "", resources, error);
    if (result_ == "SNAPSHOT_GROUP_BAD_NAME") error.code = 0;
}

void XCli::GetVolList(const std::string& volume, ResourceList& resources, XivError& error) {
    XCLI_CHECK({"volume name", &volume});
    std::string operation = "vol_list ";
    if (!volume.empty()) operation += "vol=" + quoted(volume);
    run(operation, "volume", resources, error);
}

void XCli::GetVolListInCG(const std::string& group, ResourceList& resources, XivError& error) {
    XCLI_CHECK({"consistency group name", &group});
    run("vol_list cg=" + quoted(group), "volume", resources, error);
}

void XCli::GetPoolList(const std::string&, ResourceList& resources, XivError& error) {
    XCLI_CHECK();
    run("pool_list ", "pool", resources, error);
}

void XCli::GetPoolByName(const std::string& pool, ResourceList& resources, XivError& error) {
    XCLI_CHECK({"pool name", &pool});
    run("pool_list pool=" + quoted(pool), "pool", resources, error);
}

void XCli::GetMappedVolumes(const std::string& host, ResourceList& resources, XivError& error) {
    XCLI_CHECK({"host name", &host});
    run("mapping_list host=" + quoted(host), "mapping", resources, error);
}

void XCli::GetMappedHosts(const std::string& volume, ResourceList& resources, XivError& error) {
    XCLI_CHECK({"volume name", &volume});
    run("vol_mapping_list vol=" + quoted(volume), "vol_mapping", resources, error);
}

void XCli::GetConnectedHosts(ResourceList& resources, XivError& error) {
    XCLI_CHECK();
    run("host_connectivity_list", "host_connectivity", resources, error);
}

void XCli::CreateSnapShot(const std::string& volume, const std::string& snapshot, XivError& error) {
    XCLI_CHECK({"volume name", &volume}, {"snapshot name", &snapshot});
    run("snapshot_create vol=" + quoted(volume) + " name=" + quoted(snapshot), error);
}

void XCli::CreateSnapShotDuplicate(const std::string& snapshot, const std::string& duplicate,
                                   XivError& error) {
    XCLI_CHECK({"snapshot name", &snapshot}, {"duplicate name", &duplicate});
    run("snapshot_duplicate snapshot=" + quoted(snapshot) + " name=" + quoted(duplicate), error);
}

void XCli::MapVolume(const std::string& volume, const std::string& host, std::string& lun,
                     XivError& error) {
    XCLI_CHECK({"volume name", &volume}, {"host name", &host});
    const int start = lun.empty() ? 12 : std::atoi(lun.c_str());
    int current = start;
    // The prefix and a blank fill the format's "%s", so two blanks precede map_vol.
    const std::string head = prefix() + " ";
    for (int attempt = 0; attempt < MAP_ATTEMPTS; ++attempt) {
        error.clear();
        char tail[32];
        std::snprintf(tail, sizeof tail, " lun=%d", current);
        const std::string line =
            head + " map_vol host=\"" + host + "\" vol=\"" + volume + "\"" + tail;
        if (line.size() > MAP_LINE_MAX) {
            // A cut line could name another volume or host; run nothing.
            error.code = -1;
            result_ = UNKNOWN_REASON;
            error.text = "The map_vol command line is too long; the command was not run.";
            return;
        }
        std::string output;
        std::string status;
        ResourceList discarded;
        DoTheWork(line, output, password_, "", discarded, error, status, result_, xcliDirectory_,
                  logger_);
        if (status != "LUN_ALREADY_IN_USE") {
            lun = decimal(current);
            return;
        }
        // Taken: try a LUN further up, wrapping back above the start.
        const int span = 256 - start;
        if (span <= 0) return;
        current += GetNextRand(span);
        if (current > 255) current = start + GetNextRand(span);
        if (current > 255) return;
    }
}

void XCli::UnMapVolume(const std::string& volume, const std::string& host, XivError& error) {
    XCLI_CHECK({"volume name", &volume}, {"host name", &host});
    run("unmap_vol host=" + quoted(host) + " vol=" + quoted(volume), error);
    if (result_ == "VOLUME_BAD_NAME" || result_ == "MAPPING_IS_NOT_DEFINED") error.code = 0;
}

void XCli::DeleteSnapshot(const std::string& snapshot, XivError& error) {
    XCLI_CHECK({"snapshot name", &snapshot});
    run("snapshot_delete snapshot=" + quoted(snapshot), error);
    if (result_ == "VOLUME_BAD_NAME") error.code = 0;
}

void XCli::RevertToSnapshot(const std::string& snapshot, XivError& error) {
    XCLI_CHECK({"snapshot name", &snapshot});
    run("snapshot_restore snapshot=" + quoted(snapshot), error);
}

void XCli::UnlockVolume(const std::string& volume, XivError& error) {
    XCLI_CHECK({"volume name", &volume});
    run("vol_unlock vol=" + quoted(volume), error);
}

void XCli::LockVolume(const std::string& volume, XivError& error) {
    XCLI_CHECK({"volume name", &volume});
    run("vol_lock vol=" + quoted(volume), error);
}

void XCli::DefineHost(const std::string& host, XivError& error) {
    XCLI_CHECK({"host name", &host});
    run("host_define host=" + quoted(host), error);
}

void XCli::AddPort(const std::string& host, const std::string& port, bool iscsi, XivError& error) {
    XCLI_CHECK({"host name", &host}, {"port name", &port});
    run("host_add_port host=" + quoted(host) + " " + (iscsi ? "iscsi_name" : "fcaddress") + "=" +
            quoted(port),
        error);
}

void XCli::CreateVolume(const std::string& volume, const std::string& pool, int64_t sizeBlocks,
                        XivError& error) {
    XCLI_CHECK({"volume name", &volume}, {"pool name", &pool});
    run("vol_create vol=" + quoted(volume) + " size_blocks=" + quoted(decimal(sizeBlocks)) +
            " pool=" + quoted(pool),
        error);
}

void XCli::DeleteVolume(const std::string& volume, XivError& error) {
    XCLI_CHECK({"volume name", &volume});
    run("vol_delete vol=" + quoted(volume), error);
}

void XCli::ResizeVolume(const std::string& volume, int64_t sizeBlocks, bool shrink,
                        XivError& error) {
    XCLI_CHECK({"volume name", &volume});
    std::string operation =
        "vol_resize vol=" + quoted(volume) + " size_blocks=" + quoted(decimal(sizeBlocks));
    if (shrink) operation += " shrink_volume=" + quoted("yes");
    run(operation, error);
}

void XCli::DeleteHost(const std::string& host, XivError& error) {
    XCLI_CHECK({"host name", &host});
    run("host_delete host=" + quoted(host), error);
}
