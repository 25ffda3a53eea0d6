// The login of the array behind a resolved disk, from the host's list of
// registered arrays: the first array whose array info holds the disk's
// array id supplies its management address, user and password.
#pragma once

#include <string>

#include "engine/common/XIVFilerSnapInfo.h"
#include "host/ZRSO.h"

// How the login lookup behaves for its two kinds of caller.
enum class LoginLookupStyle {
    kHostDisk,  // local disks: the id may stand anywhere in the array info
    kVMware,    // VMware disks: the id must follow a two-character prefix, which
                // completes a five-digit serial
};

// Walks the host's registered arrays in order; the first whose array info
// holds firstId (else secondId, which then replaces sArrayId) supplies the
// login. 1 on a complete login; 0 with the record's error set otherwise
// (kNoArrayListCode, kArrayLoginCode for no array info, kArrayNotRegisteredCode
// when not registered or the login is incomplete). Lines are logged under
// function.
int LookupArrayLogin(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil, XIVFilerSnapInfo& record,
                     std::string firstId, std::string secondId, LoginLookupStyle style,
                     const char* function);
