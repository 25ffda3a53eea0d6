#include "refhost/HostSnapInfo.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/rt/DebugLog.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/AttributeText.h"
#include "refhost/BufferReply.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLog.h"
#include "refhost/RecordRow.h"
#include "refhost/SqlStatement.h"

namespace refhost {
namespace {

const char* const kFn = "HostSnapInfo";

}  // namespace

HostSnapInfo::HostSnapInfo(HostDatabase& db, int64_t recordId) : db_(db), id_(recordId) {
    SqlStatement st(db_, "SELECT job_id FROM snap_records WHERE id = ?");
    st.bind(1, id_);
    if (!st.step()) throw HostDbError("no snapshot record " + std::to_string(recordId));
    jobId_ = st.integer(0);
}

bool HostSnapInfo::readText(const char* column, std::string* out) {
    return ReadRowText(db_, "snap_records", id_, column, out);
}

int64_t HostSnapInfo::readInt(const char* column) {
    std::string sql = std::string("SELECT ") + column + " FROM snap_records WHERE id = ?";
    SqlStatement st(db_, sql.c_str());
    st.bind(1, id_);
    return st.step() ? st.integer(0) : 0;
}

int HostSnapInfo::writeText(const char* column, const char* value) {
    return GuardedReply(kFn, jobId_, column, [&] {
        Transaction tx(db_);
        std::string sql = std::string("UPDATE snap_records SET ") + column + " = ? WHERE id = ?";
        SqlStatement st(db_, sql.c_str());
        st.bind(1, value ? value : "").bind(2, id_).run();
        tx.commit();
        return 0;
    });
}

int HostSnapInfo::writeInt(const char* column, int64_t value) {
    return GuardedReply(kFn, jobId_, column, [&] {
        Transaction tx(db_);
        std::string sql = std::string("UPDATE snap_records SET ") + column + " = ? WHERE id = ?";
        SqlStatement st(db_, sql.c_str());
        st.bind(1, value).bind(2, id_).run();
        tx.commit();
        return 0;
    });
}

int HostSnapInfo::getSnapshotId(char* buf, short* size) {
    return GuardedReply(kFn, jobId_, "getSnapshotId", [&] {
        std::string text;
        if (!readText("snapshot_id", &text) || text.empty()) return kReplyFailed;
        return replyRecord(text, buf, size);
    });
}

int HostSnapInfo::setSnapshotName(const char* name) { return writeText("snapshot_name", name); }

int HostSnapInfo::getArrayLogin(char* buf, short* size) {
    return GuardedReply(kFn, jobId_, "getArrayLogin", [&] {
        int64_t arrayId = readInt("selected_array");
        ArrayRegistry registry(db_);
        auto array = arrayId ? registry.byId(arrayId) : std::nullopt;
        if (!array) {
            hostLog(-1, kFn, jobId_,
                    "getArrayLogin: no array login selected for record " + std::to_string(id_));
            return kReplyFailed;
        }
        std::string password;
        if (!ArrayRegistry::clearPassword(*array, &password)) {
            hostLog(-1, kFn, jobId_,
                    "getArrayLogin: the stored password of array " + array->name +
                        " does not decipher with this host's key");
            return kReplyFailed;
        }
        std::string login = formatAttributes({{"arrayId", array->serial},
                                              {"hostName", array->controlHost},
                                              {"hostUserName", array->user},
                                              {"hostPassword", password}});
        int rc = replyRecord(login, buf, size);
        for (auto& c : password) c = '\0';
        for (auto& c : login) c = '\0';
        return rc;
    });
}

int HostSnapInfo::selectArrayLogin(const char* arrayId) {
    return GuardedReply(kFn, jobId_, "selectArrayLogin", [&] {
        ArrayRegistry registry(db_);
        auto array = registry.bySerial(arrayId ? arrayId : "");
        if (!array) {
            hostLog(-1, kFn, jobId_,
                    std::string("selectArrayLogin: no registered array has serial ") +
                        (arrayId ? arrayId : "(null)"));
            return kReplyFailed;
        }
        return writeInt("selected_array", array->id);
    });
}

int HostSnapInfo::getHostIdentifier(char* buf, short* size) {
    return GuardedReply(kFn, jobId_, "getHostIdentifier", [&] {
        std::string text;
        if (!readText("host_identifier", &text)) return kReplyFailed;
        return replyRecord(text, buf, size);
    });
}

bool HostSnapInfo::hasOption(int flag) {
    try {
        return (readInt("options") & flag) != 0;
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("hasOption: ") + e.what());
        return false;
    }
}

unsigned int HostSnapInfo::getFlags() {
    try {
        return static_cast<unsigned int>(readInt("flags"));
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("getFlags: ") + e.what());
        return 0;
    }
}

int HostSnapInfo::getStatus() {
    try {
        return static_cast<int>(readInt("status"));
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("getStatus: ") + e.what());
        return 0;
    }
}

int HostSnapInfo::setStatus(int status) { return writeInt("status", status); }

int HostSnapInfo::getSourceDevice(char* buf, short* size) {
    return GuardedReply(kFn, jobId_, "getSourceDevice", [&] {
        std::string text;
        if (!readText("source_device", &text)) return kReplyFailed;
        return replyRecord(text, buf, size);
    });
}

int HostSnapInfo::getSnapDevice(char* buf, short* size) {
    return GuardedReply(kFn, jobId_, "getSnapDevice", [&] {
        std::string text;
        if (!readText("snap_device", &text)) return kReplyFailed;
        return replyRecord(text, buf, size);
    });
}

int HostSnapInfo::setSnapDevice(const char* device) { return writeText("snap_device", device); }

int HostSnapInfo::getProperty(int id, char* buf, short* size) {
    return GuardedReply(kFn, jobId_, "getProperty", [&] {
        SqlStatement st(db_,
                        "SELECT value FROM snap_properties WHERE record_id = ? AND prop_id = ?");
        st.bind(1, id_).bind(2, id);
        if (!st.step()) return kReplyFailed;
        return replyRecord(st.text(0), buf, size);
    });
}

int HostSnapInfo::setProperty(int id, const char* value) {
    return GuardedReply(kFn, jobId_, "setProperty", [&] {
        Transaction tx(db_);
        SqlStatement st(db_,
                        "INSERT INTO snap_properties(record_id, prop_id, value) VALUES(?, ?, ?) "
                        "ON CONFLICT(record_id, prop_id) DO UPDATE SET value = excluded.value");
        st.bind(1, id_).bind(2, id).bind(3, value ? value : "").run();
        tx.commit();
        return 0;
    });
}

int HostSnapInfo::setError(int code, const char* message) {
    return GuardedReply(kFn, jobId_, "setError", [&] {
        Transaction tx(db_);
        SqlStatement st(db_,
                        "UPDATE snap_records SET error_code = ?, error_message = ? WHERE id = ?");
        st.bind(1, code).bind(2, message ? message : "").bind(3, id_).run();
        tx.commit();
        return 0;
    });
}

void HostSnapInfo::log(int level, const char* function, const char* format, ...) {
    // The plug-in's own format goes to the log, so the log's bound on lines
    // of one form counts each of the plug-in's lines apart.
    va_list args;
    va_start(args, format);
    DebugLog(nullptr).handleMsgEventDebug_NEW(debugLevelOfRecordLevel(level), nullptr, 0, -1,
                                              jobId_, function ? function : "", format, args);
    va_end(args);
}

int HostSnapInfo::getCloneNumber() {
    try {
        return static_cast<int>(readInt("clone_number"));
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("getCloneNumber: ") + e.what());
        return 0;
    }
}

bool HostSnapInfo::readSetting(const char* key, std::string* out) {
    SqlStatement st(db_, "SELECT value FROM snap_settings WHERE record_id = ? AND key = ?");
    st.bind(1, id_).bind(2, key ? key : "");
    if (!st.step()) return false;
    *out = st.text(0);
    return true;
}

int HostSnapInfo::getConfigInt(const char* setting, int* value) {
    return GuardedReply(kFn, jobId_, "getConfigInt", [&] {
        std::string text;
        if (!value || !readSetting(setting, &text)) return kReplyFailed;
        errno = 0;
        char* end = nullptr;
        long v = std::strtol(text.c_str(), &end, 10);
        if (errno || end == text.c_str() || *end || v < INT32_MIN || v > INT32_MAX)
            return kReplyFailed;  // the caller keeps its default
        *value = static_cast<int>(v);
        return 0;
    });
}

int HostSnapInfo::getConfigString(const char* setting, char* buf, short* size) {
    return GuardedReply(kFn, jobId_, "getConfigString", [&] {
        std::string text;
        if (!readSetting(setting, &text)) return kReplyFailed;
        return replyRecord(text, buf, size);
    });
}

int HostSnapInfo::getIntProperty(int id, int* out) {
    return GuardedReply(kFn, jobId_, "getIntProperty", [&] {
        SqlStatement st(
            db_, "SELECT value FROM snap_int_properties WHERE record_id = ? AND prop_id = ?");
        st.bind(1, id_).bind(2, id);
        if (!out || !st.step()) return kReplyFailed;
        *out = static_cast<int>(st.integer(0));
        return 0;
    });
}

int HostSnapInfo::getHostPath(int id, char* buf, short* size) {
    return GuardedReply(kFn, jobId_, "getHostPath", [&] {
        const char* column = id == 9 ? "host_path_mount" : id == 10 ? "host_path_source" : nullptr;
        std::string text;
        if (!column || !readText(column, &text)) return kReplyFailed;
        return replyRecord(text, buf, size);
    });
}

int HostSnapInfo::getDuplicateNumber() {
    try {
        return static_cast<int>(readInt("duplicate_number"));
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("getDuplicateNumber: ") + e.what());
        return 0;
    }
}

int HostSnapInfo::getSnapshotIdText(std::string& out) {
    return GuardedReply(kFn, jobId_, "getSnapshotIdText", [&] {
        std::string text;
        if (!readText("snapshot_id", &text)) return kReplyFailed;
        out = text;
        return 0;
    });
}

}  // namespace refhost
