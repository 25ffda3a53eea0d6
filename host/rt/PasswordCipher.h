// Array passwords are stored enciphered by the host; the plug-in deciphers
// them just before use.
#pragma once

#include <string>

#include "Export.h"

class HOSTRT_API PasswordCipher {
public:
    PasswordCipher();
    ~PasswordCipher();
    PasswordCipher(const PasswordCipher&) = delete;
    PasswordCipher& operator=(const PasswordCipher&) = delete;

    // *size: capacity of plain on entry. Non-zero = success, plain holds the
    // NUL-terminated password; 0 = failure (tampered, foreign or too long).
    int decrypt(const char* cipherText, char* plain, unsigned long* size);

    // Host side. Non-zero = success.
    int encrypt(const char* plain, std::string* cipherText);
};
