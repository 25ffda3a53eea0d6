#include "xiv/XCli.h"

#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "xiv/XCliParse.h"

namespace {

const char* const UNKNOWN_REASON = "XCLI_COMMAND_FAILED_UNKNOWN_REASON";
// The longest map_vol line that is run; longer ones would have to be cut.
constexpr size_t MAP_LINE_MAX = 4095;
constexpr int MAP_ATTEMPTS = 15;
// Bytes that would end a quoted value or the line itself.
const char UNSAFE[] = {'"', '\r', '\n', '\0'};

bool unsafe(const std::string& value)
{
    return value.find_first_of(UNSAFE, 0, sizeof UNSAFE) != std::string::npos;
}

std::string quoted(const std::string& value) { return "\"" + value + "\""; }

std::string decimal(int64_t value)
{
    std::ostringstream s;
    s << value;
    return s.str();
}

}  // namespace

int GetNextRand(int n)
{
    if (n <= 0) return 1;
    timeval now;
    gettimeofday(&now, nullptr);
    const int r = static_cast<int>((now.tv_usec / 1000) % n);
    return r == 0 ? 1 : r;
}

XCli::XCli(const std::string& user, const std::string& password, const std::string& address,
           const std::string& xcliDirectory, ZRSO::SnapInfo* info)
    : user_(user), password_(password), outputFlag_("-x"), confirmFlag_("-y"),
      address_(address), xcliDirectory_(xcliDirectory), logger_(info)
{
}

XCli::XCli(const std::string& user, const std::string& password, const std::string& address,
           const std::string& xcliDirectory, ZRSO::LUNInfo* info)
    : user_(user), password_(password), outputFlag_("-x"), confirmFlag_("-y"),
      address_(address), xcliDirectory_(xcliDirectory), logger_(info)
{
}

XCli::XCli(const std::string& user, const std::string& password, const std::string& address,
           const std::string& xcliDirectory, const DebugLog& log)
    : user_(user), password_(password), outputFlag_("-x"), confirmFlag_("-y"),
      address_(address), xcliDirectory_(xcliDirectory), logger_(log)
{
}

std::string XCli::prefix() const
{
    return "xcli -u " + user_ + " -p " + password_ + " -m " + address_ + " " + confirmFlag_ +
           " " + outputFlag_;
}

bool XCli::valuesSafe(std::initializer_list<std::pair<const char*, const std::string*>> values,
                      int& errorCode, std::string& errorText)
{
    // Login values are checked with every command: they sit on the same line.
    const std::pair<const char*, const std::string*> login[] = {
        {"user", &user_}, {"password", &password_}, {"management address", &address_}};
    auto refuse = [&](const char* argument) {
        errorCode = -1;
        result_ = UNKNOWN_REASON;
        errorText += std::string("The ") + argument +
                     " holds a double quote, NUL, carriage return or line feed; "
                     "the command was not run.";
        logger_.logMessage(ZRSO::LOG_ERROR, "XCli", "Refused the %s: it holds a double quote, NUL, CR or LF.\n",
                           argument);
        return false;
    };
    for (const auto& v : login)
        if (unsafe(*v.second)) return refuse(v.first);
    for (const auto& v : values)
        if (unsafe(*v.second)) return refuse(v.first);
    return true;
}

void XCli::run(const std::string& operation, const char* expectedKind,
               std::list<ResourceNode*>& resources, int& errorCode, std::string& errorText)
{
    std::string output;
    std::string status;
    DoTheWork(prefix() + " " + operation, output, password_, expectedKind, errorText, resources,
              errorCode, status, result_, xcliDirectory_, logger_);
}

namespace {
// Commands that list nothing still go through the same parse.
struct Discard {
    std::list<ResourceNode*> list;
    ~Discard() { FreeResourceList(list); }
};
}  // namespace

#define XCLI_CHECK(...)                                                \
    do {                                                               \
        if (!valuesSafe({__VA_ARGS__}, errorCode, errorText)) return;  \
    } while (0)

void XCli::GetHostList(std::list<ResourceNode*>& resources, int& errorCode,
                       std::string& errorText)
{
    XCLI_CHECK();
    run(" host_list", "host", resources, errorCode, errorText);
}

void XCli::GetVolumeByWWN(const std::string& wwn, std::list<ResourceNode*>& resources,
                          int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"wwn", &wwn});
    run("vol_list wwn=" + wwn, "volume", resources, errorCode, errorText);
}

void XCli::GetVolumeByName(const std::string& volume, std::list<ResourceNode*>& resources,
                           int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume});
    run("vol_list vol=" + quoted(volume), "volume", resources, errorCode, errorText);
}

void XCli::GetCGByName(const std::string& group, std::list<ResourceNode*>& resources,
                       int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"consistency group name", &group});
    run("cg_list cg=" + quoted(group), "cg", resources, errorCode, errorText);
}

void XCli::CreateConsistencyGroup(const std::string& group, const std::string& pool,
                                  int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"consistency group name", &group}, {"pool name", &pool});
    Discard d;
    run("cg_create cg=" + quoted(group) + " pool=" + quoted(pool), "", d.list, errorCode,
        errorText);
}

void XCli::AddVolumetoCG(const std::string& group, const std::string& volume, int& errorCode,
                         std::string& errorText)
{
    XCLI_CHECK({"consistency group name", &group}, {"volume name", &volume});
    Discard d;
    run("cg_add_vol cg=" + quoted(group) + " vol=" + quoted(volume), "", d.list, errorCode,
        errorText);
}

void XCli::RemoveVolumeFromCG(const std::string&, const std::string& volume, int& errorCode,
                              std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume});
    Discard d;
    run("cg_remove_vol vol=" + quoted(volume), "", d.list, errorCode, errorText);
}

void XCli::CreateCGSnapshot(const std::string& group, const std::string& snapGroup,
                            int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"consistency group name", &group}, {"snapshot group name", &snapGroup});
    Discard d;
    run("cg_snapshots_create cg=" + quoted(group) + " snap_group=" + quoted(snapGroup), "",
        d.list, errorCode, errorText);
}

void XCli::DisbandSnapGroup(const std::string&, const std::string& snapGroup, int& errorCode,
                            std::string& errorText)
{
    XCLI_CHECK({"snapshot group name", &snapGroup});
    Discard d;
    run("snap_group_disband snap_group=" + quoted(snapGroup), "", d.list, errorCode, errorText);
}

void XCli::GetSnapGroupByName(const std::string& snapGroup,
                              std::list<ResourceNode*>& resources, int& errorCode,
                              std::string& errorText)
{
    XCLI_CHECK({"snapshot group name", &snapGroup});
    run("snap_group_list snap_group=" + quoted(snapGroup), "", resources, errorCode, errorText);
    if (result_ == "SNAPSHOT_GROUP_BAD_NAME") errorCode = 0;
}

void XCli::GetVolList(const std::string& volume, std::list<ResourceNode*>& resources,
                      int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume});
    std::string operation = "vol_list ";
    if (!volume.empty()) operation += "vol=" + quoted(volume);
    run(operation, "volume", resources, errorCode, errorText);
}

void XCli::GetVolListInCG(const std::string& group, std::list<ResourceNode*>& resources,
                          int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"consistency group name", &group});
    run("vol_list cg=" + quoted(group), "volume", resources, errorCode, errorText);
}

void XCli::GetPoolList(const std::string&, std::list<ResourceNode*>& resources, int& errorCode,
                       std::string& errorText)
{
    XCLI_CHECK();
    run("pool_list ", "pool", resources, errorCode, errorText);
}

void XCli::GetPoolByName(const std::string& pool, std::list<ResourceNode*>& resources,
                         int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"pool name", &pool});
    run("pool_list pool=" + quoted(pool), "pool", resources, errorCode, errorText);
}

void XCli::GetMappedVolumes(const std::string& host, std::list<ResourceNode*>& resources,
                            int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"host name", &host});
    run("mapping_list host=" + quoted(host), "mapping", resources, errorCode, errorText);
}

void XCli::GetMappedHosts(const std::string& volume, std::list<ResourceNode*>& resources,
                          int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume});
    run("vol_mapping_list vol=" + quoted(volume), "vol_mapping", resources, errorCode,
        errorText);
}

void XCli::GetConnectedHosts(std::list<ResourceNode*>& resources, int& errorCode,
                             std::string& errorText)
{
    XCLI_CHECK();
    run("host_connectivity_list", "host_connectivity", resources, errorCode, errorText);
}

void XCli::CreateSnapShot(const std::string& volume, const std::string& snapshot,
                          int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume}, {"snapshot name", &snapshot});
    Discard d;
    run("snapshot_create vol=" + quoted(volume) + " name=" + quoted(snapshot), "", d.list,
        errorCode, errorText);
}

void XCli::CreateSnapShotDuplicate(const std::string& snapshot, const std::string& duplicate,
                                   int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"snapshot name", &snapshot}, {"duplicate name", &duplicate});
    Discard d;
    run("snapshot_duplicate snapshot=" + quoted(snapshot) + " name=" + quoted(duplicate), "",
        d.list, errorCode, errorText);
}

void XCli::MapVolume(const std::string& volume, const std::string& host, std::string& lun,
                     int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume}, {"host name", &host});
    const int start = lun.empty() ? 12 : std::atoi(lun.c_str());
    int current = start;
    // The prefix and a blank fill the format's "%s", so two blanks precede map_vol.
    const std::string head = prefix() + " ";
    for (int attempt = 0; attempt < MAP_ATTEMPTS; ++attempt) {
        errorCode = 0;
        errorText.clear();
        char tail[32];
        std::snprintf(tail, sizeof tail, " lun=%d", current);
        const std::string line =
            head + " map_vol host=\"" + host + "\" vol=\"" + volume + "\"" + tail;
        if (line.size() > MAP_LINE_MAX) {
            // A cut line could name another volume or host; run nothing.
            errorCode = -1;
            result_ = UNKNOWN_REASON;
            errorText = "The map_vol command line is too long; the command was not run.";
            return;
        }
        std::string output;
        std::string status;
        Discard d;
        DoTheWork(line, output, password_, "", errorText, d.list, errorCode, status, result_,
                  xcliDirectory_, logger_);
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

void XCli::UnMapVolume(const std::string& volume, const std::string& host, int& errorCode,
                       std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume}, {"host name", &host});
    Discard d;
    run("unmap_vol host=" + quoted(host) + " vol=" + quoted(volume), "", d.list, errorCode,
        errorText);
    if (result_ == "VOLUME_BAD_NAME" || result_ == "MAPPING_IS_NOT_DEFINED") errorCode = 0;
}

void XCli::DeleteSnapshot(const std::string& snapshot, int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"snapshot name", &snapshot});
    Discard d;
    run("snapshot_delete snapshot=" + quoted(snapshot), "", d.list, errorCode, errorText);
    if (result_ == "VOLUME_BAD_NAME") errorCode = 0;
}

void XCli::RevertToSnapshot(const std::string& snapshot, int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"snapshot name", &snapshot});
    Discard d;
    run("snapshot_restore snapshot=" + quoted(snapshot), "", d.list, errorCode, errorText);
}

void XCli::UnlockVolume(const std::string& volume, int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume});
    Discard d;
    run("vol_unlock vol=" + quoted(volume), "", d.list, errorCode, errorText);
}

void XCli::LockVolume(const std::string& volume, int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume});
    Discard d;
    run("vol_lock vol=" + quoted(volume), "", d.list, errorCode, errorText);
}

void XCli::DefineHost(const std::string& host, int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"host name", &host});
    Discard d;
    run("host_define host=" + quoted(host), "", d.list, errorCode, errorText);
}

void XCli::AddPort(const std::string& host, const std::string& port, bool iscsi,
                   int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"host name", &host}, {"port name", &port});
    Discard d;
    run("host_add_port host=" + quoted(host) + " " + (iscsi ? "iscsi_name" : "fcaddress") +
            "=" + quoted(port),
        "", d.list, errorCode, errorText);
}

void XCli::CreateVolume(const std::string& volume, const std::string& pool, int64_t sizeBlocks,
                        int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume}, {"pool name", &pool});
    Discard d;
    run("vol_create vol=" + quoted(volume) + " size_blocks=" + quoted(decimal(sizeBlocks)) +
            " pool=" + quoted(pool),
        "", d.list, errorCode, errorText);
}

void XCli::DeleteVolume(const std::string& volume, int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume});
    Discard d;
    run("vol_delete vol=" + quoted(volume), "", d.list, errorCode, errorText);
}

void XCli::ResizeVolume(const std::string& volume, int64_t sizeBlocks, bool shrink,
                        int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"volume name", &volume});
    std::string operation =
        "vol_resize vol=" + quoted(volume) + " size_blocks=" + quoted(decimal(sizeBlocks));
    if (shrink) operation += " shrink_volume=" + quoted("yes");
    Discard d;
    run(operation, "", d.list, errorCode, errorText);
}

void XCli::DeleteHost(const std::string& host, int& errorCode, std::string& errorText)
{
    XCLI_CHECK({"host name", &host});
    Discard d;
    run("host_delete host=" + quoted(host), "", d.list, errorCode, errorText);
}
