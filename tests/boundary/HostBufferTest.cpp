// The buffer protocol: buffers grow to the host's need, and every loop ends.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/common/HostBuffer.h"
#include "support/TextScript.h"

namespace {

HostTextResult Record(TextScript& script, int bufferSize, int maxCalls = 0, int first = -1) {
    return ReadRecordText([&](char* b, short* s) { return script.serveRecord(b, s); },
                          HostTextRequest{bufferSize, first, maxCalls});
}

HostTextResult Service(TextScript& script, int bufferSize) {
    return ReadServiceText([&](char* b, short s) { return script.serveService(b, s); },
                           HostTextRequest{bufferSize, -1, 0});
}

TEST(ReadRecordText, GrowsToTheReportedNeedAndDeliversTheWholeText) {
    TextScript script(std::string(5000, 'a') + "Z");
    HostTextResult r = Record(script, 4096);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.text, std::string(5000, 'a') + "Z");
    EXPECT_EQ(script.sizesOffered(), (std::vector<int>{4096, 5002}));

    // The first size argument may be smaller than the buffer, never larger.
    TextScript small("abc");
    EXPECT_TRUE(Record(small, 4096, 0, 512).ok());
    EXPECT_TRUE(Record(small, 64, 0, 30000).ok());
    EXPECT_EQ(small.sizesOffered(), (std::vector<int>{512, 64}));
}

// Hosts that never stop asking for more are cut off; the finite ones come
// first so that a missing limit fails rather than hangs.
TEST(ReadRecordText, EveryLoopEnds) {
    TextScript growing("x");
    for (int need = 100; need < 600; need += 10) growing.then(TextStep::TooSmall(need));
    HostTextResult open = Record(growing, 16);
    EXPECT_FALSE(open.ok());
    ASSERT_EQ(open.calls, kHostBufferOpenCallLimit);
    TextScript script("x");
    script.tooSmallForever(9000);
    HostTextResult limited = Record(script, 4096, 3);
    EXPECT_EQ(limited.status, 2);
    EXPECT_EQ(limited.calls, 3);
    EXPECT_EQ(script.calls(), 3);

    // A need the 16-bit size wrapped to negative, or no need at all, is not
    // something to allocate: the call fails at once.
    for (int broken : {40000, 0}) {
        TextScript wrapped("x");
        wrapped.tooSmallForever(broken);
        HostTextResult w = Record(wrapped, 16);
        EXPECT_EQ(w.status, 2);
        EXPECT_EQ(w.calls, 1) << broken;
    }
}

TEST(ReadRecordText, FailuresPassThroughAndNothingOverruns) {
    // A failure passes through at once, with what the host wrote: some
    // callers read it regardless.
    auto partial = ReadRecordText(
        [](char* b, short*) {
            std::strcpy(b, "partial");
            return 9;
        },
        HostTextRequest{64, -1, 0});
    EXPECT_EQ(partial.status, 9);
    EXPECT_EQ(partial.calls, 1);
    EXPECT_EQ(partial.text, "partial");
    // A host filling the whole buffer without a terminator.
    auto full = ReadRecordText(
        [](char* b, short* s) {
            std::memset(b, 'q', static_cast<size_t>(*s));
            return 0;
        },
        HostTextRequest{32, -1, 0});
    EXPECT_EQ(full.text, std::string(32, 'q'));
}

TEST(ReadServiceText, PositiveIsTheNextSizeNegativeIsFailureAndGrowthIsStopped) {
    TextScript script("host1:host2");
    script.then(TextStep::TooSmall(2000));
    HostTextResult r = Service(script, 1024);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.text, "host1:host2");
    EXPECT_EQ(script.sizesOffered(), (std::vector<int>{1024, 2000}));

    TextScript failing("x");
    failing.failAlways(-3);
    HostTextResult f = Service(failing, 1024);
    EXPECT_EQ(f.status, -3);
    EXPECT_EQ(f.calls, 1);

    TextScript endless("x");
    for (int need = 2000; need < 2100; ++need) endless.then(TextStep::TooSmall(need));
    HostTextResult e = Service(endless, 1024);
    EXPECT_FALSE(e.ok());
    EXPECT_GT(e.status, 0);
    EXPECT_EQ(e.calls, kHostBufferOpenCallLimit);
}

}  // namespace
