#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TempDir.h"
#include "host/rt/PasswordCipher.h"

namespace {

class PasswordCipherTest : public ::testing::Test {
protected:
    std::string seal(const char* plain) {
        std::string text;
        EXPECT_NE(cipher_.encrypt(plain, &text), 0);
        return text;
    }
    // Deciphers into a buffer of 'X'; a failure must leave it all zero.
    int open(const std::string& text, std::string* plain, unsigned long capacity = 512) {
        std::vector<char> buffer(capacity, 'X');
        unsigned long size = capacity;
        int ok = cipher_.decrypt(text.c_str(), buffer.data(), &size);
        EXPECT_TRUE(ok || std::string(buffer.begin(), buffer.end()) == std::string(capacity, '\0'))
            << "a failure leaves the buffer zeroed";
        if (ok) *plain = buffer.data();
        return ok;
    }

    TempDir dir_;
    std::string key_ = dir_.file("cipher.key");
    ScopedEnv keyEnv_{"ZRSO_KEY_FILE", key_.c_str()};
    PasswordCipher cipher_;
    std::string plain_;
};

TEST_F(PasswordCipherTest, RoundTripUnderAPrivateKeyIntoABufferThatHoldsIt) {
    std::string text = seal("s3cr3t pass;$(x)");
    struct stat st;
    ASSERT_EQ(::stat(key_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 32);
    EXPECT_EQ(text.find("s3cr3t"), std::string::npos);
    EXPECT_NE(seal("s3cr3t pass;$(x)"), text) << "a fresh nonce each time";
    ASSERT_NE(open(text, &plain_), 0);
    EXPECT_EQ(plain_, "s3cr3t pass;$(x)");
    ASSERT_NE(open(seal(""), &plain_), 0);
    EXPECT_EQ(plain_, "");
    // The buffer must hold the password and its terminator.
    std::string password(255, 'p');
    text = seal(password.c_str());
    EXPECT_NE(open(text, &plain_, 256), 0);
    EXPECT_EQ(plain_, password);
    EXPECT_EQ(open(text, &plain_, 255), 0);
}

TEST_F(PasswordCipherTest, TamperedTruncatedAndForeignTextFails) {
    std::string text = seal("password");
    for (std::size_t i = 0; i < text.size(); ++i) {  // prefix, nonce, ciphertext and tag
        std::string bad = text;
        bad[i] = bad[i] == '0' ? '1' : '0';
        EXPECT_EQ(open(bad, &plain_), 0) << "position " << i;
    }
    for (std::string bad :
         {text.substr(0, text.size() - 2), text.substr(0, text.size() - 1),
          text.substr(0, 3 + 2 * 27), text + "00", std::string("v1:"), std::string("password"),
          std::string(""), "v1:" + std::string(90, 'g')}) {
        EXPECT_EQ(open(bad, &plain_), 0) << bad;
    }
    unsigned long size = 8;
    EXPECT_EQ(cipher_.decrypt(text.c_str(), nullptr, &size), 0);
    EXPECT_EQ(cipher_.encrypt(nullptr, &text), 0);
}

TEST_F(PasswordCipherTest, WrongOrUnsafeKeyFileFails) {
    std::string text = seal("password");
    ::chmod(key_.c_str(), 0640);
    EXPECT_EQ(open(text, &plain_), 0) << "a key others may read is refused";
    ::chmod(key_.c_str(), 0600);
    EXPECT_NE(open(text, &plain_), 0);

    dir_.write("cipher.key", ReadFileText(key_) + "x");
    EXPECT_EQ(open(text, &plain_), 0) << "wrong key size";
    ::unlink(key_.c_str());
    EXPECT_EQ(open(text, &plain_), 0) << "missing key";
    std::string other = seal("other");  // makes a new key
    EXPECT_EQ(open(text, &plain_), 0) << "text of the old key";
    EXPECT_NE(open(other, &plain_), 0);

    ScopedEnv nowhere("ZRSO_KEY_FILE", "/nonexistent-dir/cipher.key");
    EXPECT_EQ(cipher_.encrypt("pw", &text), 0);
}

}  // namespace
