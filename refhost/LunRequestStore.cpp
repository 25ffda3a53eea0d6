#include "refhost/LunRequestStore.h"

#include "refhost/HostDatabase.h"
#include "refhost/SqlStatement.h"

namespace refhost {
namespace {

const char* const kSelect =
    "SELECT id, job_id, operation, array_name, volume_name, pool_name, size_bytes, status, "
    "error_code, error_message, lun_name, lun_volume, map_request, initiator_groups "
    "FROM lun_requests ";

LunRequestRow rowOf(const SqlStatement& st) {
    LunRequestRow r;
    r.id = st.integer(0);
    r.jobId = st.integer(1);
    r.operation = st.text(2);
    r.arrayName = st.text(3);
    r.volumeName = st.text(4);
    r.poolName = st.text(5);
    r.sizeBytes = st.integer(6);
    r.status = static_cast<int>(st.integer(7));
    r.errorCode = static_cast<int>(st.integer(8));
    r.errorMessage = st.text(9);
    r.lunName = st.text(10);
    r.lunVolume = st.text(11);
    r.mapRequest = st.text(12);
    r.initiatorGroups = st.text(13);
    return r;
}

}  // namespace

int64_t LunRequestStore::add(int64_t jobId, const LunRequestRow& request) {
    Transaction tx(db_);
    SqlStatement st(
        db_,
        "INSERT INTO lun_requests(job_id, operation, array_name, volume_name, pool_name, "
        "size_bytes, map_request) VALUES(?, ?, ?, ?, ?, ?, ?)");
    st.bind(1, jobId).bind(2, request.operation).bind(3, request.arrayName);
    st.bind(4, request.volumeName).bind(5, request.poolName).bind(6, request.sizeBytes);
    st.bind(7, request.mapRequest).run();
    int64_t id = db_.lastInsertId();
    tx.commit();
    return id;
}

LunRequestRow LunRequestStore::get(int64_t id) const {
    std::string sql = std::string(kSelect) + "WHERE id = ?";
    SqlStatement st(db_, sql.c_str());
    st.bind(1, id);
    if (!st.step()) throw HostDbError("no LUN request " + std::to_string(id));
    return rowOf(st);
}

std::vector<LunRequestRow> LunRequestStore::forJob(int64_t jobId) const {
    std::string sql = std::string(kSelect) + "WHERE job_id = ? ORDER BY id";
    SqlStatement st(db_, sql.c_str());
    st.bind(1, jobId);
    std::vector<LunRequestRow> out;
    while (st.step()) out.push_back(rowOf(st));
    return out;
}

std::vector<LunRequestRow> LunRequestStore::unsettledFor(const std::string& arrayName,
                                                         const std::string& volumeName) const {
    std::string sql = std::string(kSelect) +
                      "WHERE array_name = ? AND volume_name = ? AND job_id IN "
                      "(SELECT id FROM jobs WHERE state IN ('running', 'interrupted')) ORDER BY id";
    SqlStatement st(db_, sql.c_str());
    st.bind(1, arrayName).bind(2, volumeName);
    std::vector<LunRequestRow> out;
    while (st.step()) out.push_back(rowOf(st));
    return out;
}

}  // namespace refhost
