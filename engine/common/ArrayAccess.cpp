#include "engine/common/ArrayAccess.h"

#include "engine/common/Settings.h"
#include "xiv/XivErrorTable.h"

Xiv OpenArray(const XIVFilerSnapInfo& record, ZRSO::SnapInfo* info) {
    // The xcli directory is read (and logged) before the logger asks the
    // record for its job.
    const std::string xcliPath = GetXCLIPath(info);
    return Xiv(record.sHostUserName, record.sHostPassword, record.sHostName, xcliPath,
               XivLogger(info));
}

int ArrayErrorCode(Xiv& xiv) { return XivErrStrToInt(xiv.GetResult()); }

std::string ArrayErrorDescription(Xiv& xiv) { return XivErrStrToDesc(xiv.GetResult()); }
