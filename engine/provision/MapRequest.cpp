#include "engine/provision/MapRequest.h"

#include <cstring>

#include "host/rt/DebugLog.h"
#include "json/JsonReader.h"

namespace {

const char* const kParseFunction = "ZRProvNetAppLUN::ParseMapInfo";

// The leading decimal integer of a text (optional sign, then digits) as a
// signed 16-bit value; 0 when the text does not start with one. Values out of
// range are held at the nearest bound rather than wrapped, so that a number
// like "65539" can never pass for protocol 3.
std::int16_t LeadingInt16(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 32768) value = 32768;  // enough to know it is out of range
    }
    if (negative) value = -value;
    if (value > INT16_MAX) value = INT16_MAX;
    return static_cast<std::int16_t>(value);
}

// A member that must be present as a JSON string.
bool StringMember(const JsonValue& object, const char* name, std::string& out) {
    const JsonValue* v = object.find(name);
    if (v == nullptr || !v->isString()) return false;
    out = v->asString();
    return true;
}

bool ReadHost(const JsonValue& host, mapInfo& info) {
    if (!host.isObject()) return false;
    std::string protocol;
    if (!StringMember(host, "hostname", info.sHostName) ||
        !StringMember(host, "hostos", info.sOsType) || !StringMember(host, "protocol", protocol))
        return false;
    info.nProtocol = LeadingInt16(protocol);

    const JsonValue* endpoints = host.find("endpoints");
    if (endpoints == nullptr || !endpoints->isArray()) return false;
    for (const JsonValue& endpoint : endpoints->items()) {
        if (!endpoint.isObject()) return false;
        if (endpoint.members().empty())
            continue;  // the host sends empty placeholders; they carry no port
        std::string port;
        if (!StringMember(endpoint, "endpoint", port)) return false;
        info.endPoints.push_back(port);
    }
    return true;
}

}  // namespace

bool ParseMapInfo(const char* request, std::uint64_t jobId, std::vector<mapInfo>& hosts) {
    return ParseMapInfo(request, request != nullptr ? std::strlen(request) : 0, jobId, hosts);
}

bool ParseMapInfo(const char* request, std::size_t length, std::uint64_t jobId,
                  std::vector<mapInfo>& hosts) {
    DebugLog log;
    const auto job = static_cast<long long>(jobId);
    if (request == nullptr) {
        log.DebugLvl(kParseFunction, DebugLog::kError, job, "Invalid parameters");
        return false;
    }

    // Members read completely before a syntax error are used as they are.
    const JsonValue root = ReadJson(request, length);
    if (!root.isObject() || root.members().empty()) {
        log.DebugLvl(kParseFunction, DebugLog::kError, job,
                     "Unable to parse the input json string");
        return false;
    }

    // All hosts or none: a malformed entry rejects the whole request.
    std::vector<mapInfo> parsed;
    const JsonValue* list = root.find("hosts");
    bool valid = list != nullptr && list->isArray();
    if (valid) {
        for (const JsonValue& host : list->items()) {
            mapInfo info;
            if (!ReadHost(host, info)) {
                valid = false;
                break;
            }
            parsed.push_back(std::move(info));
        }
    }
    if (!valid) {
        log.DebugLvl(kParseFunction, DebugLog::kError, job,
                     "Unable to parse the input json string");
        return false;
    }
    for (mapInfo& info : parsed) hosts.push_back(std::move(info));
    return true;
}

void xlateOsType(std::string& osType) {
    static const char* const kFunction = "xlateOsType";
    DebugLog log;
    log.DebugLvl(kFunction, DebugLog::kNormal, "Input os type :[%s]", osType.c_str());

    // ASCII only: the host's locale must not change the outcome.
    for (char& c : osType) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    static const struct {
        const char* found;
        const char* type;
    } kTable[] = {
        {"windows", "windows"}, {"sunos", "solaris"}, {"linux", "linux"},
        {"hp-ux", "hpux"},      {"aix", "aix"},
    };
    std::string result;
    for (const auto& row : kTable) {
        if (osType.find(row.found) != std::string::npos) {
            result = row.type;
            break;
        }
    }
    osType = result;
    log.DebugLvl(kFunction, DebugLog::kNormal, "Output os type :[%s]", osType.c_str());
}
