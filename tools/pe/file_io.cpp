#include "file_io.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pe {

bool readFile(const std::string &path, Bytes &data, std::string &error, size_t maxSize)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    data.clear();
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (n > maxSize - data.size()) {
            std::fclose(f);
            data.clear();
            error = path + " is larger than " + std::to_string(maxSize) + " bytes";
            return false;
        }
        data.insert(data.end(), chunk, chunk + n);
    }
    bool failed = std::ferror(f);
    int savedErrno = errno;
    std::fclose(f);
    if (failed) {
        error = "cannot read " + path + ": " + std::strerror(savedErrno);
        return false;
    }
    return true;
}

bool writeFileAtomic(const std::string &path, const Bytes &data, std::string &error)
{
    std::string temp = path + ".tmpXXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        done += size_t(n);
    }
    int savedErrno = errno;
    bool ok = done == data.size() && fchmod(fd, 0755) == 0 && fsync(fd) == 0;
    if (!ok) savedErrno = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        error = "cannot write " + path + ": " + std::strerror(savedErrno);
    }
    return ok;
}

} // namespace pe
