#include "platform/filestream.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vx {

TFileStream::TFileStream(const std::string& path, TOpenMode mode) : Path(path) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case TOpenMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; CanWrite = true; break;
    case TOpenMode::ReadOnly: flags |= O_RDONLY; break;
    case TOpenMode::ReadWrite: flags |= O_RDWR; CanWrite = true; break;
    }
    do {
        Fd = ::open(path.c_str(), flags, 0666);
    } while (Fd < 0 && errno == EINTR);
    if (Fd < 0) {
        int err = errno;
        throw TFileError("Cannot open file \"" + path + "\". " + std::strerror(err), err);
    }
    struct stat st{};
    if (::fstat(Fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(Fd);
        Fd = -1;
        throw TFileError("Cannot open file \"" + path + "\". " + std::strerror(EISDIR), EISDIR);
    }
}

TFileStream::~TFileStream() {
    if (Fd >= 0) ::close(Fd);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = 0;
    if (origin == TSeekOrigin::Current) base = Pos;
    else if (origin == TSeekOrigin::End) {
        base = Size();
        if (base < 0) return -1;
    }
    if ((offset > 0 && base > INT64_MAX - offset)) return -1;
    int64_t target = base + offset;
    if (target < 0) return -1;
    Pos = target;
    return Pos;
}

int64_t TFileStream::Size() const {
    struct stat st{};
    if (::fstat(Fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

size_t TFileStream::Read(void* buffer, size_t n) {
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < n) {
        ssize_t r = ::pread(Fd, p + done, n - done, Pos);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += static_cast<size_t>(r);
        Pos += r;
    }
    return done;
}

size_t TFileStream::Write(const void* buffer, size_t n) {
    if (!CanWrite) return 0;
    size_t done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < n) {
        ssize_t r = ::pwrite(Fd, p + done, n - done, Pos);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += static_cast<size_t>(r);
        Pos += r;
    }
    return done;
}

bool TFileStream::ReadAt(int64_t offset, void* buffer, size_t n) {
    if (Seek(offset) < 0) return false;
    return Read(buffer, n) == n;
}

bool TFileStream::WriteAt(int64_t offset, const void* buffer, size_t n) {
    if (Seek(offset) < 0) return false;
    return Write(buffer, n) == n;
}

bool TFileStream::SetSize(int64_t size) {
    if (!CanWrite || size < 0) return false;
    int r;
    do {
        r = ::ftruncate(Fd, size);
    } while (r < 0 && errno == EINTR);
    return r == 0;
}

bool TFileStream::Flush() { return ::fdatasync(Fd) == 0; }

static bool OfdLock(int fd, short type, uint64_t offset, uint64_t length) {
    if (offset > static_cast<uint64_t>(INT64_MAX) || length > static_cast<uint64_t>(INT64_MAX))
        return false;
    struct flock fl{};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0;
    int r;
    do {
        r = ::fcntl(fd, F_OFD_SETLK, &fl);
    } while (r < 0 && errno == EINTR);
    return r == 0;
}

bool TFileStream::LockRegion(uint64_t offset, uint64_t length) {
    if (length == 0) return false;
    // A read-only descriptor cannot hold a write lock; a read lock still excludes writers'
    // write locks, which is what a reader needs.
    return OfdLock(Fd, CanWrite ? F_WRLCK : F_RDLCK, offset, length);
}

bool TFileStream::UnlockRegion(uint64_t offset, uint64_t length) {
    if (length == 0) return false;
    return OfdLock(Fd, F_UNLCK, offset, length);
}

bool TFileStream::StillAtPath() const {
    struct stat held{}, named{};
    if (::fstat(Fd, &held) != 0 || ::stat(Path.c_str(), &named) != 0) return false;
    return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool FileExists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool CopyFile(const std::string& from, const std::string& to) {
    try {
        TFileStream in(from, TOpenMode::ReadOnly);
        TFileStream out(to, TOpenMode::Create);
        char buf[1 << 16];
        for (;;) {
            size_t n = in.Read(buf, sizeof buf);
            if (n == 0) break;
            if (out.Write(buf, n) != n) return false;
        }
        return out.Size() == in.Size();
    } catch (const TFileError&) {
        return false;
    }
}

bool RenameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes) {
    std::string tmp = path + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false;
    struct stat st {};
    ::fchmod(fd, ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    bool ok = done == bytes.size() && ::fsync(fd) == 0;
    int err = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) return true;
    err = errno ? errno : err;
    ::unlink(tmp.c_str());
    errno = err ? err : EIO;
    return false;
}

uint32_t GetTickCount() {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void YieldBriefly() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }

}  // namespace vx
