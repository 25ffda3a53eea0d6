#include "sim/Xcli.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "sim/Admin.h"
#include "sim/Answer.h"
#include "sim/ArrayStore.h"
#include "sim/Faults.h"
#include "sim/Holds.h"
#include "sim/Operation.h"
#include "sim/RunLog.h"
#include "sim/Text.h"

namespace sim {

namespace {

constexpr int kExitFailedStatus = 3;

void writeOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void sleepSeconds(double seconds) {
    timespec ts{
        static_cast<time_t>(seconds),
        static_cast<long>((seconds - static_cast<double>(static_cast<time_t>(seconds))) * 1e9)};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

void authenticate(Db& db, const CliRequest& req) {
    auto st = db.prepare("SELECT password FROM user WHERE name = ?");
    st.bind(1, req.user);
    if (!st.step()) throw XcliError{"USER_NAME_DOES_NOT_EXIST", "User name does not exist"};
    if (st.text(0) != req.password) throw XcliError{"INCORRECT_PASSWORD", "Password is incorrect"};
}

// Runs the operation in one transaction; returns the answer text.
std::string execute(Db& db, const CliRequest& req, Answer& answer, int& rc) {
    const OpDef* op = findOperation(req.operation);
    bool lunFaultTaken = false;
    try {
        Tx tx(db, op && op->write);
        authenticate(db, req);
        if (!op) throw XcliError{"UNRECOGNIZED_COMMAND", "Unknown command '" + req.operation + "'"};
        if (op->confirm && !req.confirmed)
            throw XcliError{"COMMAND_REQUIRES_CONFIRMATION",
                            "Command '" + req.operation + "' must be confirmed (-y)"};
        ArrayInfo array = readArrayInfo(db);
        answer.setIdAttributes(array.shapes.idAttributes);
        OpContext ctx{db, array, req, answer, [&]() {
                          lunFaultTaken = takeLunFault(db);
                          return lunFaultTaken;
                      }};
        op->run(ctx);
        tx.commit();
        rc = 0;
        return answer.success();
    } catch (const XcliError& e) {
        if (lunFaultTaken) {
            // The refusal rolled back; the fault is used up all the same.
            Tx tx(db, true);
            takeLunFault(db);
            tx.commit();
        }
        rc = kExitFailedStatus;
        return answer.failure(e);
    }
}

}  // namespace

int runXcli(const std::vector<std::string>& argv) {
    if (argv.size() > 1 && argv[1] == "--sim")
        return runAdmin(std::vector<std::string>(argv.begin() + 2, argv.end()));
    CliRequest req = parseCliRequest(argv, std::getenv("XIV_XCLIPASSWORD"));
    try {
        recordRun(argv, req);
    } catch (const SimError& e) {
        std::fprintf(stderr, "xcli: cannot record the run: %s\n", e.what());
    }
    if (!req.usageError.empty()) {
        std::fprintf(stderr,
                     "%s\nUsage: xcli -u USER [-p PASSWORD] -m ADDRESS -y (-x | -s) "
                     "COMMAND [key=value ...] [-t field,...]\n",
                     req.usageError.c_str());
        return 2;
    }
    if (!req.hasUser) {
        writeOut("Missing user.\n");
        std::fprintf(stderr, "Missing user. Give one with -u.\n");
        return 1;
    }
    if (!req.hasPassword) {
        writeOut("Missing password.\n");
        std::fprintf(stderr, "Missing password. Give one with -p or XIV_XCLIPASSWORD.\n");
        return 1;
    }
    Answer answer(req.format(), req.commandLine());
    try {
        std::unique_ptr<Db> db = req.hasAddress ? openArray(req.address) : nullptr;
        if (!db) {
            writeOut(answer.failure({"NO_CONNECTION", "Cannot connect to the management address '" +
                                                          req.address + "'"}));
            return kExitFailedStatus;
        }
        Fault fault;
        bool faulted = takeFault(*db, req.operation, fault);
        if (faulted) {
            if (fault.kind == "hang") sleepSeconds(fault.seconds);
            if (fault.kind == "exit") return fault.code;
            if (fault.kind == "garbage") {
                writeOut(garbageOutput());
                return 0;
            }
            if (fault.kind == "fail") {
                writeOut(answer.failure({fault.status, "Simulated failure"}));
                return kExitFailedStatus;
            }
        }
        int rc = 0;
        std::string out = execute(*db, req, answer, rc);
        holdIfArmed(*db, req.operation, joinText(req.arguments, " "));
        writeOut(faulted ? shapeOutput(fault, out) : out);
        return rc;
    } catch (const SimError& e) {
        std::fprintf(stderr, "xcli simulator failure: %s\n", e.what());
        return 4;
    }
}

}  // namespace sim
