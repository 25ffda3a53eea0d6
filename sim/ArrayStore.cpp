#include "sim/ArrayStore.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

std::string g_stateOverride;

const char* kSchema = R"SQL(
CREATE TABLE array(id INTEGER PRIMARY KEY CHECK (id = 1), address TEXT NOT NULL,
  serial TEXT NOT NULL, refuse_wwn INTEGER NOT NULL DEFAULT 0, shapes TEXT NOT NULL DEFAULT '',
  next_vol_serial INTEGER NOT NULL DEFAULT 1, next_snap_serial INTEGER NOT NULL DEFAULT 1);
CREATE TABLE user(name TEXT PRIMARY KEY, password TEXT NOT NULL);
CREATE TABLE pool(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,
  hard_gb INTEGER NOT NULL, soft_gb INTEGER NOT NULL, snapshot_gb INTEGER NOT NULL,
  locked INTEGER NOT NULL DEFAULT 0);
CREATE TABLE cg(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,
  pool_id INTEGER NOT NULL REFERENCES pool(id));
CREATE TABLE snap_group(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,
  cg_id INTEGER REFERENCES cg(id) ON DELETE SET NULL, cg_name TEXT NOT NULL, created TEXT NOT NULL);
CREATE TABLE volume(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,
  serial INTEGER NOT NULL UNIQUE, wwn TEXT NOT NULL UNIQUE,
  pool_id INTEGER NOT NULL REFERENCES pool(id), size_gb INTEGER NOT NULL,
  used_gb INTEGER NOT NULL DEFAULT 0, locked INTEGER NOT NULL DEFAULT 0,
  master_id INTEGER REFERENCES volume(id), snap_serial INTEGER,
  cg_id INTEGER REFERENCES cg(id), sg_id INTEGER REFERENCES snap_group(id),
  created TEXT NOT NULL, creator TEXT NOT NULL);
CREATE INDEX volume_pool ON volume(pool_id);
CREATE INDEX volume_master ON volume(master_id);
CREATE INDEX volume_cg ON volume(cg_id);
CREATE INDEX volume_sg ON volume(sg_id);
CREATE TABLE host(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE port(id INTEGER PRIMARY KEY, host_id INTEGER NOT NULL REFERENCES host(id) ON DELETE CASCADE,
  kind TEXT NOT NULL, norm TEXT NOT NULL UNIQUE);
CREATE TABLE login(norm TEXT PRIMARY KEY);
CREATE TABLE mapping(host_id INTEGER NOT NULL REFERENCES host(id) ON DELETE CASCADE,
  vol_id INTEGER NOT NULL REFERENCES volume(id), lun INTEGER NOT NULL,
  UNIQUE(host_id, lun), UNIQUE(host_id, vol_id));
CREATE INDEX mapping_vol ON mapping(vol_id);
CREATE TABLE fault(id INTEGER PRIMARY KEY, kind TEXT NOT NULL, remaining INTEGER NOT NULL,
  status TEXT NOT NULL, millis INTEGER NOT NULL, code INTEGER NOT NULL, bytes INTEGER NOT NULL,
  op TEXT NOT NULL);
)SQL";

// Addresses may hold any character; file names keep only a safe set.
std::string encodeAddress(const std::string& address) {
    std::string out;
    for (unsigned char c : address) {
        if (std::isalnum(c) || c == '.' || c == '-') {
            out += static_cast<char>(c);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "_%02X", c);
            out += buf;
        }
    }
    return out;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string stateDir() {
    if (!g_stateOverride.empty()) return g_stateOverride;
    const char* env = std::getenv("XIV_SIM_STATE");
    return env ? env : "";
}

void setStateDir(const std::string& dir) { g_stateOverride = dir; }

std::string arrayFile(const std::string& address) {
    return stateDir() + "/array-" + encodeAddress(address) + ".db";
}

std::unique_ptr<Db> openArray(const std::string& address) {
    if (stateDir().empty() || address.empty()) return nullptr;
    std::string path = arrayFile(address);
    if (!fileExists(path)) return nullptr;
    return std::make_unique<Db>(path, false);
}

std::unique_ptr<Db> createArray(const std::string& address, const std::string& serial) {
    if (stateDir().empty()) throw SimError("no state directory (set XIV_SIM_STATE or --state)");
    ::mkdir(stateDir().c_str(), 0755);
    std::string path = arrayFile(address);
    if (fileExists(path)) throw SimError("an array already answers at " + address);
    auto db = std::make_unique<Db>(path, true);
    Tx tx(*db, true);
    db->exec(kSchema);
    db->prepare("INSERT INTO array(id, address, serial) VALUES (1, ?, ?)")
        .bind(1, address)
        .bind(2, serial)
        .run();
    tx.commit();
    return db;
}

std::vector<std::string> arrayAddresses() {
    std::vector<std::string> out;
    std::string dir = stateDir();
    if (dir.empty()) return out;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return out;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name.size() > 9 && name.compare(0, 6, "array-") == 0 &&
            name.compare(name.size() - 3, 3, ".db") == 0) {
            try {
                Db db(dir + "/" + name, false);
                out.push_back(readArrayInfo(db).address);
            } catch (const SimError&) {
                // A file being created right now has no schema yet: not an array.
            }
        }
    }
    ::closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

ArrayInfo readArrayInfo(Db& db) {
    auto st = db.prepare("SELECT address, serial, refuse_wwn, shapes FROM array WHERE id = 1");
    if (!st.step()) throw SimError("array record missing");
    ArrayInfo info;
    info.address = st.text(0);
    info.serial = st.text(1);
    info.refuseWwn = st.i64(2) != 0;
    if (!parseShapes(st.text(3), info.shapes))
        throw SimError("unknown answer shape in the array record");
    return info;
}

}  // namespace sim
