#include "refhost/HostLunInfo.h"

#include "refhost/ArrayRegistry.h"
#include "refhost/BufferReply.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLog.h"
#include "refhost/JsonText.h"
#include "refhost/RecordRow.h"
#include "refhost/SqlStatement.h"

namespace refhost {
namespace {

const char* const kFn = "HostLunInfo";

enum ArrayField { kName, kControlHost, kUser, kPasswordEnc };

}  // namespace

HostLunInfo::HostLunInfo(HostDatabase& db, int64_t requestId) : db_(db), id_(requestId) {
    SqlStatement st(db_, "SELECT job_id FROM lun_requests WHERE id = ?");
    st.bind(1, id_);
    if (!st.step()) throw HostDbError("no LUN request " + std::to_string(requestId));
    jobId_ = st.integer(0);
}

bool HostLunInfo::readText(const char* column, std::string* out) {
    return ReadRowText(db_, "lun_requests", id_, column, out);
}

int HostLunInfo::replyColumn(const char* column, char* buf, short* size) {
    return GuardedReply(kFn, jobId_, column, [&] {
        std::string text;
        if (!readText(column, &text)) return kReplyFailed;
        return replyRecord(text, buf, size);
    });
}

int HostLunInfo::replyArrayField(int which, char* buf, short* size) {
    return GuardedReply(kFn, jobId_, "array field", [&] {
        std::string name;
        if (!readText("array_name", &name)) return kReplyFailed;
        if (which == kName) return replyRecord(name, buf, size);
        ArrayRegistry registry(db_);
        auto array = registry.byName(name);
        if (!array) {
            hostLog(-1, kFn, jobId_, "no registered array named " + name);
            return kReplyFailed;
        }
        const std::string& value = which == kControlHost ? array->controlHost
                                   : which == kUser      ? array->user
                                                         : array->passwordEnc;
        return replyRecord(value, buf, size);
    });
}

int HostLunInfo::write(const char* column, const std::string& value) {
    return GuardedReply(kFn, jobId_, column, [&] {
        Transaction tx(db_);
        std::string sql = std::string("UPDATE lun_requests SET ") + column + " = ? WHERE id = ?";
        SqlStatement st(db_, sql.c_str());
        st.bind(1, value).bind(2, id_).run();
        tx.commit();
        return 0;
    });
}

int HostLunInfo::write(const char* column, int64_t value) {
    return GuardedReply(kFn, jobId_, column, [&] {
        Transaction tx(db_);
        std::string sql = std::string("UPDATE lun_requests SET ") + column + " = ? WHERE id = ?";
        SqlStatement st(db_, sql.c_str());
        st.bind(1, value).bind(2, id_).run();
        tx.commit();
        return 0;
    });
}

int HostLunInfo::getVolumeName(char* buf, short* size) {
    return replyColumn("volume_name", buf, size);
}
int HostLunInfo::getArrayName(char* buf, short* size) { return replyArrayField(kName, buf, size); }
int HostLunInfo::getArrayControlHost(char* buf, short* size) {
    return replyArrayField(kControlHost, buf, size);
}
int HostLunInfo::getArrayUser(char* buf, short* size) { return replyArrayField(kUser, buf, size); }
int HostLunInfo::getArrayPassword(char* buf, short* size) {
    return replyArrayField(kPasswordEnc, buf, size);
}
int HostLunInfo::setLunName(const char* name) {
    return write("lun_name", std::string(name ? name : ""));
}
int HostLunInfo::getPoolName(char* buf, short* size) { return replyColumn("pool_name", buf, size); }

int HostLunInfo::getVolumeSize(int64_t* bytes) {
    return GuardedReply(kFn, jobId_, "getVolumeSize", [&] {
        SqlStatement st(db_, "SELECT size_bytes FROM lun_requests WHERE id = ?");
        st.bind(1, id_);
        if (!bytes || !st.step()) return kReplyFailed;
        *bytes = st.integer(0);
        return 0;
    });
}

int HostLunInfo::setVolumeSize(int64_t* bytes) {
    if (!bytes) return kReplyFailed;
    return write("size_bytes", *bytes);
}

int HostLunInfo::getUsedSize(int64_t* bytes) {
    return GuardedReply(kFn, jobId_, "getUsedSize", [&] {
        SqlStatement st(db_, "SELECT used_bytes FROM lun_requests WHERE id = ?");
        st.bind(1, id_);
        if (!bytes || !st.step()) return kReplyFailed;
        *bytes = st.integer(0);
        return 0;
    });
}

int HostLunInfo::setStatus(int status) { return write("status", static_cast<int64_t>(status)); }

int HostLunInfo::setError(int code, const char* message) {
    return GuardedReply(kFn, jobId_, "setError", [&] {
        Transaction tx(db_);
        SqlStatement st(db_,
                        "UPDATE lun_requests SET error_code = ?, error_message = ? WHERE id = ?");
        st.bind(1, code).bind(2, message ? message : "").bind(3, id_).run();
        tx.commit();
        return 0;
    });
}

int64_t HostLunInfo::getJobId() { return jobId_; }

int HostLunInfo::setVolumeName(const std::string& name) { return write("volume_name", name); }
int HostLunInfo::setLunVolume(const std::string& name) { return write("lun_volume", name); }

std::string HostLunInfo::groupsJson(const std::vector<ZRSO::IGroupInfo>& groups) {
    std::string out = "[";
    for (size_t i = 0; i < groups.size(); ++i) {
        const auto& g = groups[i];
        if (i) out += ',';
        out += "{\"name\":" + jsonString(g.sName) + ",\"protocol\":" + jsonString(g.sProtocol) +
               ",\"initiators\":" + jsonStringArray(g.initiators) + "}";
    }
    out += "]";
    return out;
}

int HostLunInfo::setInitiatorGroups(std::vector<ZRSO::IGroupInfo>& groups, int* endPointId) {
    int rc = write("initiator_groups", groupsJson(groups));
    if (rc == 0 && endPointId) rc = write("end_point_id", static_cast<int64_t>(*endPointId));
    return rc;
}

int HostLunInfo::getMapRequest(char* buf, short* size) {
    return replyColumn("map_request", buf, size);
}

}  // namespace refhost
