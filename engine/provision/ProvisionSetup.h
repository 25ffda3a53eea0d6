// What every provisioning entry point does before its own array work: read
// the array login and the volume from the LUN record, decipher the password,
// find the xcli client and open the array object. Also the entry points' log
// and the way they fail a LUN.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/common/Codes.h"
#include "host/ZRSO.h"
#include "host/rt/DebugLog.h"
#include "xiv/Xiv.h"

// The log of one provisioning call: each line names the entry point and
// carries the job of the LUN being handled.
class ProvisionLog {
public:
    explicit ProvisionLog(const char* function) : log_(nullptr), function_(function) {}

    void SetJob(long long jobId) { jobId_ = jobId; }
    long long Job() const { return jobId_; }
    const char* Function() const { return function_; }
    const DebugLog& Log() const { return log_; }

    // level -1 failures and decisions, 0 detail.
    void Line(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));

private:
    DebugLog log_;
    const char* function_;
    long long jobId_ = 0;
};

// Logs text as an error and hands it to the LUN with the provisioning code.
void FailLun(ZRSO::LUNInfo* lun, ProvisionLog& log, const std::string& text);
// The same for a failed array command: its error text, or, when the command
// layer left none, the status the array answered.
void FailLunOnArray(ZRSO::LUNInfo* lun, ProvisionLog& log, Xiv& xiv, const std::string& errorText);

// How one entry point sets a LUN up.
struct LunSetupPlan {
    int startStatus = 0;
    bool readPool = false;    // create
    bool readSize = false;    // create, resize
    bool logDetails = false;  // create: the size and the login (password masked)
};

// A LUN ready for its array work.
struct LunSetup {
    std::string arrayName;
    std::string controlHost;
    std::string user;
    std::string volumeName;
    std::string poolName;
    int64_t sizeBytes = 0;
    long sizeGiB = 0;
    std::string xcliPath;
    std::unique_ptr<Xiv> xiv;
};

// Bytes as whole GiB, truncated toward zero.
long BytesToGiB(int64_t bytes);

// Sets the starting status, points the log at the LUN's job and runs the
// set-up in order. False once a step failed: the LUN then carries the
// step's text with kProvisionCode and the steps after it did not run.
bool SetUpLun(ZRSO::LUNInfo* lun, ZRSO::ZROSUtil* osUtil, const LunSetupPlan& plan,
              ProvisionLog& log, LunSetup& setup);

// The array work of one LUN after its set-up; true when the LUN succeeded.
using LunWork = std::function<bool(ZRSO::LUNInfo*, LunSetup&, ProvisionLog&)>;

// Sets up and works each LUN in order, logging under function. The first LUN
// that fails ends the call (a hole in the host's array counts as one); the
// LUNs after it are not touched. Returns how many LUNs succeeded.
long ForEachLun(const char* function, ZRSO::LUNInfo** luns, short count, ZRSO::ZROSUtil* osUtil,
                const LunSetupPlan& plan, const LunWork& work);
