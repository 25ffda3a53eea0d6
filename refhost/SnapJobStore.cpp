#include "refhost/SnapJobStore.h"

#include <ctime>
#include <stdexcept>

#include "host/ZRSO.h"
#include "refhost/HostDatabase.h"
#include "refhost/SqlStatement.h"

namespace refhost {
namespace {

std::string nowUtc() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

}  // namespace

int64_t SnapJobStore::createJob(const std::string& kind) {
    Transaction tx(db_);
    SqlStatement st(db_, "INSERT INTO jobs(kind, created_at) VALUES(?, ?)");
    st.bind(1, kind).bind(2, nowUtc()).run();
    int64_t id = db_.lastInsertId();
    tx.commit();
    return id;
}

std::vector<int64_t> SnapJobStore::addRecords(int64_t jobId, const JobIdentity& identity,
                                              const std::vector<NewSnapRecord>& records) {
    Transaction tx(db_);
    SqlStatement insert(db_,
                        "INSERT INTO snap_records(job_id, position, source_device, snapshot_id, "
                        "options, host_identifier, host_path_mount, host_path_source) "
                        "VALUES(?, ?, ?, '', ?, ?, ?, ?)");
    SqlStatement name(
        db_, "UPDATE snap_records SET snapshot_id = ?, duplicate_number = id WHERE id = ?");
    SqlStatement intProp(db_,
                         "INSERT OR REPLACE INTO snap_int_properties(record_id, prop_id, value) "
                         "VALUES(?, ?, ?)");
    SqlStatement setting(db_,
                         "INSERT OR REPLACE INTO snap_settings(record_id, key, value) "
                         "VALUES(?, ?, ?)");
    std::vector<int64_t> ids;
    std::time_t stamp = std::time(nullptr);
    int position = 0;
    for (const auto& r : records) {
        insert.bind(1, jobId).bind(2, position++).bind(3, r.sourceDevice).bind(4, r.options);
        insert.bind(5, r.hostIdentifier);
        if (r.hostPathMount.empty())
            insert.bindNull(6);
        else
            insert.bind(6, r.hostPathMount);
        if (r.hostPathSource.empty())
            insert.bindNull(7);
        else
            insert.bind(7, r.hostPathSource);
        insert.run();
        int64_t id = db_.lastInsertId();
        ids.push_back(id);
        // The snapshot name on the array: unique per record, short enough for
        // an XIV object name, and free of characters xcli would mind.
        std::string snapshotId = "ZRS_J" + std::to_string(jobId) + "_R" + std::to_string(id) + "_" +
                                 std::to_string(static_cast<long long>(stamp));
        name.bind(1, snapshotId).bind(2, id).run();

        std::map<int, int> props = {
            {ZRSO::INTPROP_APPLICATION_ID, identity.appId},
            {ZRSO::INTPROP_FLEET_ID, identity.fleetId},
            {ZRSO::INTPROP_JOB_ID, static_cast<int>(jobId)},
            {ZRSO::INTPROP_DUPLICATE_NAME_NUMBER, static_cast<int>(jobId)},
            {ZRSO::INTPROP_FLEET_NUMBER, identity.fleetNumber},
        };
        for (const auto& p : r.intProperties) props[p.first] = p.second;
        for (const auto& p : props) intProp.bind(1, id).bind(2, p.first).bind(3, p.second).run();
        for (const auto& s : r.settings)
            setting.bind(1, id).bind(2, s.first).bind(3, s.second).run();
    }
    tx.commit();
    return ids;
}

namespace {

std::vector<JobRow> jobRows(SqlStatement& st) {
    std::vector<JobRow> out;
    while (st.step()) {
        JobRow j;
        j.id = st.integer(0);
        j.kind = st.text(1);
        j.createdAt = st.text(2);
        j.lastStep = st.text(3);
        j.lastResult = static_cast<int>(st.integer(4));
        j.state = st.text(5);
        out.push_back(j);
    }
    return out;
}

}  // namespace

std::vector<JobRow> SnapJobStore::jobs(const std::string& kind) const {
    SqlStatement st(db_,
                    "SELECT id, kind, created_at, last_step, last_result, state FROM jobs "
                    "WHERE ?1 = '' OR kind = ?1 ORDER BY id");
    st.bind(1, kind);
    return jobRows(st);
}

JobRow SnapJobStore::job(int64_t jobId) const {
    SqlStatement st(
        db_, "SELECT id, kind, created_at, last_step, last_result, state FROM jobs WHERE id = ?");
    st.bind(1, jobId);
    auto rows = jobRows(st);
    if (rows.empty()) throw std::runtime_error("no job " + std::to_string(jobId));
    return rows[0];
}

bool SnapJobStore::jobExists(int64_t jobId) const {
    SqlStatement st(db_, "SELECT 1 FROM jobs WHERE id = ?");
    st.bind(1, jobId);
    return st.step();
}

std::vector<SnapRecordRow> SnapJobStore::records(int64_t jobId) const {
    SqlStatement st(
        db_,
        "SELECT id, job_id, position, source_device, snapshot_id, snapshot_name, status, "
        "error_code, error_message, snap_device, flags, options, host_identifier "
        "FROM snap_records WHERE job_id = ? ORDER BY position");
    st.bind(1, jobId);
    std::vector<SnapRecordRow> out;
    while (st.step()) {
        SnapRecordRow r;
        r.id = st.integer(0);
        r.jobId = st.integer(1);
        r.position = static_cast<int>(st.integer(2));
        r.sourceDevice = st.text(3);
        r.snapshotId = st.text(4);
        r.snapshotName = st.text(5);
        r.status = static_cast<int>(st.integer(6));
        r.errorCode = static_cast<int>(st.integer(7));
        r.errorMessage = st.text(8);
        r.hasSnapDevice = !st.isNull(9);
        r.snapDevice = st.text(9);
        r.flags = static_cast<unsigned int>(st.integer(10));
        r.options = static_cast<int>(st.integer(11));
        r.hostIdentifier = st.text(12);
        out.push_back(r);
    }
    return out;
}

void SnapJobStore::noteStep(int64_t jobId, const std::string& step, int result,
                            const std::string& state) {
    Transaction tx(db_);
    SqlStatement st(db_, "UPDATE jobs SET last_step = ?, last_result = ?, state = ? WHERE id = ?");
    st.bind(1, step).bind(2, result).bind(3, state).bind(4, jobId).run();
    tx.commit();
}

void SnapJobStore::startStep(int64_t jobId, const std::string& step) {
    noteStep(jobId, step, -1, kJobRunning);
}

void SnapJobStore::setState(int64_t jobId, const std::string& state) {
    Transaction tx(db_);
    SqlStatement st(db_, "UPDATE jobs SET state = ? WHERE id = ?");
    st.bind(1, state).bind(2, jobId).run();
    tx.commit();
}

std::string SnapJobStore::property(int64_t recordId, int propId) const {
    SqlStatement st(db_, "SELECT value FROM snap_properties WHERE record_id = ? AND prop_id = ?");
    st.bind(1, recordId).bind(2, propId);
    return st.step() ? st.text(0) : std::string();
}

void SnapJobStore::setStatus(int64_t recordId, int status) {
    Transaction tx(db_);
    SqlStatement st(db_, "UPDATE snap_records SET status = ? WHERE id = ?");
    st.bind(1, status).bind(2, recordId).run();
    tx.commit();
}

void SnapJobStore::setFlags(int64_t jobId, unsigned int bits, bool on) {
    Transaction tx(db_);
    SqlStatement st(db_, on ? "UPDATE snap_records SET flags = flags | ? WHERE job_id = ?"
                            : "UPDATE snap_records SET flags = flags & ~? WHERE job_id = ?");
    st.bind(1, static_cast<int64_t>(bits)).bind(2, jobId).run();
    tx.commit();
}

bool unsettled(const JobRow& job) {
    return job.state == kJobRunning || job.state == kJobInterrupted;
}

std::string unsettledWhy(const JobRow& job) {
    return "the last " + job.lastStep + " of job " + std::to_string(job.id) +
           (job.state == kJobInterrupted ? " was interrupted"
                                         : " did not finish (zrso-host ended during it)");
}

std::string metadataItem(const std::string& metadata, const std::string& key) {
    std::string mark = "," + key + ":";
    std::size_t at = metadata.find(mark);
    if (at == std::string::npos) return std::string();
    at += mark.size();
    return metadata.substr(at, metadata.find(',', at) - at);
}

const char* snapStatusName(int status) {
    switch (status) {
    case 0: return "new";
    case ZRSO::SNAP_PREPARED: return "prepared";
    case ZRSO::SNAP_PREPARE_FAILED: return "prepare failed";
    case ZRSO::SNAP_SNAPPED: return "snapped";
    case ZRSO::SNAP_FAILED: return "failed";
    case ZRSO::SNAP_DUPLICATE_EXISTS: return "duplicate exists";
    case ZRSO::SNAP_DUPLICATE_MAPPED: return "duplicate mapped";
    case ZRSO::SNAP_MOUNT_FAILED: return "mount failed";
    case ZRSO::SNAP_DEVICE_FOUND: return "mounted";
    case ZRSO::SNAP_UNMAPPED: return "unmounted";
    case ZRSO::SNAP_UNMAP_FAILED: return "unmount failed";
    case ZRSO::SNAP_DELETED: return "deleted";
    case ZRSO::SNAP_DELETE_FAILED: return "delete failed";
    case ZRSO::SNAP_REVERTED: return "reverted";
    case ZRSO::SNAP_REVERT_FAILED: return "revert failed";
    case ZRSO::SNAP_MISSING: return "snapshot missing";
    default: return "unknown";
    }
}

}  // namespace refhost
