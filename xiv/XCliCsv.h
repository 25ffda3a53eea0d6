// The one listing read as comma-separated text: every volume's name and WWN.
#pragma once

#include <string>
#include <vector>

#include "xiv/XivError.h"
#include "xiv/XivLogger.h"

struct XivVolumeInfo {
    std::string sVolName;
    std::string sWWN;
};

class XCliCsv {
public:
    XCliCsv(const std::string& user, const std::string& password, const std::string& address,
            const std::string& xcliDirectory, XivLogger logger);

    std::string GetResult() const { return result_; }
    void SetResult(const std::string& result) { result_ = result; }

    // error.code: 0, -1 (error report or refused login value) or 127 (xcli
    // did not start).
    void GetVolNameWWNList(std::vector<XivVolumeInfo>& volumes, XivError& error);
    // 127 when xcli did not start, -1 when a login value was refused, else 0.
    int RunCommand(const std::string& operationText, std::string& output);
    void ParseVolListOutput(std::string& output, std::vector<XivVolumeInfo>& volumes,
                            XivError& error);

private:
    std::string user_;
    std::string password_;
    std::string outputFlag_;
    std::string confirmFlag_;
    std::string address_;
    std::string result_;
    std::string xcliDirectory_;
    XivLogger logger_;
};
