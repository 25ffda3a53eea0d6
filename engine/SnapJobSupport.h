// What the snapshot job steps (prepare, snap, reconcile, delete, revert)
// share: reading a record's texts from the host and the closing pass that
// turns every record not in the success state into the failure state.
#pragma once

#include <string>

#include "host/ZRSO.h"

// The record's source device, asked with a first buffer of bufferSize bytes
// and grown as the host asks; false when the host does not give it.
bool ReadSourceDevice(ZRSO::SnapInfo* info, int bufferSize, std::string& device);
// The snapshot id the host assigned to the record; false when not given.
bool ReadSnapshotId(ZRSO::SnapInfo* info, int bufferSize, std::string& snapshotId);

// Counts the records whose status is success, sets failure on every other
// present record and answers by the result convention (holes in the host
// array count as failed).
int SettleStatuses(ZRSO::SnapInfo** infos, short count, int success, int failure);
