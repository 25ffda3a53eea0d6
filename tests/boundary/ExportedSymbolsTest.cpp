#include <gtest/gtest.h>

#include <dlfcn.h>

#include <set>
#include <sstream>
#include <string>

#include "engine/boundary/ZrsoExports.h"
#include "support/RunProgram.h"
#include "support/SimArray.h"

namespace {

const std::string kPlugin = PluginPath();

// Names the plug-in's dynamic symbol table defines.
std::set<std::string> DefinedDynamicSymbols(const std::string& library) {
    std::set<std::string> names;
    ProgramRun nm = RunProgram({"nm", "-D", "--defined-only", library});
    EXPECT_EQ(nm.status, 0);
    std::istringstream lines(nm.out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name) names.insert(name);
    }
    return names;
}

TEST(PluginBoundary, ExportsExactlyTheBoundaryNames) {
    const std::set<std::string> expected = {
        "zrso_version",        "zrso_sProvVersion",       "zrso_isSupported",
        "zrso_prepareDevices", "zrso_unprepareDevices",   "zrso_snapDevices",
        "zrso_reconcileSnaps", "zrso_isMapped",           ZRSO_ISMAPPED_OVERLOAD_SYMBOL,
        "zrso_mapSnaps",       "zrso_unmapSnaps",         "zrso_deleteSnaps",
        "zrso_revertSnaps",    "zrso_getArrayInfo",       "zrso_createLUNs",
        "zrso_deleteLUNs",     "zrso_resizeLUNs",         "zrso_mapLUNs",
        "zrso_unmapLUNs",      "zrso_resolveLunsToUsers", "xiv_errors",
        "iEndPointId"};
    EXPECT_EQ(DefinedDynamicSymbols(kPlugin), expected);
}

TEST(PluginBoundary, AHostLoadingTheLibraryFindsVersionAndTheOverload) {
    void* handle = dlopen(kPlugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto version =
        reinterpret_cast<void (*)(short*, short*, short*)>(dlsym(handle, "zrso_version"));
    ASSERT_NE(version, nullptr);
    short major = 0, minor = 9, patch = 9;
    version(&major, &minor, &patch);
    EXPECT_EQ(major * 100 + minor * 10 + patch, 100);
    EXPECT_NE(dlsym(handle, ZRSO_ISMAPPED_OVERLOAD_SYMBOL), nullptr);
    auto endPoint = static_cast<int*>(dlsym(handle, "iEndPointId"));
    ASSERT_NE(endPoint, nullptr);
    EXPECT_EQ(*endPoint, 0);
    dlclose(handle);
}

}  // namespace
