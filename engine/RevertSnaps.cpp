// zrso_revertSnaps: restores each device's source volume from its snapshot.
// A failing device does not stop the others.
#include <string>

#include "engine/EntryBodies.h"
#include "engine/EntryFrame.h"
#include "engine/RecordLog.h"
#include "engine/Settings.h"
#include "engine/SnapJobSupport.h"
#include "engine/SnapMetadata.h"
#include "xiv/Xiv.h"

namespace {

const char* const kFn = "ZRSnapEngineXIV::zrso_revertSnaps";
constexpr int kReverted = 22;
constexpr int kNotReverted = 23;
constexpr int kMetadataErrorCode = 61001;

bool RevertDevice(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil) {
    info->setStatus(kNotReverted);
    XIVFilerSnapInfo record;
    if (!GetVolumeAndFilerInfoFromSnap(info, osUtil, record)) {
        const std::string message = std::string(kFn) +
                                    " Unable to get the filer and volume information from the snap information";
        RecordLog(info, 2, kFn, message);
        info->setError(kMetadataErrorCode, message.c_str());
        info->setStatus(kNotReverted);
        return false;
    }
    Xiv xiv(record.sHostUserName, record.sHostPassword, record.sHostName, GetXCLIPath(info), info);
    int code = 0;
    std::string text;
    xiv.RevertToSnapshot(record.sSnapName, code, text);
    if (code != 0) {
        const std::string message = "Unable to revert volume with id[" + record.sVolumeId +
                                    "] from snap:[" + record.sSnapName + "] on file server:[" +
                                    record.sHostName + "]." + ArrayErrorDescription(xiv);
        RecordLog(info, 2, kFn, text);
        info->setError(ArrayErrorCode(xiv), message.c_str());
        info->setStatus(kNotReverted);
        return false;
    }
    info->setStatus(kReverted);
    return true;
}

}  // namespace

int revertSnapsBody(ZRSO::SnapInfo** infos, short count, ZRSO::ZROSUtil* osUtil) {
    long reverted = 0;
    for (int i = 0; i < count; ++i)
        if (ZRSO::SnapInfo* info = RecordAt(infos, count, i))
            if (RevertDevice(info, osUtil)) ++reverted;
    return ResultConvention(reverted, count);
}
