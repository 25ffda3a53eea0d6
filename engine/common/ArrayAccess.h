// The array behind a snapshot record: the array object for the record's
// login, and the host's code and sentence for the array's last answer.
#pragma once

#include <string>

#include "engine/common/XIVFilerSnapInfo.h"
#include "host/ZRSO.h"
#include "xiv/Xiv.h"

// The array object for the record's login, running the configured xcli and
// logging into the job of info.
Xiv OpenArray(const XIVFilerSnapInfo& record, ZRSO::SnapInfo* info);

// The host code and the sentence of the array object's last status name.
int ArrayErrorCode(Xiv& xiv);
std::string ArrayErrorDescription(Xiv& xiv);
