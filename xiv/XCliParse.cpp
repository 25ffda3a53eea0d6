#include "xiv/XCliParse.h"

#include "xiv/Command.h"
#include "xiv/XCliSAX2Handler.h"

namespace {
const char* const UNKNOWN_REASON = "XCLI_COMMAND_FAILED_UNKNOWN_REASON";
}

void SkipExtraLines(std::string& text)
{
    const size_t start = text.find("<XCLIRETURN");
    if (start != std::string::npos) text.erase(0, start);
    const std::string close = "</XCLIRETURN>";
    const size_t end = text.find(close);
    if (end != std::string::npos) text.erase(end + close.size());
}

void ParseOutput(const std::string& expectedKind, const std::string& xmlText,
                 std::string& status, std::string& errorText,
                 std::list<ResourceNode*>& resourceList)
{
    XCliSAX2Handler handler(expectedKind);
    const int rc = handler.ParseXML(xmlText.c_str(), errorText);
    // An answer that broke off is no success, whatever its root said.
    status = rc == 0 ? handler.GetCmdStatus() : UNKNOWN_REASON;
    // Appended, not assigned: records already in the caller's list stay owned.
    resourceList.splice(resourceList.end(), handler.GetResourceList());
}

void DoTheWork(const std::string& commandLine, std::string& output, const std::string& password,
               const std::string& expectedKind, std::string& errorText,
               std::list<ResourceNode*>& resourceList, int& errorCode, std::string& status,
               std::string& result, const std::string& xcliDirectory, XivLogger logger)
{
    {
        Command command(commandLine, xcliDirectory, logger, password);
        command.ExecuteCommandXML(output);
    }
    logger.logMessage(ZRSO::LOG_DETAIL, "DoTheWork", "Command Ouput [%s]\n", output.c_str());
    if (!output.empty()) {
        SkipExtraLines(output);
        std::string parseText;
        ParseOutput(expectedKind, output, status, parseText, resourceList);
        errorText += parseText;
        result = status;
    } else {
        errorText += "empty output received from xcli";
    }
    if (status != "SUCCESS") errorCode = -1;
    errorText += output;
}
