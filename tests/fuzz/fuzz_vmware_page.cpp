// The identification text of a VMware disk comes from the ESX server through
// the host; the first line of the input is the device identifier, the rest
// the NAA answer.
#include <cstdint>
#include <string>

#include "engine/common/Redact.h"
#include "engine/common/XIVFilerSnapInfo.h"
#include "engine/identity/FilerInfoVMWare.h"
#include "support/FakeSnapInfo.h"
#include "support/FakeZROSUtil.h"
#include "tests/fuzz/FuzzQuiet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string device =
        "{idatype:vmware,vendor:IBM,lunuuid:1,targetidentifier:50:01:73:80:0c:be:01:40,type:fc,x:"
        "XIV}";
    std::string page = input;
    size_t nl = input.find('\n');
    if (nl != std::string::npos) {
        device = input.substr(0, nl);
        page = input.substr(nl + 1);
    }
    FakeSnapInfo info;
    info.intProperties[ZRSO::INTPROP_FLEET_ID] = 1;
    info.intProperties[ZRSO::INTPROP_APPLICATION_ID] = 2;
    info.hostPaths[9] = "{esxname:esx1}";
    info.hostPaths[10] = "esx1";
    FakeZROSUtil osUtil;
    osUtil.vmwarePages["NAA"] = page;
    osUtil.vmwarePages["UNKNOWN"] = page;
    XIVFilerSnapInfo record;
    GetFilerInfoVMWare(&info, device, &osUtil, record, true);
    std::string masked = page;
    MaskPassword(masked);
    return 0;
}
