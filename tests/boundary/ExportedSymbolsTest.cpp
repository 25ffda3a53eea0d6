// The plug-in's dynamic symbol table defines exactly the boundary names.
// (That a host loads it with every symbol bound is seen by every test that
// loads it by path, its versions in EntryPointsTest.)
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "engine/boundary/ZrsoExports.h"
#include "support/RunProgram.h"
#include "support/SimArray.h"

namespace {

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
    ProgramRun nm = RunProgram({"nm", "-D", "--defined-only", PluginPath()});
    ASSERT_EQ(nm.status, 0);
    std::set<std::string> names;
    std::istringstream lines(nm.out);
    for (std::string address, type, name; lines >> address >> type >> name;) names.insert(name);
    EXPECT_EQ(names, expected);
}

}  // namespace
