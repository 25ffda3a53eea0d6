#include "xiv/XCliParse.h"

#include <iterator>

#include "xiv/Command.h"
#include "xiv/XCliSAX2Handler.h"

namespace {
const char* const UNKNOWN_REASON = "XCLI_COMMAND_FAILED_UNKNOWN_REASON";
}

void SkipExtraLines(std::string& text) {
    const size_t start = text.find("<XCLIRETURN");
    if (start != std::string::npos) text.erase(0, start);
    const std::string close = "</XCLIRETURN>";
    const size_t end = text.find(close);
    if (end != std::string::npos) text.erase(end + close.size());
}

void ParseOutput(const std::string& expectedKind, const std::string& xmlText, std::string& status,
                 std::string& errorText, ResourceList& resources) {
    XCliSAX2Handler handler(expectedKind);
    const int rc = handler.ParseXML(xmlText.c_str(), errorText);
    // An answer that broke off is no success, whatever its root said.
    status = rc == 0 ? handler.GetCmdStatus() : UNKNOWN_REASON;
    // Appended, not assigned: records already in the caller's list stay.
    ResourceList parsed = handler.TakeResources();
    resources.insert(resources.end(), std::make_move_iterator(parsed.begin()),
                     std::make_move_iterator(parsed.end()));
}

void DoTheWork(const std::string& commandLine, std::string& output, const std::string& password,
               const std::string& expectedKind, ResourceList& resources, XivError& error,
               std::string& status, std::string& result, const std::string& xcliDirectory,
               XivLogger logger) {
    {
        Command command(commandLine, xcliDirectory, logger, password);
        command.ExecuteCommandXML(output);
    }
    logger.logMessage(ZRSO::LOG_DETAIL, "DoTheWork", "Command Ouput [%s]\n", output.c_str());
    if (!output.empty()) {
        SkipExtraLines(output);
        std::string parseText;
        ParseOutput(expectedKind, output, status, parseText, resources);
        error.text += parseText;
        result = status;
    } else {
        error.text += "empty output received from xcli";
    }
    if (status != "SUCCESS") error.code = -1;
    error.text += output;
}
