// The host's password key: 32 random bytes in a file only its owner may read.
#pragma once

#include <string>

namespace hostrt {

constexpr std::size_t kCipherKeyBytes = 32;

// ZRSO_KEY_FILE, else /etc/zrso/cipher.key.
std::string cipherKeyPath();

// Fills key from the key file. Refuses (false) a file that is not a regular
// file of exactly 32 bytes or that group or others may access.
bool loadCipherKey(const std::string& path, unsigned char key[kCipherKeyBytes]);

// Like loadCipherKey, but creates the file with fresh random bytes when it
// does not exist. Creation is race-free: the key is written to a private
// temporary file and linked into place, so concurrent creators end up with
// the one key that won.
bool loadOrCreateCipherKey(const std::string& path, unsigned char key[kCipherKeyBytes]);

}  // namespace hostrt
