// Passwords are sealed with AES-256-GCM. Text form: "v1:" followed by the hex
// digits of nonce (12 bytes) | ciphertext | tag (16 bytes). The version text
// is authenticated too, so it cannot be swapped.
#include "host/rt/PasswordCipher.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstring>
#include <memory>
#include <vector>

#include "hostrt/CipherKey.h"
#include "hostrt/FileText.h"
#include "hostrt/HexCodec.h"

namespace {

constexpr const char* kPrefix = "v1:";
constexpr std::size_t kNonceBytes = 12;
constexpr std::size_t kTagBytes = 16;
// Longest password accepted either way; array passwords are short.
constexpr std::size_t kMaxPlainBytes = 4096;
const unsigned char kAad[] = {'v', '1'};

struct CtxFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using Ctx = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;

// Key bytes wiped on every way out.
struct KeyBytes {
    unsigned char bytes[hostrt::kCipherKeyBytes];
    ~KeyBytes() { OPENSSL_cleanse(bytes, sizeof bytes); }
};

struct SecretBuffer {
    explicit SecretBuffer(std::size_t n) : bytes(n) {}
    ~SecretBuffer() {
        if (!bytes.empty()) OPENSSL_cleanse(bytes.data(), bytes.size());
    }
    std::vector<unsigned char> bytes;
};

bool seal(const unsigned char* key, const unsigned char* plain, std::size_t length,
          std::vector<unsigned char>* sealed) {
    sealed->assign(kNonceBytes + length + kTagBytes, 0);
    unsigned char* nonce = sealed->data();
    unsigned char* body = nonce + kNonceBytes;
    unsigned char* tag = body + length;
    if (RAND_bytes(nonce, kNonceBytes) != 1) return false;
    Ctx ctx(EVP_CIPHER_CTX_new());
    int n = 0;
    int tail = 0;
    return ctx &&
           EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1 &&
           EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kNonceBytes, nullptr) == 1 &&
           EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, key, nonce) == 1 &&
           EVP_EncryptUpdate(ctx.get(), nullptr, &n, kAad, sizeof kAad) == 1 &&
           EVP_EncryptUpdate(ctx.get(), body, &n, plain, static_cast<int>(length)) == 1 &&
           EVP_EncryptFinal_ex(ctx.get(), body + n, &tail) == 1 &&
           EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagBytes, tag) == 1;
}

// Opens sealed into *plain; false when anything does not check out.
bool openSealed(const unsigned char* key, const std::vector<unsigned char>& sealed,
                SecretBuffer* plain) {
    std::size_t length = sealed.size() - kNonceBytes - kTagBytes;
    const unsigned char* nonce = sealed.data();
    const unsigned char* body = nonce + kNonceBytes;
    std::vector<unsigned char> tag(body + length, body + length + kTagBytes);
    Ctx ctx(EVP_CIPHER_CTX_new());
    int n = 0;
    int tail = 0;
    // GCM writes nothing at Final, but the buffer must be addressable.
    unsigned char* out = plain->bytes.data();
    return ctx &&
           EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1 &&
           EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, kNonceBytes, nullptr) == 1 &&
           EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, key, nonce) == 1 &&
           EVP_DecryptUpdate(ctx.get(), nullptr, &n, kAad, sizeof kAad) == 1 &&
           EVP_DecryptUpdate(ctx.get(), out, &n, body, static_cast<int>(length)) == 1 &&
           EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagBytes, tag.data()) == 1 &&
           EVP_DecryptFinal_ex(ctx.get(), out + n, &tail) == 1;
}

}  // namespace

PasswordCipher::PasswordCipher() = default;
PasswordCipher::~PasswordCipher() = default;

int PasswordCipher::decrypt(const char* cipherText, char* plain, unsigned long* size) {
    if (!plain || !size || *size == 0) return 0;
    unsigned long capacity = *size;
    // Whatever happens below, a failure leaves no half-deciphered bytes.
    OPENSSL_cleanse(plain, capacity);
    if (!cipherText) return 0;

    std::size_t prefix = std::strlen(kPrefix);
    const std::size_t longest = prefix + 2 * (kNonceBytes + kTagBytes + kMaxPlainBytes) + 64;
    if (strnlen(cipherText, longest + 1) > longest) return 0;
    std::string text = hostrt::trimBlanks(cipherText);
    if (text.compare(0, prefix, kPrefix) != 0) return 0;
    std::vector<unsigned char> sealed;
    if (!hostrt::hexDecode(text.substr(prefix), &sealed)) return 0;
    if (sealed.size() < kNonceBytes + kTagBytes ||
        sealed.size() > kNonceBytes + kTagBytes + kMaxPlainBytes)
        return 0;
    std::size_t length = sealed.size() - kNonceBytes - kTagBytes;
    if (length + 1 > capacity) return 0;

    KeyBytes key;
    if (!hostrt::loadCipherKey(hostrt::cipherKeyPath(), key.bytes)) return 0;
    SecretBuffer opened(length + 1);
    if (!openSealed(key.bytes, sealed, &opened)) return 0;
    // A NUL inside would silently shorten the password; our encrypt never
    // makes one, so such text is foreign.
    if (std::memchr(opened.bytes.data(), 0, length) != nullptr) return 0;
    std::memcpy(plain, opened.bytes.data(), length);
    plain[length] = '\0';
    return 1;
}

int PasswordCipher::encrypt(const char* plain, std::string* cipherText) {
    if (!plain || !cipherText) return 0;
    std::size_t length = std::strlen(plain);
    if (length > kMaxPlainBytes) return 0;
    KeyBytes key;
    if (!hostrt::loadOrCreateCipherKey(hostrt::cipherKeyPath(), key.bytes)) return 0;
    std::vector<unsigned char> sealed;
    if (!seal(key.bytes, reinterpret_cast<const unsigned char*>(plain), length, &sealed)) return 0;
    *cipherText = kPrefix + hostrt::hexEncode(sealed.data(), sealed.size());
    return 1;
}
