#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/common/HostBuffer.h"
#include "support/TextScript.h"

namespace {

RecordTextGetter Record(TextScript& script) {
    return [&script](char* b, short* s) { return script.serveRecord(b, s); };
}

ServiceTextGetter Service(TextScript& script) {
    return [&script](char* b, short s) { return script.serveService(b, s); };
}

HostTextRequest Request(int bufferSize, int maxCalls = 0) {
    HostTextRequest r;
    r.bufferSize = bufferSize;
    r.maxCalls = maxCalls;
    return r;
}

TEST(ReadRecordText, GrowsToTheReportedNeedAndDeliversTheWholeText) {
    TextScript script(std::string(5000, 'a') + "Z");
    HostTextResult r = ReadRecordText(Record(script), Request(4096));
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.text.size(), 5001u);
    EXPECT_EQ(r.text.back(), 'Z');
    EXPECT_EQ(script.sizesOffered(), (std::vector<int>{4096, 5002}));
}

TEST(ReadRecordText, ALimitOfThreeStopsAfterExactlyThreeCallsReportingTooSmall) {
    TextScript script("x");
    script.tooSmallForever(9000);
    HostTextResult r = ReadRecordText(Record(script), Request(4096, 3));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.calls, 3);
    EXPECT_EQ(script.calls(), 3);
}

TEST(ReadRecordText, AnOpenLoopStillEnds) {
    TextScript growing("x");
    for (int need = 100; need < 100 + 50 * 10; need += 10) growing.then(TextStep::TooSmall(need));
    HostTextResult r = ReadRecordText(Record(growing), Request(16));
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.calls, kHostBufferOpenCallLimit);

    // A need the 16-bit size wrapped to negative, or no need at all, is not
    // something to allocate: the call fails at once.
    for (int broken : {40000, 0}) {
        TextScript wrapped("x");
        wrapped.tooSmallForever(broken);
        HostTextResult w = ReadRecordText(Record(wrapped), Request(16));
        EXPECT_EQ(w.status, 2);
        EXPECT_EQ(w.calls, 1) << broken;
    }
}

TEST(ReadRecordText, FailureCodesPassThroughAndKeepWhatTheHostWrote) {
    TextScript failing("x");
    failing.failAlways(7);
    HostTextResult r = ReadRecordText(Record(failing), Request(64));
    EXPECT_EQ(r.status, 7);
    EXPECT_EQ(r.calls, 1);
    EXPECT_EQ(r.text, "");

    // A host writing something and then reporting failure: the text is kept
    // for callers that read it regardless.
    HostTextResult partial = ReadRecordText(
        [](char* b, short*) {
            std::strcpy(b, "partial");
            return 9;
        },
        Request(64));
    EXPECT_EQ(partial.status, 9);
    EXPECT_EQ(partial.text, "partial");
}

TEST(ReadRecordText, AHostFillingTheBufferWithoutTerminatorCannotOverrun) {
    HostTextResult r = ReadRecordText(
        [](char* b, short* s) {
            std::memset(b, 'q', static_cast<size_t>(*s));
            return 0;
        },
        Request(32));
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.text, std::string(32, 'q'));
}

TEST(ReadRecordText, FirstSizeArgumentMayBeSmallerThanTheBufferButNeverLarger) {
    TextScript script("abc");
    for (auto [buffer, first] : {std::pair<int, int>{4096, 512}, {64, 30000}}) {
        HostTextRequest r = Request(buffer);
        r.firstSizeArg = static_cast<short>(first);
        EXPECT_TRUE(ReadRecordText(Record(script), r).ok());
    }
    EXPECT_EQ(script.sizesOffered(), (std::vector<int>{512, 64}));
}

TEST(ReadServiceText, PositiveAnswerIsTheSizeOfTheNextCall) {
    TextScript script("host1:host2");
    script.then(TextStep::TooSmall(2000));
    HostTextResult r = ReadServiceText(Service(script), Request(1024));
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.text, "host1:host2");
    EXPECT_EQ(script.sizesOffered(), (std::vector<int>{1024, 2000}));
}

TEST(ReadServiceText, NegativeIsFailureAndEndlessGrowthIsStopped) {
    TextScript failing("x");
    failing.failAlways(-3);
    HostTextResult f = ReadServiceText(Service(failing), Request(1024));
    EXPECT_EQ(f.status, -3);
    EXPECT_EQ(f.calls, 1);

    TextScript endless("x");
    endless.tooSmallForever(32767);
    HostTextResult e = ReadServiceText(Service(endless), Request(1024));
    EXPECT_FALSE(e.ok());
    EXPECT_GT(e.status, 0);
    EXPECT_EQ(e.calls, kHostBufferOpenCallLimit);
}

}  // namespace
