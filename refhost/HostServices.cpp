#include "refhost/HostServices.h"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "refhost/ArrayRegistry.h"
#include "refhost/AttributeText.h"
#include "refhost/BufferReply.h"
#include "refhost/HostDatabase.h"
#include "refhost/HostLog.h"
#include "refhost/HostTopology.h"
#include "refhost/SysfsDevices.h"

namespace refhost {
namespace {

const char* const kFn = "HostServices";

std::vector<std::string> textArray(const char** items) {
    std::vector<std::string> out;
    if (!items) return out;
    // A runaway array without its null end is cut off rather than overrun.
    for (int i = 0; items[i] && i < 4096; ++i) out.push_back(items[i]);
    return out;
}

std::string joined(const std::vector<std::string>& items, char separator) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += separator;
        out += items[i];
    }
    return out;
}

std::string str(const char* s) { return s ? s : ""; }

}  // namespace

HostServices::HostServices(HostDatabase& db, int64_t jobId, std::unique_ptr<DeviceBackend> local,
                           std::optional<SimAdmin> esxAdmin, std::string esxCatalogRoot)
    : db_(db),
      jobId_(jobId),
      local_(std::move(local)),
      esxAdmin_(std::move(esxAdmin)),
      esxCatalogRoot_(std::move(esxCatalogRoot)) {}

void HostServices::note(const std::string& text) {
    hostLog(0, kFn, jobId_, text);
    if (events_) events_(text);
}

void HostServices::rescanEsx(const std::string& esxName) {
    HostTopology topology(db_);
    if (!esxAdmin_)
        throw std::runtime_error("ESX server " + esxName +
                                 " can only be rescanned in the simulated world");
    ::mkdir(esxCatalogRoot_.c_str(), 0755);
    std::string dir = esxCatalogRoot_ + "/" + esxName;
    ::mkdir(dir.c_str(), 0755);
    std::vector<std::string> ports;
    for (const auto& p : topology.initiators(esxName)) ports.push_back(p.name);
    std::vector<EsxDisk> disks;
    if (!ports.empty()) {
        for (const auto& d : esxAdmin_->exportDisks(ports, dir, "esxd")) {
            EsxDisk e;
            e.esxName = esxName;
            e.device = d.device;
            e.naa = d.wwn;
            e.lun = d.lun;
            e.lunUuid = vmwareLunUuid(d.wwn, d.lun);
            e.arraySerial = d.arraySerial;
            e.targetWwpn = d.targetWwpn;
            e.volume = d.volume;
            e.sizeBytes = d.sizeBytes;
            disks.push_back(e);
        }
    }
    topology.replaceEsxDisks(esxName, disks);
}

std::vector<std::string> HostServices::listDevices() { return local_->listDevices(""); }

void HostServices::rescanDevices(const char* host, const char** initiators, const char** devices) {
    ++rescans_;
    std::vector<std::string> remove = textArray(devices);
    try {
        HostTopology topology(db_);
        std::string esx = topology.esxOf(str(host));
        if (!esx.empty()) {
            rescanEsx(esx);
            note("rescan " + std::to_string(rescans_) + " of ESX server " + esx + ": " +
                 std::to_string(topology.esxDisks(esx).size()) + " disks");
            return;
        }
        std::vector<Initiator> ports = topology.initiators(HostTopology::kLocal);
        if (ports.empty())
            if (auto* sysfs = dynamic_cast<SysfsDevices*>(local_.get()))
                ports = sysfs->discoverInitiators();
        local_->rescan(remove, ports);
        note("rescan " + std::to_string(rescans_) +
             " of this host: " + std::to_string(local_->listDevices("").size()) + " disks" +
             (remove.empty() ? "" : ", " + std::to_string(remove.size()) + " removed"));
    } catch (const std::exception& e) {
        // The plug-in expects no answer from a rescan; the failure shows up as
        // a missing disk later, and here in the log.
        hostLog(-1, kFn, jobId_, std::string("rescanDevices: ") + e.what());
        if (events_) events_(std::string("rescan failed: ") + e.what());
    }
}

int HostServices::listHostDevices(const char* host, const char* vendor, char separator, int size,
                                  char* buffer) {
    try {
        HostTopology topology(db_);
        std::string esx = topology.esxOf(str(host));
        std::vector<std::string> devices;
        if (!esx.empty()) {
            for (const auto& d : topology.esxDisks(esx))
                if (vendorMatches("IBM", str(vendor))) devices.push_back(d.attributeString());
        } else {
            devices = local_->listDevices(str(vendor));
        }
        return replyService(joined(devices, separator), buffer, size, INT_MAX / 2);
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("listHostDevices: ") + e.what());
        return -1;
    }
}

short HostServices::getArrayList(const char* type, char separator, short size, char* buffer) {
    try {
        std::vector<std::string> hosts;
        for (const auto& a : ArrayRegistry(db_).list(str(type))) hosts.push_back(a.controlHost);
        return static_cast<short>(replyService(joined(hosts, separator), buffer, size));
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("getArrayList: ") + e.what());
        return kDatabaseError;
    }
}

short HostServices::fetchArrayInfo(const char* controlHost, char* buffer, short* size) {
    try {
        if (!size) return kUnknownArray;
        auto array = ArrayRegistry(db_).byControlHost(str(controlHost));
        if (!array) {
            hostLog(-1, kFn, jobId_,
                    "fetchArrayInfo: no registered array at [" + str(controlHost) + "]");
            return kUnknownArray;
        }
        std::string password;
        if (!ArrayRegistry::clearPassword(*array, &password)) {
            hostLog(-1, kFn, jobId_,
                    "fetchArrayInfo: the stored password of array " + array->name +
                        " does not decipher with this host's key");
            return kCannotDecipher;
        }
        std::string info = formatAttributes({{"hostid", std::to_string(array->id)},
                                             {"hostName", array->controlHost},
                                             {"hostUserName", array->user},
                                             {"hostPassword", password},
                                             {"arrayId", array->serial},
                                             {"arrayName", array->name},
                                             {"arrayType", array->type}});
        int rc = replyService(info, buffer, *size);
        if (rc > 0) *size = static_cast<short>(rc);
        for (auto& c : password) c = '\0';
        for (auto& c : info) c = '\0';
        return static_cast<short>(rc);
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("fetchArrayInfo: ") + e.what());
        return kDatabaseError;
    }
}

bool HostServices::detectHBAlist(const char* clientHost, const char* controlHost, char* names,
                                 short* nameLength, char* types, short* typeLength, short* count) {
    try {
        if (!nameLength || !typeLength || !count) return false;
        HostTopology topology(db_);
        std::string esx = topology.esxOf(str(clientHost));
        std::vector<Initiator> ports =
            topology.initiators(esx.empty() ? HostTopology::kLocal : esx);
        if (ports.empty() && esx.empty())
            if (auto* sysfs = dynamic_cast<SysfsDevices*>(local_.get()))
                ports = sysfs->discoverInitiators();
        std::vector<std::string> shown;
        for (const auto& p : ports) shown.push_back(p.display());
        std::string text = joined(shown, ',');
        size_t nameNeed = ports.empty() ? 0 : text.size() + 1;
        size_t typeNeed = ports.size();
        if (nameNeed > 32767 || typeNeed > 32767) return false;
        bool query = !names && !types;
        bool fits = names && types && *nameLength >= static_cast<short>(nameNeed) &&
                    *typeLength >= static_cast<short>(typeNeed);
        *count = static_cast<short>(ports.size());
        if (query || !fits || ports.empty()) {
            *nameLength = static_cast<short>(nameNeed);
            *typeLength = static_cast<short>(typeNeed);
            return query && !ports.empty();
        }
        std::memcpy(names, text.c_str(), nameNeed);
        for (size_t i = 0; i < ports.size(); ++i) types[i] = ports[i].iscsi() ? 1 : 0;
        *nameLength = static_cast<short>(nameNeed);
        *typeLength = static_cast<short>(typeNeed);
        return true;
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("detectHBAlist: ") + e.what());
        return false;
    }
}

bool HostServices::detectHostHBA(const char* hostIdentifier, const char* controlHost, char* buffer,
                                 short* size, bool* iscsi) {
    try {
        if (!size) return false;
        HostTopology topology(db_);
        std::string esx = topology.esxOf(str(hostIdentifier));
        std::vector<Initiator> ports =
            esx.empty() ? std::vector<Initiator>() : topology.initiators(esx);
        if (ports.empty()) {
            hostLog(-1, kFn, jobId_,
                    "detectHostHBA: no ESX server with ports for [" +
                        esxNameOf(str(hostIdentifier)) + "]");
            *size = 0;
            return false;
        }
        std::string text = ports.front().display();
        if (!buffer || *size < 0 || static_cast<size_t>(*size) < text.size() + 1) {
            *size = static_cast<short>(text.size() + 1);
            return false;
        }
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        if (iscsi) *iscsi = ports.front().iscsi();
        return true;
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("detectHostHBA: ") + e.what());
        if (size) *size = 0;
        return false;
    }
}

int64_t HostServices::getJobId() { return jobId_; }

int HostServices::GetPageInforForVMwareDevice(const char* hostPath, const char* lunUuid,
                                              const char* nameSpace, int, int, int, int,
                                              int bufferSize, char* buffer) {
    try {
        HostTopology topology(db_);
        std::string esx = topology.esxOf(str(hostPath));
        auto disk = topology.esxDiskByUuid(str(lunUuid), esx);
        if (!disk) {
            hostLog(-1, kFn, jobId_,
                    "GetPageInforForVMwareDevice: no datastore disk with LUN UUID [" +
                        str(lunUuid) + "]");
            return kNoSuchLun;
        }
        std::string text;
        std::string ns = str(nameSpace);
        if (ns == "NAA") {
            char head[16];
            std::snprintf(head, sizeof head, "010300%02X",
                          static_cast<unsigned>(disk->naa.size() / 2));
            text = head + disk->naa;
        } else if (ns != "UNKNOWN") {
            return kBadNamespace;
        }
        if (!buffer || bufferSize < 0 || text.size() + 1 > static_cast<size_t>(bufferSize))
            return kBufferTooSmall;
        std::memcpy(buffer, text.c_str(), text.size() + 1);
        return 0;
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("GetPageInforForVMwareDevice: ") + e.what());
        return kNoSuchLun;
    }
}

unsigned short HostServices::getArrayConfig(int controlHostId, void*, const char* setting,
                                            char* buffer, short* size) {
    try {
        auto value = ArrayRegistry(db_).setting(controlHostId, str(setting));
        if (!value) return 65535;
        int rc = replyRecord(*value, buffer, size);
        return rc == kReplyOk || rc == kReplyTooSmall ? static_cast<unsigned short>(rc) : 65535;
    } catch (const std::exception& e) {
        hostLog(-1, kFn, jobId_, std::string("getArrayConfig: ") + e.what());
        return 65535;
    }
}

}  // namespace refhost
