#include "engine/mount/Initiators.h"

#include <unistd.h>

#include "engine/mount/Discovery.h"

namespace {

constexpr int kIdentifierBufferSize = 1024;
constexpr int kIdentifierCalls = 3;

}  // namespace

std::string ClientName() {
    char name[65] = {0};
    if (::gethostname(name, 64) != 0) name[0] = '\0';
    return name;
}

HostTextResult ReadHostIdentifier(ZRSO::SnapInfo* info) {
    HostTextRequest request;
    request.bufferSize = kIdentifierBufferSize;
    request.maxCalls = kIdentifierCalls;
    return ReadRecordText(
        [info](char* buffer, short* size) { return info->getHostIdentifier(buffer, size); },
        request);
}

std::string GetHostNameBase(const std::string& hostIdentifier) {
    static const std::string kKey = "esxname:";
    const size_t at = hostIdentifier.find(kKey);
    if (at == std::string::npos) return hostIdentifier;
    const size_t start = at + kKey.size();
    const size_t comma = hostIdentifier.find(',', start);
    return hostIdentifier.substr(start,
                                 comma == std::string::npos ? std::string::npos : comma - start);
}

bool FindHostInitiators(std::list<std::string>& initiators, const XIVFilerSnapInfo& record,
                        ZRSO::ZROSUtil* osUtil, const std::string& clientName, Xiv& xiv,
                        ZRSO::SnapInfo* info) {
    std::string arrayHost = record.sHostName;
    bool iscsi = true;
    return detectHBA(initiators, iscsi, arrayHost, osUtil, clientName, &xiv, info) &&
           !initiators.empty();
}

bool FindEsxInitiator(std::string& initiator, const XIVFilerSnapInfo& record,
                      ZRSO::ZROSUtil* osUtil, const std::string& hostIdentifier,
                      ZRSO::SnapInfo* info) {
    std::string arrayHost = record.sHostName;
    bool iscsi = true;
    return detectHBA(initiator, iscsi, arrayHost, osUtil, hostIdentifier, info) != 0;
}
