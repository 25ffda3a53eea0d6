#include "xiv/Command.h"

#include <algorithm>
#include <cstdio>

namespace {

const char* const NOT_INSTALLED_HEAD =
    "<XCLIRETURN STATUS=\"XCLI_NOT_INSTALLED\" COMMAND_LINE=\"\">\n\t\t\t\t\t<OUTPUT>\n"
    "\t\t\t\t\t\t<DESCRIPTION>";
const char* const MISSING_PASSWORD_HEAD =
    "<XCLIRETURN STATUS=\"MISSING_PASSWORD\" COMMAND_LINE=\"\">\n\t\t\t\t\t<OUTPUT>\n"
    "\t\t\t\t\t\t<DESCRIPTION>";
const char* const MISSING_USERNAME_HEAD =
    "<XCLIRETURN STATUS=\"MISSING_USERNAME\" COMMAND_LINE=\"\">\n\t\t\t\t\t<OUTPUT>\n"
    "\t\t\t\t\t\t<DESCRIPTION>";
const char* const TAB_TAIL = "</DESCRIPTION>\n\t\t\t\t\t</OUTPUT>\n\t\t\t\t   </XCLIRETURN>";
const char* const UNKNOWN_HEAD =
    "<XCLIRETURN STATUS=\"XCLI_COMMAND_FAILED_UNKNOWN_REASON\" COMMAND_LINE=\"\">\n"
    "                    <OUTPUT>\n                        <DESCRIPTION>";
const char* const UNKNOWN_TAIL =
    "</DESCRIPTION>\n                    </OUTPUT>\n                   </XCLIRETURN>";

const char* const PASSWORD_ENV = "XIV_XCLIPASSWORD=";

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at text[i] that XML accepts as a
// character, or 0.
size_t xmlCharLength(const std::string& text, size_t i) {
    const size_t left = text.size() - i;
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) return (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') ? 1 : 0;
    auto at = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
    if (c >= 0xC2 && c <= 0xDF) return left >= 2 && isContinuation(at(1)) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !isContinuation(at(1)) || !isContinuation(at(2))) return 0;
        if (c == 0xE0 && at(1) < 0xA0) return 0;                    // overlong
        if (c == 0xED && at(1) >= 0xA0) return 0;                   // surrogates
        if (c == 0xEF && at(1) == 0xBF && at(2) >= 0xBE) return 0;  // U+FFFE, U+FFFF
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4 || !isContinuation(at(1)) || !isContinuation(at(2)) || !isContinuation(at(3)))
            return 0;
        if (c == 0xF0 && at(1) < 0x90) return 0;
        if (c == 0xF4 && at(1) >= 0x90) return 0;
        return 4;
    }
    return 0;
}

// Element content that always parses: markup characters escaped, bytes that
// XML cannot carry replaced by '?'.
std::string escapeXml(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 16);
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        switch (c) {
        case '&':
            out += "&amp;";
            ++i;
            continue;
        case '<':
            out += "&lt;";
            ++i;
            continue;
        case '>':
            out += "&gt;";
            ++i;
            continue;
        default: break;
        }
        const size_t n = xmlCharLength(text, i);
        if (n == 0) {
            out += '?';
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

bool hasBlank(const std::string& s) { return s.find_first_of(" \t") != std::string::npos; }

}  // namespace

Command::Command(const std::string& commandLine, const std::string& xcliDirectory, XivLogger logger)
    : xcliDirectory_(xcliDirectory), logger_(logger), hasPassword_(false) {
    size_t at = commandLine.find(" -p ");
    size_t end = std::string::npos;
    if (at != std::string::npos) {
        end = commandLine.find(" -m ", at + 4);
        if (end == std::string::npos) end = commandLine.size();
    }
    init(commandLine, at, end);
}

Command::Command(const std::string& commandLine, const std::string& xcliDirectory, XivLogger logger,
                 const std::string& password)
    : xcliDirectory_(xcliDirectory), logger_(logger), hasPassword_(false) {
    // Knowing the password, mask exactly it: a password that itself holds
    // " -m " must not leave a piece of itself in the log.
    size_t at = commandLine.find(" -p " + password + " -m ");
    size_t end = std::string::npos;
    if (at == std::string::npos) {
        const std::string tail = " -p " + password;
        if (commandLine.size() >= tail.size() &&
            commandLine.compare(commandLine.size() - tail.size(), tail.size(), tail) == 0)
            at = commandLine.size() - tail.size();
    }
    if (at != std::string::npos) {
        end = at + 4 + password.size();
    } else {
        at = commandLine.find(" -p ");
        if (at != std::string::npos) {
            end = commandLine.find(" -m ", at + 4);
            if (end == std::string::npos) end = commandLine.size();
        }
    }
    init(commandLine, at, end);
}

void Command::init(const std::string& line, size_t at, size_t end) {
    std::string runLine;
    if (at == std::string::npos) {
        loggedCommandLine_ = line;
        runLine = line;
    } else {
        loggedCommandLine_ = line.substr(0, at + 4) + "XXXX" + line.substr(end);
        password_ = line.substr(at + 4, end - at - 4);
        hasPassword_ = true;
        runLine = line.substr(0, at) + line.substr(end);
    }
    if (xcliDirectory_.empty()) {
        commandLine_ = line;
        runLine_ = runLine;
        return;
    }
    commandLine_ = xcliDirectory_ + "/" + line;
    // The runner splits at blanks; a directory holding one is kept whole by
    // quoting the program word (the runner drops the quotes).
    const size_t programEnd = std::min(runLine.find(' '), runLine.size());
    const std::string program = xcliDirectory_ + "/" + runLine.substr(0, programEnd);
    if (hasBlank(program) && program.find('"') == std::string::npos)
        runLine_ = "\"" + program + "\"" + runLine.substr(programEnd);
    else
        runLine_ = program + runLine.substr(programEnd);
}

Command::~Command() { std::fill(password_.begin(), password_.end(), '\0'); }

int Command::run(std::string& output, std::string& error) {
    output.clear();
    error.clear();
    std::string env;
    const char* extraEnv[] = {nullptr, nullptr};
    if (hasPassword_) {
        env = PASSWORD_ENV + password_;
        extraEnv[0] = env.c_str();
    }
    const int rc =
        runner_.system(runLine_.c_str(), &output, &error, hasPassword_ ? extraEnv : nullptr, true);
    std::fill(env.begin(), env.end(), '\0');
    return rc;
}

std::string Command::Envelope(const std::string& status, const std::string& description) {
    const char* head = UNKNOWN_HEAD;
    const char* tail = UNKNOWN_TAIL;
    if (status == "XCLI_NOT_INSTALLED") {
        head = NOT_INSTALLED_HEAD;
        tail = TAB_TAIL;
    } else if (status == "MISSING_PASSWORD") {
        head = MISSING_PASSWORD_HEAD;
        tail = TAB_TAIL;
    } else if (status == "MISSING_USERNAME") {
        head = MISSING_USERNAME_HEAD;
        tail = TAB_TAIL;
    }
    return head + escapeXml(description) + tail;
}

void Command::ExecuteCommandXML(std::string& output) {
    static const char* const kFunction = "Command::ExecuteCommandXML";
    logger_.logMessage(ZRSO::LOG_DETAIL, kFunction, "About to execute the command [%s]\n",
                       loggedCommandLine_.c_str());
    std::string error;
    const int rc = run(output, error);
    if (rc == ProcessRunner::NOT_STARTED) {
        logger_.logMessage(ZRSO::LOG_ERROR, kFunction, "Failed to start XCLI. szError [%s]\n",
                           error.c_str());
        output = Envelope("XCLI_NOT_INSTALLED", error);
    } else if (output.find("Missing password.") != std::string::npos) {
        output = Envelope("MISSING_PASSWORD", output);
    } else if (output.find("Missing user.") != std::string::npos) {
        output = Envelope("MISSING_USERNAME", error);
    } else if (output.find("XCLIRETURN") != std::string::npos) {
        // A real answer: its own status decides, whatever the exit status.
    } else {
        char rcText[32];
        std::snprintf(rcText, sizeof rcText, "  rc = %d", rc);
        output = Envelope("XCLI_COMMAND_FAILED_UNKNOWN_REASON",
                          "output = " + output + "err = " + error + rcText);
    }
}

int Command::ExecuteCommand(std::string& output) {
    static const char* const kFunction = "Command::ExecuteCommand";
    logger_.logMessage(ZRSO::LOG_DETAIL, kFunction, "About to execute the command [%s]\n",
                       loggedCommandLine_.c_str());
    std::string error;
    const int rc = run(output, error);
    if (rc == ProcessRunner::NOT_STARTED) {
        logger_.logMessage(ZRSO::LOG_ERROR, kFunction,
                           "Failed to run the command[%s]. szError [%s]\n",
                           loggedCommandLine_.c_str(), error.c_str());
        return ProcessRunner::NOT_STARTED;
    }
    return 0;
}
