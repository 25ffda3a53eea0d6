// The small text rules of mounting (cases in tests/data/mount/text-rules.txt):
// password masking, host object base names, the array id comparison between
// a disk and a duplicate.
#include <gtest/gtest.h>

#include "engine/common/Redact.h"
#include "engine/identity/ArraySerial.h"
#include "engine/mount/Initiators.h"
#include "support/TestData.h"

TEST(MountText, RulesGiveWhatTheTableSays) {
    for (const auto& c : TestTable("mount/text-rules.txt")) {
        const std::string& rule = c.at(0);
        std::string in = c.at(1), out = "(unknown rule)", stored = c.at(2);
        if (rule == "mask") out = MaskPasswordToEnd(in);
        if (rule == "base") out = GetHostNameBase(in);
        if (rule == "decimal") ConvertToDecimal(in, out);
        if (rule == "same") {
            out = CompareArrayIds(in, stored, nullptr) ? "yes" : "no";
            EXPECT_EQ(stored, c[2]) << "the kept id is not rewritten";
        }
        EXPECT_EQ(out, c.back()) << rule << " " << in;
    }
    // The number may be converted in place.
    std::string id = "13000C8";
    ConvertToDecimal(id, id);
    EXPECT_EQ(id, "1300200");
}
