// One run of xcli (or of another host tool) as a child process, without a
// shell. The password is masked in what is logged and, when run, travels to
// the child in XIV_XCLIPASSWORD instead of on its argument list, where every
// local user could read it.
#pragma once

#include <string>

#include "host/rt/ProcessRunner.h"
#include "xiv/XivLogger.h"

class Command {
public:
    Command(const std::string& commandLine, const std::string& xcliDirectory, XivLogger logger);
    // Same, with the password known: masking and removal then take exactly
    // that text, whatever it holds.
    Command(const std::string& commandLine, const std::string& xcliDirectory, XivLogger logger,
            const std::string& password);
    ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    // output ends as an XCLIRETURN document: the client's, or a synthetic one
    // carrying the reason it did not answer in XML.
    void ExecuteCommandXML(std::string& output);
    // output is the standard output as it came; 127 when the program did not
    // start, else 0.
    int ExecuteCommand(std::string& output);

    // The full line (directory, password and all) and its logged form.
    const std::string& GetCommandLine() const { return commandLine_; }
    const std::string& GetLoggedCommandLine() const { return loggedCommandLine_; }

    // The synthetic answer for a status and a description; the description is
    // escaped so that the answer always parses and keeps its status.
    static std::string Envelope(const std::string& status, const std::string& description);

private:
    int run(std::string& output, std::string& error);
    void init(const std::string& commandLine, size_t passwordAt, size_t passwordEnd);

    std::string xcliDirectory_;
    std::string commandLine_;
    std::string loggedCommandLine_;
    ProcessRunner runner_;
    XivLogger logger_;
    // What is actually run: the line without " -p <password>".
    std::string runLine_;
    std::string password_;
    bool hasPassword_;
};
