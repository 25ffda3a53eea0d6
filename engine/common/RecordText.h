// Texts of a snapshot record that several steps read from the host, each
// under the buffer protocol.
#pragma once

#include <string>

#include "host/ZRSO.h"

// The record's source device, asked with a first buffer of bufferSize bytes
// and grown as the host asks; false when the host does not give it.
bool ReadSourceDevice(ZRSO::SnapInfo* info, int bufferSize, std::string& device);
// The snapshot id the host assigned to the record; false when not given.
bool ReadSnapshotId(ZRSO::SnapInfo* info, int bufferSize, std::string& snapshotId);
