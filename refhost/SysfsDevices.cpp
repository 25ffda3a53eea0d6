#include "refhost/SysfsDevices.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "refhost/DiskCatalog.h"
#include "refhost/DiskInquiry.h"

namespace refhost {
namespace {

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> out;
    DIR* d = opendir(dir.c_str());
    if (!d) return out;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") out.push_back(n);
    }
    closedir(d);
    return out;
}

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// sysfs attributes take one write; a short or failed write is an error.
bool writeAttribute(const std::string& path, const char* text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    size_t len = std::strlen(text);
    ssize_t n = ::write(fd, text, len);
    ::close(fd);
    return n == static_cast<ssize_t>(len);
}

}  // namespace

bool vendorMatches(const std::string& field, const std::string& vendor) {
    if (vendor.empty()) return true;
    size_t end = field.find_last_not_of(" \t\r\n");
    std::string trimmed = end == std::string::npos ? std::string() : field.substr(0, end + 1);
    size_t begin = trimmed.find_first_not_of(" \t");
    if (begin != std::string::npos) trimmed = trimmed.substr(begin);
    return trimmed == vendor;
}

std::vector<std::string> SysfsDevices::listDevices(const std::string& vendor) {
    std::vector<std::string> out;
    for (const auto& dev : entries(root_ + "/block")) {
        if (!isPlainDeviceName(dev)) continue;
        std::string vendorFile = root_ + "/block/" + dev + "/device/vendor";
        if (::access(vendorFile.c_str(), R_OK) != 0) continue;  // not a SCSI disk
        if (vendorMatches(firstLine(vendorFile), vendor)) out.push_back("/dev/" + dev);
    }
    std::sort(out.begin(), out.end());
    return out;
}

void SysfsDevices::rescan(const std::vector<std::string>& remove, const std::vector<Initiator>&) {
    std::string failures;
    auto deleteDevice = [&](const std::string& base) {
        std::string deleteFile = root_ + "/block/" + base + "/device/delete";
        if (::access(deleteFile.c_str(), F_OK) != 0) return;  // already gone
        if (!writeAttribute(deleteFile, "1"))
            failures += " cannot delete " + base + ": " + std::strerror(errno) + ";";
    };
    for (const auto& device : remove) {
        std::string base = deviceBaseName(device);
        if (base.empty())
            failures += " refused device name '" + device + "';";
        else
            deleteDevice(base);
    }
    // The kernel keeps a disk whose logical unit went away (unmapped on the
    // array) until someone deletes it; a scan only adds.
    for (const auto& device : listDevices(""))
        if (diskGone(device)) deleteDevice(deviceBaseName(device));
    for (const auto& host : entries(root_ + "/class/scsi_host")) {
        std::string scan = root_ + "/class/scsi_host/" + host + "/scan";
        if (!writeAttribute(scan, "- - -"))
            failures += " cannot scan " + host + ": " + std::strerror(errno) + ";";
    }
    if (!failures.empty()) throw std::runtime_error("rescan:" + failures);
}

std::vector<std::string> SysfsDevices::scsiHosts() {
    std::vector<std::string> out;
    for (const auto& host : entries(root_ + "/class/scsi_host")) {
        std::string driver = firstLine(root_ + "/class/scsi_host/" + host + "/proc_name");
        out.push_back(driver.empty() ? host : host + " (" + driver + ")");
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<Initiator> SysfsDevices::discoverInitiators(const std::string& iscsiNameFile) {
    std::vector<Initiator> out;
    for (const auto& host : entries(root_ + "/class/fc_host")) {
        std::string wwpn = firstLine(root_ + "/class/fc_host/" + host + "/port_name");
        if (wwpn.compare(0, 2, "0x") == 0) wwpn = wwpn.substr(2);
        try {
            out.push_back(parseInitiator("fc", wwpn));
        } catch (const std::exception&) {
        }
    }
    std::ifstream in(iscsiNameFile);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, 14, "InitiatorName=") != 0) continue;
        try {
            out.push_back(parseInitiator("iscsi", line.substr(14)));
        } catch (const std::exception&) {
        }
    }
    return out;
}

}  // namespace refhost
