#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TestSupport.h"
#include "host/rt/PasswordCipher.h"

using hostrt_test::ScopedEnv;
using hostrt_test::TempDir;

namespace {

class PasswordCipherTest : public ::testing::Test {
protected:
    PasswordCipherTest() : keyEnv_("ZRSO_KEY_FILE", dir_.file("cipher.key").c_str()) {}

    std::string seal(const char* plain) {
        std::string text;
        EXPECT_NE(cipher_.encrypt(plain, &text), 0);
        return text;
    }
    // Deciphers into a buffer pre-filled with 'X'; reports whether it stayed
    // clean (all zero) on failure.
    int open(const std::string& text, std::string* plain, unsigned long capacity = 512) {
        std::vector<char> buffer(capacity, 'X');
        unsigned long size = capacity;
        int ok = cipher_.decrypt(text.c_str(), buffer.data(), &size);
        if (ok) {
            *plain = buffer.data();
        } else {
            for (char c : buffer) EXPECT_EQ(c, '\0') << "failed decrypt left bytes behind";
        }
        return ok;
    }

    TempDir dir_;
    ScopedEnv keyEnv_;
    PasswordCipher cipher_;
};

TEST_F(PasswordCipherTest, RoundTripCreatesPrivateKeyFile) {
    std::string text = seal("s3cr3t pass;$(x)");
    struct stat st;
    ASSERT_EQ(::stat(dir_.file("cipher.key").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 32);
    EXPECT_EQ(text.find("s3cr3t"), std::string::npos);
    EXPECT_NE(seal("s3cr3t pass;$(x)"), text) << "a fresh nonce per encryption";

    std::string plain;
    ASSERT_NE(open(text, &plain), 0);
    EXPECT_EQ(plain, "s3cr3t pass;$(x)");
    ASSERT_NE(open(seal(""), &plain), 0);
    EXPECT_EQ(plain, "");
}

TEST_F(PasswordCipherTest, OutputBufferMustHoldPasswordAndTerminator) {
    std::string password(255, 'p');
    std::string text = seal(password.c_str());
    std::string plain;
    EXPECT_NE(open(text, &plain, 256), 0);
    EXPECT_EQ(plain, password);
    EXPECT_EQ(open(text, &plain, 255), 0);
    EXPECT_EQ(open(seal("abc"), &plain, 3), 0);
}

TEST_F(PasswordCipherTest, TamperedTruncatedAndForeignTextFails) {
    std::string text = seal("password");
    std::string plain;
    // Every byte matters: version prefix, nonce, ciphertext and tag.
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string bad = text;
        bad[i] = bad[i] == '0' ? '1' : '0';
        EXPECT_EQ(open(bad, &plain), 0) << "position " << i;
    }
    for (std::string bad : {text.substr(0, text.size() - 2), text.substr(0, text.size() - 1),
                            text.substr(0, 3 + 2 * 27), text + "00", std::string("v1:"),
                            std::string("password"), std::string(""),
                            std::string("v2:") + text.substr(3), "v1:" + std::string(90, 'g')}) {
        EXPECT_EQ(open(bad, &plain), 0) << bad;
    }
}

TEST_F(PasswordCipherTest, WrongOrUnsafeKeyFileFails) {
    std::string text = seal("password");
    std::string plain;
    std::string key = dir_.file("cipher.key");

    ::chmod(key.c_str(), 0644);
    EXPECT_EQ(open(text, &plain), 0) << "key readable by others is refused";
    ::chmod(key.c_str(), 0600);
    EXPECT_NE(open(text, &plain), 0);

    std::string original = hostrt_test::readFile(key);
    hostrt_test::writeFile(key, original + "x");
    EXPECT_EQ(open(text, &plain), 0) << "wrong key size";

    ::unlink(key.c_str());
    EXPECT_EQ(open(text, &plain), 0) << "missing key";
    std::string other = seal("other");  // makes a new key
    EXPECT_EQ(open(text, &plain), 0) << "text of the old key";
    EXPECT_NE(open(other, &plain), 0);
}

TEST_F(PasswordCipherTest, NullArgumentsFailCleanly) {
    std::string text = seal("pw");
    char buffer[16] = "XXXXXXXXXXXXXXX";
    unsigned long size = sizeof buffer;
    EXPECT_EQ(cipher_.decrypt(nullptr, buffer, &size), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(cipher_.decrypt(text.c_str(), nullptr, &size), 0);
    EXPECT_EQ(cipher_.decrypt(text.c_str(), buffer, nullptr), 0);
    size = 0;
    EXPECT_EQ(cipher_.decrypt(text.c_str(), buffer, &size), 0);
    EXPECT_EQ(cipher_.encrypt(nullptr, &text), 0);
    EXPECT_EQ(cipher_.encrypt("pw", nullptr), 0);
}

TEST(PasswordCipherKey, EncryptFailsWhereNoKeyCanBeMade) {
    ScopedEnv keyEnv("ZRSO_KEY_FILE", "/nonexistent-dir/cipher.key");
    PasswordCipher cipher;
    std::string text;
    EXPECT_EQ(cipher.encrypt("pw", &text), 0);
}

}  // namespace
