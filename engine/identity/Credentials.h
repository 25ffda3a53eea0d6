// Array logins from the host's attribute strings. Passwords land in the
// record in clear text and are never logged here.
#pragma once

#include "engine/common/XIVFilerSnapInfo.h"
#include "host/ZRSO.h"

// Management address, user and password from an array info text. Keys are
// found only after a comma. False only for a null text.
bool ParseArrayInfo(const char* arrayInfo, XIVFilerSnapInfo& record, ZRSO::SnapInfo* info);
// arrayId, hostName, hostUserName, hostPassword from a login record; false at
// the first key missing (earlier ones stay stored) or for a null text.
bool ParseForCredentials(const char* login, XIVFilerSnapInfo& record, ZRSO::SnapInfo* info);
// Reads the selected login record of info and parses it; on failure the
// record gets error kArrayLoginCode with the reason. osUtil and controlHost are unused.
bool GetCredentials(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil, const char* controlHost,
                    XIVFilerSnapInfo& record);
