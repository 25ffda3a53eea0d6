// What the host's record objects share: each answers from one row of its
// table, and a database failure must not travel into the plug-in as an
// exception: it is logged and answered as a failure of the call.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "refhost/BufferReply.h"
#include "refhost/HostLog.h"

namespace refhost {

class HostDatabase;

template <class F>
int GuardedReply(const char* function, int64_t jobId, const char* what, F&& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        hostLog(-1, function, jobId, std::string(what) + ": " + e.what());
        return kReplyFailed;
    }
}

// The text of one column of the row with this id; false when the row is
// missing or the value is NULL.
bool ReadRowText(HostDatabase& db, const char* table, int64_t id, const char* column,
                 std::string* out);

}  // namespace refhost
