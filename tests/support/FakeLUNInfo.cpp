#include "FakeLUNInfo.h"

int FakeLUNInfo::getVolumeSize(int64_t* bytes) {
    if (bytes && volumeSizeResult == 0) *bytes = volumeSize;
    return volumeSizeResult;
}

int FakeLUNInfo::getUsedSize(int64_t* bytes) {
    if (bytes) *bytes = 0;
    return 0;
}

int FakeLUNInfo::setStatus(int status) {
    statuses.push_back(status);
    return setterResult;
}

int FakeLUNInfo::setError(int code, const char* message) {
    errors.push_back(ErrorEntry{code, Safe(message)});
    return setterResult;
}
