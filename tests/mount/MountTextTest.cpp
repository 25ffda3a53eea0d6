// The small text rules of mounting: password masking, host object base
// names, and the array id comparison between a disk and a duplicate.
#include <gtest/gtest.h>

#include "engine/common/Redact.h"
#include "engine/identity/ArraySerial.h"
#include "engine/mount/Initiators.h"

TEST(MountText, MaskPasswordToEndHidesTheWholePasswordAndKeepsAClosingBrace) {
    EXPECT_EQ(MaskPasswordToEnd("{esxname:esx1,password:s3cret}"), "{esxname:esx1,password:***}");
    // The value's last character is hidden too when nothing closes the text.
    EXPECT_EQ(MaskPasswordToEnd("esxname:esx1,password:s3cret"), "esxname:esx1,password:***");
    EXPECT_EQ(MaskPasswordToEnd("esx1,password:"), "esx1,password:***");
    EXPECT_EQ(MaskPasswordToEnd("{password:}"), "{password:***}");
    // Keys after the password go with it: the value's end cannot be trusted.
    EXPECT_EQ(MaskPasswordToEnd("{password:a,b:c}"), "{password:***}");
    EXPECT_EQ(MaskPasswordToEnd("{esxname:esx1,hostPassword:Pw1}"),
              "{esxname:esx1,hostPassword:***}");
    EXPECT_EQ(MaskPasswordToEnd("client-17"), "client-17");
    EXPECT_EQ(MaskPasswordToEnd(""), "");
}

TEST(MountText, HostNameBaseTakesTheEsxServerNameOrTheWholeIdentifier) {
    EXPECT_EQ(GetHostNameBase("{esxname:esx7,password:x}"), "esx7");
    EXPECT_EQ(GetHostNameBase("{esxname:esx7}"), "esx7}");
    EXPECT_EQ(GetHostNameBase("esxname:"), "");
    EXPECT_EQ(GetHostNameBase("client-17"), "client-17");
}

TEST(MountText, CompareArrayIdsMatchesTheDecimalAndHexadecimalSerialForms) {
    std::string disk = "1300200", stored = "13000C8";
    EXPECT_TRUE(CompareArrayIds(disk, stored, nullptr));
    EXPECT_EQ(stored, "13000C8");  // the kept id is not rewritten
    disk = "1310133";
    stored = "1310133";
    EXPECT_TRUE(CompareArrayIds(disk, stored, nullptr));
    stored = "1302795";
    EXPECT_TRUE(CompareArrayIds(disk, stored, nullptr));
    // Six characters are compared on their last five.
    disk = "X10133";
    EXPECT_TRUE(CompareArrayIds(disk, stored, nullptr));
    disk = "1310134";
    EXPECT_FALSE(CompareArrayIds(disk, stored, nullptr));
    disk = stored = "7803";
    EXPECT_FALSE(CompareArrayIds(disk, stored, nullptr));
}

TEST(MountText, ConvertToDecimalReadsTheNumberAsHexadecimal) {
    std::string out;
    std::string in = "000C8";
    ConvertToDecimal(in, out);
    EXPECT_EQ(out, "00200");
    in = "13000C8";
    ConvertToDecimal(in, in);
    EXPECT_EQ(in, "1300200");
    in = "1A0F3";
    ConvertToDecimal(in, out);
    EXPECT_EQ(out, "106739");
    in = "13ZZZZZ";
    ConvertToDecimal(in, out);
    EXPECT_EQ(out, "");
}
