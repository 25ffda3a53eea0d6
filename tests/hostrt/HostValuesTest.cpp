// Error values, exceptions and shared device handles.
#include <gtest/gtest.h>

#include "host/rt/DeviceTree.h"
#include "host/rt/HostException.h"

namespace {

TEST(HostError, AsStringCarriesCodeAndDetail) {
    EXPECT_TRUE(HostError::Success().ok());
    EXPECT_EQ(HostError(5, "device gone").AsString(), "code 5: device gone");
    EXPECT_EQ(HostError(-1, "").AsString(), "code -1");
    HostError e(2, "x");
    EXPECT_FALSE(e.ok());
    e = HostError::Success();
    EXPECT_TRUE(e.ok());
}

TEST(HostException, KeepsWhatItWasGiven) {
    try {
        throw HostException("IsXivFiler", "'sdz' is not SCSI device", "ZRSnapEngineXiv", 12);
    } catch (const std::exception& e) {
        auto& h = dynamic_cast<const HostException&>(e);
        EXPECT_STREQ(e.what(), "'sdz' is not SCSI device");
        EXPECT_EQ(h.getMessage(), "'sdz' is not SCSI device");
        EXPECT_EQ(h.getFunction(), "IsXivFiler");
        EXPECT_EQ(h.getCode(), -1);
    }
    HostException nulls(nullptr, "m", nullptr, 0, 3);
    EXPECT_EQ(nulls.getFunction(), "");
    EXPECT_EQ(nulls.getCode(), 3);
}

class CountedDevice : public HostDevice {
public:
    explicit CountedDevice(int* destroyed) : destroyed_(destroyed) {}
    ~CountedDevice() override { ++*destroyed_; }
    void* getInterface(const char*) override { return nullptr; }
    const char* name() const override { return "counted"; }

private:
    int* destroyed_;
};

TEST(SharedRef, LastHandleReleasesTheObjectOnce) {
    int destroyed = 0;
    {
        SharedRef<HostDevice> a(new CountedDevice(&destroyed));
        SharedRef<HostDevice> b = a;
        SharedRef<HostDevice> c;
        c = b;
        c = c;  // self-assignment keeps the object
        a.reset();
        b = nullptr;
        EXPECT_EQ(destroyed, 0);
        EXPECT_STREQ(c->name(), "counted");
        c = new CountedDevice(&destroyed);
        EXPECT_EQ(destroyed, 1);
    }
    EXPECT_EQ(destroyed, 2);
}

}  // namespace
