#include "hostrt/CipherKey.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "hostrt/FileText.h"

namespace hostrt {

namespace {

bool readExactly(int fd, unsigned char* out, std::size_t length) {
    std::size_t got = 0;
    while (got < length) {
        ssize_t n = ::read(fd, out + got, length - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool writeExactly(int fd, const unsigned char* data, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        ssize_t n = ::write(fd, data + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// 0 on success, else errno (ENOENT when the file is missing).
int readKey(const std::string& path, unsigned char key[kCipherKeyBytes]) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    struct stat st;
    int result = 0;
    if (::fstat(fd, &st) != 0) {
        result = errno;
    } else if (!S_ISREG(st.st_mode) || (st.st_mode & 077) != 0 ||
               st.st_size != static_cast<off_t>(kCipherKeyBytes)) {
        result = EPERM;
    } else if (!readExactly(fd, key, kCipherKeyBytes)) {
        result = EIO;
    }
    ::close(fd);
    if (result != 0) OPENSSL_cleanse(key, kCipherKeyBytes);
    return result;
}

int createKey(const std::string& path) {
    unsigned char fresh[kCipherKeyBytes];
    if (RAND_bytes(fresh, sizeof fresh) != 1) return EIO;
    std::string temp = path + ".XXXXXX";
    int fd = ::mkostemp(&temp[0], O_CLOEXEC);  // mode 0600
    if (fd < 0) {
        OPENSSL_cleanse(fresh, sizeof fresh);
        return errno;
    }
    bool written =
        ::fchmod(fd, 0600) == 0 && writeExactly(fd, fresh, sizeof fresh) && ::fsync(fd) == 0;
    OPENSSL_cleanse(fresh, sizeof fresh);
    ::close(fd);
    int result = 0;
    if (!written) {
        result = EIO;
    } else if (::link(temp.c_str(), path.c_str()) != 0) {
        result = errno;  // EEXIST: another creator won; its key is the key
    }
    ::unlink(temp.c_str());
    return result == EEXIST ? 0 : result;
}

}  // namespace

std::string cipherKeyPath() {
    std::string p = environmentText("ZRSO_KEY_FILE");
    return p.empty() ? std::string("/etc/zrso/cipher.key") : p;
}

bool loadCipherKey(const std::string& path, unsigned char key[kCipherKeyBytes]) {
    return readKey(path, key) == 0;
}

bool loadOrCreateCipherKey(const std::string& path, unsigned char key[kCipherKeyBytes]) {
    int result = readKey(path, key);
    if (result == ENOENT) {
        if (createKey(path) != 0) return false;
        result = readKey(path, key);
    }
    return result == 0;
}

}  // namespace hostrt
