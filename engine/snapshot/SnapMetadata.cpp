#include "engine/snapshot/SnapMetadata.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "engine/common/AttributeText.h"
#include "engine/common/HostBuffer.h"
#include "engine/common/RecordLog.h"
#include "engine/identity/Credentials.h"

namespace {

const char* const kParseFunction = "ParseMetaData";
const char* const kSnapFunction = "GetVolumeAndFilerInfoFromSnap";
const char* const kWriteFunction = "WriteMetaData";

// Bytes that would end an item early or that the reader drops together with
// the bytes after them.
bool Unstorable(char c) {
    switch (c) {
    case ',':
    case '\0':
    case '\b':
    case '\t':
    case '\n':
    case '\f':
    case '\r':
    case '"':
    case '\\':
    case '/': return true;
    default: return false;
    }
}

using Items = std::vector<std::pair<const char*, const std::string*>>;

Items ItemsOf(const XIVFilerSnapInfo& record) {
    return {{"SnapName", &record.sSnapName},
            {"ArrayId", &record.sArrayId},
            {"VolumeId", &record.sVolumeId},
            {"VolumeName", &record.sVolumeName}};
}

std::string Join(const Items& items) {
    std::string text;
    for (const auto& item : items) text += std::string(",") + item.first + ":" + *item.second;
    return text + ",";
}

bool Store(ZRSO::SnapInfo* info, const Items& items, std::string& error) {
    for (const auto& item : items) {
        for (char c : *item.second) {
            if (!Unstorable(c)) continue;
            error = std::string("The snapshot metadata cannot hold the ") + item.first + " [" +
                    *item.second + "]: " +
                    (c == ',' ? "it holds a comma." : "it holds a character that would be lost.");
            RecordLog(info, ZRSO::LOG_ERROR, kWriteFunction, error);
            return false;
        }
    }
    if (info == nullptr) {
        error = "No host record to store the snapshot metadata in.";
        return false;
    }
    const std::string text = Join(items);
    int answer = info->setProperty(ZRSO::PROP_METADATA, text.c_str());
    if (answer != 0) {
        error = "The host did not store the snapshot metadata. Error = " + std::to_string(answer);
        RecordLog(info, ZRSO::LOG_ERROR, kWriteFunction, error);
        return false;
    }
    return true;
}

Items GroupItems(const XIVFilerSnapInfo& record, const std::string& cgName,
                 const std::string& snapGroupName) {
    Items items = ItemsOf(record);
    items.emplace_back("CGName", &cgName);
    items.emplace_back("SnapGroupName", &snapGroupName);
    return items;
}

}  // namespace

bool ParseMetaData(const char* metadata, XIVFilerSnapInfo& record, ZRSO::SnapInfo* info) {
    if (metadata == nullptr) {
        RecordLog(info, ZRSO::LOG_ERROR, kParseFunction,
                  "Array info is NULL unable to get filer login info");
        return false;
    }
    const std::string text(metadata);
    CommaKeyValue(text, ",SnapName:", record.sSnapName);
    CommaKeyValue(text, ",ArrayId:", record.sArrayId);
    CommaKeyValue(text, ",VolumeId:", record.sVolumeId);
    CommaKeyValue(text, ",VolumeName:", record.sVolumeName);
    CommaKeyValue(text, ",CGName:", record.sCGName);
    CommaKeyValue(text, ",SnapGroupName:", record.sSnapGroupName);
    return true;
}

bool GetVolumeAndFilerInfoFromSnap(ZRSO::SnapInfo* info, ZRSO::ZROSUtil* osUtil,
                                   XIVFilerSnapInfo& record) {
    if (info == nullptr) return false;
    HostTextRequest request;
    request.bufferSize = 1024;
    HostTextResult device = ReadRecordText(
        [info](char* buffer, short* size) { return info->getSourceDevice(buffer, size); }, request);
    if (!device.ok()) {
        info->log(ZRSO::LOG_ERROR, kSnapFunction, "%s Unable to get the source device.",
                  kSnapFunction);
        return false;
    }
    HostTextResult metadata = ReadRecordText(
        [info](char* buffer, short* size) {
            return info->getProperty(ZRSO::PROP_METADATA, buffer, size);
        },
        request);
    if (!metadata.ok()) {
        info->log(ZRSO::LOG_ERROR, kSnapFunction, "%sUnable to get the snapUUID for device :[%s]",
                  kSnapFunction, device.text.c_str());
        return false;
    }
    ParseMetaData(metadata.text.c_str(), record, info);
    info->log(ZRSO::LOG_DETAIL, kSnapFunction,
              "%sData from metadata: sArrayId [%s] filerSnapInfo.sVolumeId[%s]  "
              "filerSnapInfo.sSnapName[%s]",
              kSnapFunction, record.sArrayId.c_str(), record.sVolumeId.c_str(),
              record.sSnapName.c_str());
    const std::string controlHost = record.sHostName;
    return GetCredentials(info, osUtil, controlHost.c_str(), record);
}

void GetDuplicateName(ZRSO::SnapInfo* info, std::string& name) {
    int number = 0;
    if (info->getIntProperty(ZRSO::INTPROP_DUPLICATE_NAME_NUMBER, &number) != 0) number = 0;
    const long long duplicate = info->getDuplicateNumber();
    char buffer[1024] = {0};
    if (info->hasOption(ZRSO::OPTION_CLONE_NAMES)) {
        std::snprintf(buffer, sizeof buffer, "ZR_Clone_QS_2_%d_%lld_%d", number, duplicate,
                      info->getCloneNumber());
    } else {
        std::snprintf(buffer, sizeof buffer, "QS_2_%d_%lld_duplicate", number, duplicate);
    }
    name = buffer;
}

std::string FormatMetaData(const XIVFilerSnapInfo& record) { return Join(ItemsOf(record)); }

std::string FormatMetaData(const XIVFilerSnapInfo& record, const std::string& cgName,
                           const std::string& snapGroupName) {
    return Join(GroupItems(record, cgName, snapGroupName));
}

bool WriteMetaData(ZRSO::SnapInfo* info, const XIVFilerSnapInfo& record, std::string& error) {
    return Store(info, ItemsOf(record), error);
}

bool WriteMetaData(ZRSO::SnapInfo* info, const XIVFilerSnapInfo& record, const std::string& cgName,
                   const std::string& snapGroupName, std::string& error) {
    return Store(info, GroupItems(record, cgName, snapGroupName), error);
}
