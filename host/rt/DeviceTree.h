// Host devices and SCSI pass-through.
#pragma once

#include "Export.h"
#include "HostError.h"

// Reference-counted host object; counting is the runtime's.
class HOSTRT_API RefCounted {
public:
    RefCounted() : refs_(0) {}
    virtual ~RefCounted();
    void addRef() { ++refs_; }
    void release() {
        if (--refs_ == 0) delete this;
    }

private:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;
    long refs_;
};

template <class T>
class SharedRef {
public:
    SharedRef() : p_(nullptr) {}
    SharedRef(T* p) : p_(p) {  // NOLINT: assignment from a raw object is intended
        if (p_) p_->addRef();
    }
    SharedRef(const SharedRef& o) : p_(o.p_) {
        if (p_) p_->addRef();
    }
    SharedRef& operator=(const SharedRef& o) {
        if (o.p_) o.p_->addRef();
        if (p_) p_->release();
        p_ = o.p_;
        return *this;
    }
    SharedRef& operator=(T* p) { return *this = SharedRef(p); }
    ~SharedRef() {
        if (p_) p_->release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    bool empty() const { return p_ == nullptr; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() { *this = SharedRef(); }

private:
    T* p_;
};

class HOSTRT_API ScsiInterface {
public:
    static const char* const INTERFACE_NAME;  // "ScsiInterface"

    virtual ~ScsiInterface();
    // One SCSI command. direction 0 = data from the device. Returns -1 on
    // failure with *err filled (code ENXIO: no target or logical unit behind
    // the device any more), otherwise the number of bytes transferred.
    // May throw HostException.
    virtual int sendCommand(const unsigned char* cdb, int cdbLength, unsigned char* data,
                            unsigned int dataLength, int direction, int retries,
                            unsigned char* sense, int senseLength, int timeoutSeconds,
                            HostError* err) = 0;
};

class HOSTRT_API HostDevice : public RefCounted {
public:
    ~HostDevice() override;
    // The interface named, or null when the device has none. May throw.
    virtual void* getInterface(const char* interfaceName) = 0;
    virtual const char* name() const = 0;
};

class HOSTRT_API DeviceTree {
public:
    // Empty handle with *err filled when the device is unknown. May throw
    // HostException. With ZRSO_SIM_DISKS naming a catalog directory, a device
    // whose base name has an entry there is a simulated disk; everything else
    // is opened as a real device node and spoken to with SG_IO.
    static SharedRef<HostDevice> getDevice(const char* deviceName, HostError* err);
};
