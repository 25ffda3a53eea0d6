#include "refhost/ArrayProbe.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "host/rt/ProcessRunner.h"
#include "refhost/ArrayRegistry.h"
#include "refhost/ConfigKeys.h"
#include "refhost/FailureReason.h"
#include "refhost/HostHome.h"

namespace refhost {
namespace {

std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        std::size_t semi = text.find(';', i);
        std::string entity = semi == std::string::npos ? "" : text.substr(i + 1, semi - i - 1);
        char c = entity == "lt"     ? '<'
                 : entity == "gt"   ? '>'
                 : entity == "amp"  ? '&'
                 : entity == "quot" ? '"'
                 : entity == "apos" ? '\''
                                    : '\0';
        if (!c) {
            out += text[i];
            continue;
        }
        out += c;
        i = semi;
    }
    return out;
}

std::string attribute(const std::string& tag, const std::string& name) {
    std::size_t at = 0;
    while ((at = tag.find(name + "=\"", at)) != std::string::npos) {
        if (at == 0 || std::isspace(static_cast<unsigned char>(tag[at - 1]))) {
            std::size_t start = at + name.size() + 2, end = tag.find('"', start);
            if (end == std::string::npos) return std::string();
            return unescape(tag.substr(start, end - start));
        }
        at += name.size();
    }
    return std::string();
}

std::string tagName(const std::string& tag) {
    std::size_t end = 0;
    while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])) &&
           tag[end] != '/')
        ++end;
    return tag.substr(0, end);
}

bool allDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

}  // namespace

// Elements only: the root's STATUS, then below OUTPUT each child is a record
// and each of its children a field whose value is its "value" attribute.
XcliAnswer parseXcliAnswer(const std::string& xml) {
    XcliAnswer answer;
    answer.raw = xml;
    int depth = 0, outputDepth = -1;
    std::size_t at = 0;
    while ((at = xml.find('<', at)) != std::string::npos) {
        std::size_t close = xml.find('>', at);
        if (close == std::string::npos) break;
        std::string tag = xml.substr(at + 1, close - at - 1);
        at = close + 1;
        if (tag.empty() || tag[0] == '?' || tag[0] == '!') continue;
        if (tag[0] == '/') {
            if (--depth == outputDepth) outputDepth = -1;
            continue;
        }
        bool empty = tag.back() == '/';
        std::string name = tagName(tag);
        if (depth == 0 && name == "XCLIRETURN") answer.status = attribute(tag, "STATUS");
        if (outputDepth < 0 && name == "OUTPUT")
            outputDepth = depth;
        else if (outputDepth >= 0 && depth == outputDepth + 1)
            answer.records.emplace_back();
        else if (outputDepth >= 0 && depth == outputDepth + 2 && !answer.records.empty())
            answer.records.back()[name] = attribute(tag, "value");
        if (!empty) ++depth;
    }
    return answer;
}

std::string xcliDirFor(const HostHome& home, const std::string& dir) {
    if (!dir.empty()) return dir;
    return PlatformFile(home.settingsPath()).get("Trellis", "XCLI_BINARY_LOCATION");
}

ArrayLogin registeredLogin(const HostHome& home, const ArrayRegistry& registry,
                           const RegisteredArray& array) {
    ArrayLogin login;
    login.address = array.controlHost;
    login.user = array.user;
    if (!ArrayRegistry::clearPassword(array, &login.password))
        throw std::runtime_error(
            "the stored password of " + array.name +
            " does not decipher with this host's key; store it again: zrso-host array "
            "passwd " +
            array.name);
    login.xcliDir = xcliDirFor(home, registry.setting(array.id, kXcliDirSetting).value_or(""));
    return login;
}

ArrayProbe::~ArrayProbe() {
    for (auto& c : login_.password) c = '\0';
}

XcliAnswer ArrayProbe::run(const std::string& operation,
                           const std::vector<std::string>& args) const {
    std::string line = (login_.xcliDir.empty() ? "" : login_.xcliDir + "/") + "xcli -u \"" +
                       login_.user + "\" -m \"" + login_.address + "\" -y -x " + operation;
    for (const auto& a : args) line += " \"" + a + "\"";
    std::string env = "XIV_XCLIPASSWORD=" + login_.password;
    const char* extra[] = {env.c_str(), nullptr};
    std::string out, err;
    int rc = ProcessRunner().system(line.c_str(), &out, &err, extra, true);
    for (auto& c : env) c = '\0';
    XcliAnswer answer = parseXcliAnswer(out);
    answer.exitStatus = rc;
    answer.errorText = err;
    return answer;
}

std::string answerFailure(const XcliAnswer& answer) {
    if (answer.exitStatus == ProcessRunner::NOT_STARTED)
        return statusSentence("XCLI_NOT_INSTALLED") + ": " + answer.errorText;
    if (answer.exitStatus == ProcessRunner::STOPPED) return "interrupted";
    if (!answer.status.empty()) return explainFailure(answer.raw).text;
    std::string said = answer.errorText.empty() ? answer.raw : answer.errorText;
    while (!said.empty() && std::isspace(static_cast<unsigned char>(said.back()))) said.pop_back();
    return "xcli gave no answer (exit status " + std::to_string(answer.exitStatus) + ")" +
           (said.empty() ? "" : ": " + said.substr(0, said.find('\n')));
}

std::string ArrayProbe::serial() const {
    XcliAnswer a = run("config_get");
    if (a.status != "SUCCESS") throw std::runtime_error(answerFailure(a));
    for (const auto& r : a.records) {
        auto name = r.find("name"), value = r.find("value");
        if (name != r.end() && value != r.end() && name->second == "machine_serial_number")
            return value->second;
    }
    throw std::runtime_error("the array's answer to config_get names no machine_serial_number");
}

std::optional<int64_t> ArrayProbe::volumeBytes(const std::string& volume) const {
    XcliAnswer a = run("vol_list", {"vol=" + volume});
    if (a.status == "VOLUME_BAD_NAME") return std::nullopt;
    if (a.status != "SUCCESS") throw std::runtime_error(answerFailure(a));
    for (const auto& r : a.records) {
        auto name = r.find("name");
        if (name == r.end() || name->second != volume) continue;
        // capacity: 512-byte blocks; size_MiB and size (GB of 10^9 bytes) as fallbacks.
        auto field = [&](const char* key) {
            auto f = r.find(key);
            return f != r.end() && allDigits(f->second)
                       ? std::strtoll(f->second.c_str(), nullptr, 10)
                       : -1LL;
        };
        if (field("capacity") >= 0) return field("capacity") * 512;
        if (field("size_MiB") >= 0) return field("size_MiB") << 20;
        if (field("size") >= 0) return field("size") * 1000000000LL;
    }
    return std::nullopt;
}

}  // namespace refhost
