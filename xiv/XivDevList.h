// Reads IBM's xiv_devlist host tool: which XIV array and volume stand behind
// each host disk.
#pragma once

#include <string>
#include <vector>

#include "xiv/XivError.h"
#include "xiv/XivLogger.h"

struct XivDeviceInfo {
    std::string sDeviceName;
    std::string sArrayId;     // decimal serial
    std::string sArrayIdHex;  // first two characters + "%05x" of characters 2 to 6
    std::string sVolId;
    std::string sVolName;
};

class XivDevList {
public:
    XivDevList(const std::string& toolDirectory, XivLogger logger);
    ~XivDevList();

    // 0 when the tool ran; output holds what it printed.
    int RunCommand(std::string& output);
    void ParseOutput(std::string& output, std::vector<XivDeviceInfo>& devices);
    // error.code 0, or -1 tool did not run, -2 no XIV device, -3 no such device;
    // error.text is replaced.
    void GetVolumeAndArrayId(const std::string& device, std::string& volId, std::string& volName,
                             std::string& arrayId, XivError& error);

private:
    std::string outputOption_;
    std::string filterOption_;
    std::string toolDirectory_;
    XivLogger logger_;
};
