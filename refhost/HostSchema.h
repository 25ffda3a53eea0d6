// Creates the host database's tables and upgrades older files, one numbered
// step at a time (the file's user_version records the last step applied).
#pragma once

namespace refhost {

class HostDatabase;

// The version this build writes.
int currentSchemaVersion();

// Applies the missing steps in one transaction; refuses a file written by a
// newer build.
void migrateSchema(HostDatabase& db);

}  // namespace refhost
