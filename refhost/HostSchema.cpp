#include "refhost/HostSchema.h"

#include <string>

#include "refhost/HostDatabase.h"

namespace refhost {
namespace {

// Step n brings a file from version n to n + 1. Never edit a step that has
// shipped: add a new one.
const char* const kSteps[] = {
    R"SQL(
CREATE TABLE host_settings(
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL);

CREATE TABLE arrays(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  name TEXT NOT NULL UNIQUE,
  type TEXT NOT NULL DEFAULT 'IBM XIV',
  control_host TEXT NOT NULL UNIQUE,
  user_name TEXT NOT NULL,
  password_enc TEXT NOT NULL,
  serial TEXT NOT NULL,
  inv_flag INTEGER NOT NULL DEFAULT 0,
  inv_status INTEGER NOT NULL DEFAULT -1,
  total_mib INTEGER NOT NULL DEFAULT 0,
  free_mib INTEGER NOT NULL DEFAULT 0);

CREATE TABLE array_settings(
  array_id INTEGER NOT NULL REFERENCES arrays(id) ON DELETE CASCADE,
  key TEXT NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY(array_id, key));

CREATE TABLE jobs(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  kind TEXT NOT NULL,
  created_at TEXT NOT NULL,
  last_step TEXT NOT NULL DEFAULT '',
  last_result INTEGER NOT NULL DEFAULT -1);

CREATE TABLE snap_records(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  job_id INTEGER NOT NULL REFERENCES jobs(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  source_device TEXT NOT NULL,
  snapshot_id TEXT NOT NULL,
  snapshot_name TEXT NOT NULL DEFAULT '',
  status INTEGER NOT NULL DEFAULT 0,
  error_code INTEGER NOT NULL DEFAULT 0,
  error_message TEXT NOT NULL DEFAULT '',
  snap_device TEXT,
  flags INTEGER NOT NULL DEFAULT 0,
  options INTEGER NOT NULL DEFAULT 0,
  clone_number INTEGER NOT NULL DEFAULT 1,
  duplicate_number INTEGER NOT NULL DEFAULT 0,
  host_identifier TEXT NOT NULL DEFAULT '',
  host_path_mount TEXT,
  host_path_source TEXT,
  selected_array INTEGER REFERENCES arrays(id) ON DELETE SET NULL);
CREATE INDEX snap_records_job ON snap_records(job_id, position);

CREATE TABLE snap_properties(
  record_id INTEGER NOT NULL REFERENCES snap_records(id) ON DELETE CASCADE,
  prop_id INTEGER NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY(record_id, prop_id));

CREATE TABLE snap_int_properties(
  record_id INTEGER NOT NULL REFERENCES snap_records(id) ON DELETE CASCADE,
  prop_id INTEGER NOT NULL,
  value INTEGER NOT NULL,
  PRIMARY KEY(record_id, prop_id));

CREATE TABLE snap_settings(
  record_id INTEGER NOT NULL REFERENCES snap_records(id) ON DELETE CASCADE,
  key TEXT NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY(record_id, key));

CREATE TABLE lun_requests(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  job_id INTEGER NOT NULL REFERENCES jobs(id) ON DELETE CASCADE,
  operation TEXT NOT NULL,
  array_name TEXT NOT NULL,
  volume_name TEXT NOT NULL,
  pool_name TEXT NOT NULL DEFAULT '',
  size_bytes INTEGER NOT NULL DEFAULT 0,
  used_bytes INTEGER NOT NULL DEFAULT 0,
  status INTEGER NOT NULL DEFAULT -1,
  error_code INTEGER NOT NULL DEFAULT 0,
  error_message TEXT NOT NULL DEFAULT '',
  lun_name TEXT NOT NULL DEFAULT '',
  lun_volume TEXT NOT NULL DEFAULT '',
  map_request TEXT NOT NULL DEFAULT '',
  initiator_groups TEXT NOT NULL DEFAULT '',
  end_point_id INTEGER);

CREATE TABLE inv_pools(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  array_id INTEGER NOT NULL REFERENCES arrays(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  pool_id TEXT NOT NULL DEFAULT '',
  status INTEGER NOT NULL DEFAULT 0,
  total_mib INTEGER NOT NULL DEFAULT 0,
  used_mib INTEGER NOT NULL DEFAULT 0,
  free_mib INTEGER NOT NULL DEFAULT 0,
  text1 TEXT NOT NULL DEFAULT '',
  value1 INTEGER NOT NULL DEFAULT 0,
  text2 TEXT NOT NULL DEFAULT '',
  value2 INTEGER NOT NULL DEFAULT 0,
  UNIQUE(array_id, name));

CREATE TABLE inv_volumes(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  array_id INTEGER NOT NULL REFERENCES arrays(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  name2 TEXT NOT NULL DEFAULT '',
  pool_record_id INTEGER,
  status INTEGER NOT NULL DEFAULT 0,
  size_mib INTEGER NOT NULL DEFAULT 0,
  used_mib INTEGER NOT NULL DEFAULT 0,
  free_mib INTEGER NOT NULL DEFAULT 0,
  text TEXT NOT NULL DEFAULT '',
  value INTEGER NOT NULL DEFAULT 0,
  text2 TEXT NOT NULL DEFAULT '',
  UNIQUE(array_id, name));

CREATE TABLE inv_luns(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  volume_record_id INTEGER NOT NULL REFERENCES inv_volumes(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  name2 TEXT NOT NULL DEFAULT '',
  status INTEGER NOT NULL DEFAULT 0,
  size_bytes INTEGER NOT NULL DEFAULT 0,
  used_bytes INTEGER NOT NULL DEFAULT 0,
  free_bytes INTEGER NOT NULL DEFAULT 0,
  accessible INTEGER NOT NULL DEFAULT 0,
  shared INTEGER NOT NULL DEFAULT 0,
  host_lun INTEGER NOT NULL DEFAULT -1,
  text TEXT NOT NULL DEFAULT '',
  value INTEGER NOT NULL DEFAULT 0,
  text2 TEXT NOT NULL DEFAULT '');
CREATE INDEX inv_luns_volume ON inv_luns(volume_record_id);

CREATE TABLE initiators(
  owner TEXT NOT NULL,
  kind TEXT NOT NULL CHECK(kind IN ('fc', 'iscsi')),
  name TEXT NOT NULL,
  position INTEGER NOT NULL,
  PRIMARY KEY(owner, name));

CREATE TABLE esx_servers(
  name TEXT PRIMARY KEY);

CREATE TABLE esx_disks(
  esx_name TEXT NOT NULL REFERENCES esx_servers(name) ON DELETE CASCADE,
  device TEXT NOT NULL,
  lun_uuid TEXT NOT NULL,
  naa TEXT NOT NULL,
  lun INTEGER NOT NULL DEFAULT 0,
  array_serial TEXT NOT NULL DEFAULT '',
  target_wwpn TEXT NOT NULL DEFAULT '',
  volume TEXT NOT NULL DEFAULT '',
  size_bytes INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(esx_name, device));
)SQL",
    // A job whose last step was stopped by a signal says so.
    R"SQL(
ALTER TABLE jobs ADD COLUMN state TEXT NOT NULL DEFAULT '';
)SQL",
};

constexpr int kStepCount = static_cast<int>(sizeof(kSteps) / sizeof(kSteps[0]));

}  // namespace

int currentSchemaVersion() { return kStepCount; }

void migrateSchema(HostDatabase& db) {
    int version = db.schemaVersion();
    if (version > kStepCount)
        throw HostDbError("host database " + db.path() + " has schema version " +
                          std::to_string(version) + ", newer than this zrso-host knows (" +
                          std::to_string(kStepCount) + ")");
    if (version == kStepCount) return;
    Transaction tx(db);
    // Re-read inside the write lock: another process may have migrated meanwhile.
    version = db.schemaVersion();
    for (int step = version; step < kStepCount; ++step) db.exec(kSteps[step]);
    db.exec(("PRAGMA user_version=" + std::to_string(kStepCount)).c_str());
    tx.commit();
}

}  // namespace refhost
