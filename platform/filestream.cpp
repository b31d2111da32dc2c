#include "platform/filestream.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vx {

namespace {

[[noreturn]] void ThrowNotRegular(const std::string& path, bool directory) {
    const int err = directory ? EISDIR : EINVAL;
    throw TFileError("Cannot open file \"" + path + "\". " +
                         (directory ? std::string(std::strerror(EISDIR)) : std::string("It is not a regular file.")),
                     err);
}

}  // namespace

bool IsRegularFile(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

TFileStream::TFileStream(const std::string& path, TOpenMode mode) : Path(path) {
    // Only regular files are opened: a named pipe or a device would block the open or the
    // first read until another program acts, or act on the open itself. They are refused
    // before the open, and, should one take the name meanwhile, on the open itself, which
    // then does not wait (O_NONBLOCK) and is closed again.
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) ThrowNotRegular(path, S_ISDIR(st.st_mode));
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
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
    if (::fstat(Fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool directory = S_ISDIR(st.st_mode);
        ::close(Fd);
        Fd = -1;
        ThrowNotRegular(path, directory);
    }
    ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) & ~O_NONBLOCK);
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

bool TFileStream::ReadAtConcurrently(int64_t offset, void* buffer, size_t n) const {
    if (offset < 0) return false;
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < n) {
        ssize_t r = ::pread(Fd, p + done, n - done, offset + int64_t(done));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        done += static_cast<size_t>(r);
    }
    return true;
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

TPathState TFileStream::PathState() const {
    struct stat held{}, named{};
    if (::stat(Path.c_str(), &named) != 0) return TPathState::Missing;
    if (::fstat(Fd, &held) != 0) return TPathState::Other;  // the open file cannot be told: not ours
    return held.st_dev == named.st_dev && held.st_ino == named.st_ino ? TPathState::Same : TPathState::Other;
}

// ---- mappings ----------------------------------------------------------------------------

namespace {

// A read from a mapped page that the file no longer covers raises SIGBUS. While a thread
// copies out of a mapping, the handler jumps back into that copy, which then fails; any other
// SIGBUS goes where it went before the handler was installed.
thread_local sigjmp_buf* volatile CopyOutJump = nullptr;
struct sigaction PreviousBusAction {};

void OnBusError(int sig, siginfo_t* info, void* context) {
    if (sigjmp_buf* jump = CopyOutJump) {
        CopyOutJump = nullptr;
        siglongjmp(*jump, 1);
    }
    if ((PreviousBusAction.sa_flags & SA_SIGINFO) && PreviousBusAction.sa_sigaction) {
        PreviousBusAction.sa_sigaction(sig, info, context);
        return;
    }
    if (!(PreviousBusAction.sa_flags & SA_SIGINFO) && PreviousBusAction.sa_handler != SIG_DFL &&
        PreviousBusAction.sa_handler != SIG_IGN) {
        PreviousBusAction.sa_handler(sig);
        return;
    }
    // The default action: a fault happens again on return, a signal sent is sent again.
    ::signal(sig, SIG_DFL);
    if (info && info->si_code <= 0) ::raise(sig);
}

// Out of line, so that nothing of the loop lives across the jump back.
// Pieces scattered over a large file miss the caches: the bytes of the pieces a little ahead
// are asked for early, so that their loads overlap (a prefetch never faults).
[[gnu::noinline]] void CopyPieces(const uint8_t* base, const TFileMapping::TPiece* pieces, size_t count) {
    constexpr size_t Ahead = 16;
    for (size_t i = 0; i < count; ++i) {
        if (i + Ahead < count) __builtin_prefetch(base + pieces[i + Ahead].Offset);
        std::memcpy(pieces[i].Dest, base + pieces[i].Offset, pieces[i].Length);
    }
}

void InstallBusHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &PreviousBusAction);
    });
}

}  // namespace

TFileMapping::TFileMapping(const TFileStream& stream, int64_t length) {
    if (length <= 0 || uint64_t(length) > SIZE_MAX) return;
    void* p = ::mmap(nullptr, size_t(length), PROT_READ, MAP_SHARED, stream.Fd, 0);
    if (p == MAP_FAILED) return;
    Base = static_cast<const uint8_t*>(p);
    Size = length;
    InstallBusHandler();
}

TFileMapping::~TFileMapping() {
    if (Base) ::munmap(const_cast<uint8_t*>(Base), size_t(Size));
}

bool TFileMapping::CopyOut(const TPiece* pieces, size_t count) const {
    if (!Base) return false;
    for (size_t i = 0; i < count; ++i)
        if (pieces[i].Offset < 0 || pieces[i].Offset > Size || int64_t(pieces[i].Length) > Size - pieces[i].Offset)
            return false;
    sigjmp_buf jump;
    if (sigsetjmp(jump, 1)) return false;  // the file was cut shorter during the copy
    CopyOutJump = &jump;
    std::atomic_signal_fence(std::memory_order_seq_cst);  // the copies stay inside
    CopyPieces(Base, pieces, count);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    CopyOutJump = nullptr;
    return true;
}

namespace {

// Out of line, so that nothing of the caller's lives across the jump back.
[[gnu::noinline]] void UseBytes(void (*use)(const uint8_t*, size_t, void*), const uint8_t* bytes, size_t n,
                                void* context) {
    use(bytes, n, context);
}

}  // namespace

bool TFileMapping::ReadWith(int64_t offset, size_t length, void (*use)(const uint8_t*, size_t, void*),
                            void* context) const {
    if (!Base || offset < 0 || offset > Size || int64_t(length) > Size - offset) return false;
    sigjmp_buf jump;
    if (sigsetjmp(jump, 1)) return false;  // the file was cut shorter while it was read
    CopyOutJump = &jump;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    UseBytes(use, Base + offset, length, context);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    CopyOutJump = nullptr;
    return true;
}

bool ReadFileLines(const std::string& path, size_t maxLine, uint64_t maxBytes,
                   const std::function<bool(std::string_view)>& line) {
    std::unique_ptr<TFileStream> f;
    try {
        f = std::make_unique<TFileStream>(path, TOpenMode::ReadOnly);
    } catch (const TFileError&) {
        return false;
    }
    std::vector<char> buf(size_t(64) * 1024);
    std::string current;
    bool tooLong = false;  // the line being read is past the bound: it is skipped to its end
    uint64_t left = maxBytes;
    while (left > 0) {
        const size_t n = f->Read(buf.data(), size_t(std::min<uint64_t>(left, buf.size())));
        if (n == 0) break;
        left -= n;
        std::string_view chunk(buf.data(), n);
        for (size_t nl; (nl = chunk.find('\n')) != std::string_view::npos;) {
            const std::string_view part = chunk.substr(0, nl);
            chunk.remove_prefix(nl + 1);
            const bool fits = !tooLong && current.size() + part.size() <= maxLine;
            if (fits && current.empty()) {
                if (!line(part)) return true;
            } else if (fits) {
                current += part;
                if (!line(current)) return true;
            }
            current.clear();
            tooLong = false;
        }
        if (tooLong) continue;
        if (current.size() + chunk.size() > maxLine) {
            current.clear();
            tooLong = true;
        } else {
            current += chunk;
        }
    }
    // A last line without its line end, unless the bound of bytes cut it.
    const bool cut = left == 0 && f->Position() < f->Size();
    if (!tooLong && !current.empty() && !cut) line(current);
    return true;
}

bool ReadFileStart(const std::string& path, size_t maxBytes, std::string& out) {
    out.clear();
    try {
        TFileStream f(path, TOpenMode::ReadOnly);
        const int64_t size = f.Size();
        out.resize(size_t(std::clamp<int64_t>(size, 0, int64_t(maxBytes))));
        out.resize(f.Read(out.data(), out.size()));
        return true;
    } catch (const TFileError&) {
        return false;
    }
}

bool FileExists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

namespace {

// Copies the rest of `in` to `out` from their positions through a buffer.
bool CopyThroughBuffer(int in, int out) {
    std::vector<char> buf(size_t(1) << 20);
    for (;;) {
        ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buf.data() + done, size_t(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            done += w;
        }
    }
}

bool CopyOpenFile(int in, int out) {
    // Inside the kernel where the file system can (as cp does): no bytes pass through here,
    // and file systems that share blocks between files share them. Where it cannot copy
    // these files at all, through a buffer from where it stopped.
    for (;;) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
        if (n > 0) continue;
        if (n == 0) return true;
        if (errno == EINTR) continue;
        if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM ||
            errno == EBADF)
            return CopyThroughBuffer(in, out);
        return false;
    }
}

}  // namespace

bool CopyFile(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    bool ok = ::fstat(in, &st) == 0 && !S_ISDIR(st.st_mode);
    const int out = ok ? ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666) : -1;
    if (out >= 0) {
        struct stat copied {};
        ok = CopyOpenFile(in, out) && ::fstat(out, &copied) == 0 && ::fstat(in, &st) == 0 &&
             copied.st_size == st.st_size;
        ok = ::close(out) == 0 && ok;
    } else {
        ok = false;
    }
    ::close(in);
    return ok;
}

bool RenameFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

namespace {

// Writes a new file beside `path` through `fill` (given its descriptor), flushes it to the disk
// and renames it over `path`; on any failure the temporary file is removed and errno tells why.
// The new file keeps the old one's permissions, or gets 0644.
template <class TFill>
bool ReplaceWhole(const std::string& path, TFill&& fill) {
    std::string tmp = path + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false;
    struct stat st {};
    ::fchmod(fd, ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    errno = 0;
    bool ok = fill(fd) && ::fsync(fd) == 0;
    int err = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(tmp.c_str(), path.c_str()) == 0) return true;
    err = errno ? errno : err;
    ::unlink(tmp.c_str());
    errno = err ? err : EIO;
    return false;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, const std::string& bytes) {
    return ReplaceWhole(path, [&](int fd) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        if (done < bytes.size() && errno == 0) errno = ENOSPC;
        return done == bytes.size();
    });
}

bool CopyFileAtomic(const std::string& from, const std::string& to) {
    // Not blocking: a pipe in place of the file must not hold the caller up.
    const int in = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    bool ok = ::fstat(in, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        errno = EINVAL;
        ok = false;
    }
    ok = ok && ReplaceWhole(to, [&](int out) {
        struct stat copied {};
        if (!CopyOpenFile(in, out) || ::fstat(out, &copied) != 0) return false;
        if (copied.st_size == st.st_size) return true;
        errno = EIO;  // the source changed while it was copied
        return false;
    });
    const int err = errno;
    ::close(in);
    errno = err;
    return ok;
}

void IgnoreFileSizeSignal() { ::signal(SIGXFSZ, SIG_IGN); }

uint32_t GetTickCount() {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void YieldBriefly() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }

}  // namespace vx
