// Host snapshot framework types as the plug-in sees them.
//
// The host owns every object of these classes (except IGroupInfo) and reaches
// the plug-in through the exported zrso_ functions. Operations are virtual and
// kept in the host's slot order: do not reorder, insert or remove any.
//
// Buffer protocol of the text getters ("buf" below): the caller passes a char
// buffer and a 16-bit size holding its capacity. Answer 0 = NUL-terminated text
// delivered; 2 = buffer too small, *size now holds the need; other = failure.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

namespace ZRSO {

// Host log levels of SnapInfo::log and of XivLogger (0 detail .. 3 fatal).
// Fixed underlying type: any int may be carried, unknown ones map to normal.
enum LogLevel : int {
    LOG_DETAIL = 0,
    LOG_INFO = 1,
    LOG_ERROR = 2,
    LOG_FATAL = 3,
};

// Record status values written with setStatus.
enum SnapStatus : int {
    SNAP_PREPARED = 1,
    SNAP_PREPARE_FAILED = 2,
    SNAP_SNAPPED = 5,
    SNAP_FAILED = 6,
    SNAP_DUPLICATE_EXISTS = 7,
    SNAP_DUPLICATE_MAPPED = 9,
    SNAP_MOUNT_FAILED = 11,
    SNAP_DEVICE_FOUND = 12,
    SNAP_UNMAPPED = 14,
    SNAP_UNMAP_FAILED = 15,
    SNAP_DELETED = 20,
    SNAP_DELETE_FAILED = 21,
    SNAP_REVERTED = 22,
    SNAP_REVERT_FAILED = 23,
    SNAP_MISSING = 24,
};

// LUN status values written with LUNInfo::setStatus. Each operation sets its
// first value before the work, which stays when the work fails, and its
// second on success; a resize keeps its first.
enum LunStatus : int {
    LUN_CREATED = 0,
    LUN_CREATE_FAILED = 1,
    LUN_RESIZED = 3,
    LUN_RESOLVED = 5,
    LUN_RESOLVE_FAILED = 6,
    LUN_MAPPED = 9,
    LUN_MAP_FAILED = 11,
    LUN_UNMAPPED = 14,
    LUN_UNMAP_FAILED = 15,
    LUN_DELETED = 20,
    LUN_DELETE_FAILED = 21,
};

// getProperty / setProperty ids and getIntProperty ids used by the plug-in.
enum : int {
    PROP_METADATA = 6,
    INTPROP_APPLICATION_ID = 1,
    INTPROP_FLEET_ID = 11,
    INTPROP_JOB_ID = 12,
    INTPROP_DUPLICATE_NAME_NUMBER = 13,
    INTPROP_FLEET_NUMBER = 18,
};

// getHostPath ids: the VMware server of the mount and of the source.
enum : int {
    HOSTPATH_MOUNT = 9,
    HOSTPATH_SOURCE = 10,
};

// getFlags bit: keep the duplicate on unmount.
constexpr unsigned int FLAG_KEEP_DUPLICATE = 0x1000;
// hasOption flag: name duplicates as clones.
constexpr int OPTION_CLONE_NAMES = 32768;

class SnapInfo {
public:
    virtual int getSnapshotId(char* buf, short* size) = 0;
    virtual int setSnapshotName(const char* name) = 0;
    virtual int getArrayLogin(char* buf, short* size) = 0;
    virtual int selectArrayLogin(const char* arrayId) = 0;  // 0 = ok
    virtual int getHostIdentifier(char* buf, short* size) = 0;
    virtual bool hasOption(int flag) = 0;
    virtual unsigned int getFlags() = 0;
    virtual int getStatus() = 0;
    virtual int setStatus(int status) = 0;
    virtual int getSourceDevice(char* buf, short* size) = 0;
    virtual int getSnapDevice(char* buf, short* size) = 0;
    virtual int setSnapDevice(const char* device) = 0;
    virtual int getProperty(int id, char* buf, short* size) = 0;
    virtual int setProperty(int id, const char* value) = 0;
    virtual int setError(int code, const char* message) = 0;
    // printf-style; level 0 detail, 1 information, 2 error.
    virtual void log(int level, const char* function, const char* format, ...)
        __attribute__((format(printf, 4, 5))) = 0;
    virtual int getCloneNumber() = 0;
    // *value holds the default on entry and the setting on return.
    virtual int getConfigInt(const char* setting, int* value) = 0;
    virtual int getConfigString(const char* setting, char* buf, short* size) = 0;
    virtual int getIntProperty(int id, int* out) = 0;             // 0 = ok
    virtual int getHostPath(int id, char* buf, short* size) = 0;  // 0 = ok
    virtual int getDuplicateNumber() = 0;
    virtual int getSnapshotIdText(std::string& out) = 0;

    virtual ~SnapInfo() {}
};

// One initiator group handed back by zrso_resolveLunsToUsers. The plug-in
// constructs, copies and destroys these.
class IGroupInfo {
public:
    IGroupInfo() : bFlag(0) {}
    std::string sName;                    // left empty by the plug-in
    std::vector<std::string> initiators;  // port names
    std::string sText;                    // left empty by the plug-in
    unsigned char bFlag;                  // 0
    std::string sProtocol;                // "fcp" or "iscsi"
};

class LUNInfo {
public:
    virtual int getVolumeName(char* buf, short* size) = 0;        // 256
    virtual int getArrayName(char* buf, short* size) = 0;         // 512
    virtual int getArrayControlHost(char* buf, short* size) = 0;  // 512
    virtual int getArrayUser(char* buf, short* size) = 0;         // 512
    virtual int getArrayPassword(char* buf, short* size) = 0;     // 512, enciphered
    virtual int setLunName(const char* name) = 0;
    virtual int getPoolName(char* buf, short* size) = 0;  // 256
    virtual int getVolumeSize(int64_t* bytes) = 0;        // 0 = ok
    virtual int setVolumeSize(int64_t* bytes) = 0;
    virtual int getUsedSize(int64_t* bytes) = 0;  // not read by the plug-in
    virtual int setStatus(int status) = 0;
    virtual int setError(int code, const char* message) = 0;
    virtual int64_t getJobId() = 0;
    virtual int setVolumeName(const std::string& name) = 0;
    virtual int setLunVolume(const std::string& name) = 0;
    virtual int setInitiatorGroups(std::vector<IGroupInfo>& groups, int* endPointId) = 0;
    virtual int getMapRequest(char* buf, short* size) = 0;

    virtual ~LUNInfo() {}
};

// Host services. "short" answers: 0 ok, above 0 = size needed, below 0 = failure.
class ZROSUtil {
public:
    // initiators and devices are arrays of text pointers ended by a null pointer.
    virtual void rescanDevices(const char* host, const char** initiators, const char** devices) = 0;
    // 0 = done (names separated by separator); >0 = size to use; <0 = failure.
    virtual int listHostDevices(const char* host, const char* vendor, char separator, int size,
                                char* buffer) = 0;
    // Control hosts of all registered arrays of a type, joined by separator.
    virtual short getArrayList(const char* type, char separator, short size, char* buffer) = 0;
    // Array-info attribute string of one control host.
    virtual short fetchArrayInfo(const char* controlHost, char* buffer, short* size) = 0;
    // Called once with null buffers and zero lengths to learn the lengths.
    virtual bool detectHBAlist(const char* clientHost, const char* controlHost, char* names,
                               short* nameLength, char* types, short* typeLength, short* count) = 0;
    virtual bool detectHostHBA(const char* hostIdentifier, const char* controlHost, char* buffer,
                               short* size, bool* iscsi) = 0;
    virtual int64_t getJobId() = 0;
    // One designation descriptor as hex text; 0 = ok, else the server's error.
    virtual int GetPageInforForVMwareDevice(const char* hostPath, const char* lunUuid,
                                            const char* nameSpace, int applicationId, int fleetId,
                                            int nameSpaceCode, int reserved, int bufferSize,
                                            char* buffer) = 0;
    // 65535 = failure.
    virtual unsigned short getArrayConfig(int controlHostId, void* reserved, const char* setting,
                                          char* buffer, short* size) = 0;

    virtual ~ZROSUtil() {}
};

}  // namespace ZRSO
