// Out-of-line parts of the device object interfaces.
#include "host/rt/DeviceTree.h"

const char* const ScsiInterface::INTERFACE_NAME = "ScsiInterface";

RefCounted::~RefCounted() = default;
ScsiInterface::~ScsiInterface() = default;
HostDevice::~HostDevice() = default;
