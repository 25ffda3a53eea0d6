// This machine's host objects on the array: finding them by initiator port,
// the ports the array sees logged in, creating and deleting host objects.
#include <climits>
#include <cstdio>

#include "xiv/TextHelpers.h"
#include "xiv/Xiv.h"

namespace {

// True when upperPort is one of the comma-separated entries of upperList.
// Whole entries only: an iSCSI name must not match a longer name that it
// begins, such as another machine's "...:host1" inside "...:host10".
bool ListHoldsPort(const std::string& upperList, const std::string& upperPort) {
    if (upperPort.empty()) return false;
    size_t start = 0;
    while (start <= upperList.size()) {
        size_t end = upperList.find(',', start);
        if (end == std::string::npos) end = upperList.size();
        size_t first = start;
        size_t last = end;
        while (first < last && (upperList[first] == ' ' || upperList[first] == '\t')) ++first;
        while (last > first && (upperList[last - 1] == ' ' || upperList[last - 1] == '\t')) --last;
        if (upperList.compare(first, last - first, upperPort) == 0) return true;
        start = end + 1;
    }
    return false;
}

void AppendDiagnostic(std::string& text, const std::string& fcName, const std::string& fcPorts,
                      const std::string& iscsiName, const std::string& iscsiPorts,
                      const std::string& hostName) {
    text += "FC: " + fcName + " vs " + fcPorts + "& iSCSI: " + iscsiName + " vs " + iscsiPorts +
            "name = " + hostName + "\n";
}

}  // namespace

void Xiv::GetMyHostName(const std::string& fcName, const std::string& iscsiName, XivError& error) {
    error.code = 0;
    ResourceList hosts;
    xcli_.GetHostList(hosts, error);
    // A failed listing says nothing about which hosts exist: keep its own
    // error rather than report "no host holds the port", which would make
    // callers define a new host object.
    if (error.code != 0) return;

    const std::string fcUpper = StringToUpper(fcName);
    const std::string iscsiUpper = StringToUpper(iscsiName);
    bool matched = false;
    for (const auto& node : hosts) {
        Host* host = dynamic_cast<Host*>(node.get());
        if (host == nullptr) continue;
        const std::string fcPorts = StringToUpper(host->fc_ports);
        const std::string iscsiPorts = StringToUpper(host->iscsi_ports);
        if (!matched &&
            (ListHoldsPort(fcPorts, fcUpper) || ListHoldsPort(iscsiPorts, iscsiUpper))) {
            matched = true;
            sMyHostName = host->name;
        }
        AppendDiagnostic(error.text, fcUpper, fcPorts, iscsiUpper, iscsiPorts, host->name);
    }
    if (!matched) {
        error.code = -1;
        error.text = "Host name not found" + error.text;
        SetResult("HOST_BAD_NAME");
    }
}

void Xiv::GetAllMyHostNames(const std::list<std::string>& ports, std::set<std::string>& hostNames,
                            XivError& error) {
    error.code = 0;
    ResourceList hosts;
    xcli_.GetHostList(hosts, error);
    if (error.code != 0) return;

    struct PortsOf {
        const Host* host;
        std::string fc;
        std::string iscsi;
    };
    std::vector<PortsOf> upper;
    for (const auto& node : hosts)
        if (const Host* host = dynamic_cast<const Host*>(node.get()))
            upper.push_back(
                {host, StringToUpper(host->fc_ports), StringToUpper(host->iscsi_ports)});

    bool matched = false;
    for (const std::string& port : ports) {
        const std::string portUpper = StringToUpper(port);
        for (const PortsOf& entry : upper) {
            if (ListHoldsPort(entry.fc, portUpper) || ListHoldsPort(entry.iscsi, portUpper)) {
                hostNames.insert(entry.host->name);
                matched = true;
            }
            AppendDiagnostic(error.text, portUpper, entry.fc, portUpper, entry.iscsi,
                             entry.host->name);
        }
    }
    if (!matched) {
        error.code = -1;
        error.text = "Host name not found" + error.text;
        SetResult("HOST_BAD_NAME");
    }
}

void Xiv::GetLoggedInHBAs(std::list<std::string>& ports, std::list<std::string>& loggedIn,
                          XivError& error) {
    error.code = 0;
    ResourceList connections;
    xcli_.GetConnectedHosts(connections, error);
    if (error.code != 0) return;  // a failed listing counts as an empty one

    for (const auto& node : connections) {
        HostConn* connection = dynamic_cast<HostConn*>(node.get());
        if (connection == nullptr) continue;
        const std::string entryPort = StringToUpper(connection->host_port);
        error.text += "entry_up_port = " + entryPort + " ";
        for (auto port = ports.begin(); port != ports.end(); ++port) {
            const std::string myPort = StringToUpper(*port);
            error.text += "my_up_port = " + myPort + " ";
            if (myPort == entryPort) {
                loggedIn.push_back(*port);
                ports.erase(port);
                break;
            }
        }
    }
}

void Xiv::GetAllHosts(std::vector<Host>& hosts, XivError& error) {
    error.code = 0;
    ResourceList listed;
    xcli_.GetHostList(listed, error);
    TakeListing(listed, hosts, error, "hosts lists not found.", "HOST_BAD_COMMAND");
}

void Xiv::CreateHost(const std::list<std::string>& ports, bool /*iscsi*/, std::string& hostName,
                     XivError& error) {
    error.code = 0;
    std::string name;
    int counter = 9876;
    bool taken = false;
    do {
        char number[16];
        std::snprintf(number, sizeof number, "_%d", counter);
        name = hostName + number;
        error.code = 0;
        error.text.clear();
        // The loop reads the result: a name refused before any run must not
        // look like an earlier HOST_NAME_EXISTS.
        SetResult("");
        xcli_.DefineHost(name, error);
        taken = GetResult() == "HOST_NAME_EXISTS";
        // Names end at _0: an array that calls every name taken must not keep a
        // mount running through negative numbers for hours.
    } while (taken && counter-- > 0);
    if (error.code != 0) return;

    hostName = name;
    for (const std::string& port : ports) {
        const bool isIscsi = StringToUpper(port).find("IQN") != std::string::npos;
        xcli_.AddPort(name, port, isIscsi, error);
    }
}
