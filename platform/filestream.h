// File access for the table engine: a byte stream over one open file description with 64-bit
// offsets and non-blocking byte-range locks, plus a few file-system helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vx {

// Raised when a file cannot be created or opened; carries the operating system's reason.
class TFileError : public std::runtime_error {
public:
    TFileError(const std::string& what, int err) : std::runtime_error(what), Errno(err) {}
    int Errno;
};

enum class TOpenMode {
    Create,     // create or truncate, read/write
    ReadOnly,   // existing file, read only
    ReadWrite,  // existing file, read/write
};

enum class TSeekOrigin { Begin, Current, End };

// Where a stream's path stands against the file the stream has open.
enum class TPathState {
    Same,     // the path still names that file
    Missing,  // nothing the program can reach is at the path: the file was deleted or renamed away
    Other,    // another file is at the path: the file was replaced
};

// One open file. Every stream has its own open file description, so its byte-range locks
// exclude those of any other stream on the same file, in this process or another (the
// locks of two handles on one file behave the same way on the format's home platform).
// Sharing is deny-none: other streams may open, read and write the file meanwhile.
class TFileStream {
public:
    // Opens only a regular file: anything else (a folder, a named pipe, a device) is refused
    // without waiting for it and without touching it; so is a path that cannot be opened.
    TFileStream(const std::string& path, TOpenMode mode);  // throws TFileError
    ~TFileStream();
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    const std::string& FileName() const { return Path; }
    bool Writable() const { return CanWrite; }

    // Moves the position and returns the new one; -1 when the offset is not valid.
    int64_t Seek(int64_t offset, TSeekOrigin origin = TSeekOrigin::Begin);
    int64_t Position() const { return Pos; }
    int64_t Size() const;  // -1 on failure

    // Read and Write transfer up to n bytes at the position, advance it and return the count
    // actually transferred (short at end of file, on a full disk, or on an error).
    size_t Read(void* buffer, size_t n);
    size_t Write(const void* buffer, size_t n);
    // Reads exactly n bytes at offset; false when fewer are there.
    bool ReadAt(int64_t offset, void* buffer, size_t n);
    // The same without moving the position: several threads may call it at once.
    bool ReadAtConcurrently(int64_t offset, void* buffer, size_t n) const;
    bool WriteAt(int64_t offset, const void* buffer, size_t n);

    // Sets the file's length (truncating or extending with zero bytes); false on failure.
    bool SetSize(int64_t size);
    bool Flush();

    // Exclusive lock of [offset, offset + length): one non-blocking attempt, true when granted.
    bool LockRegion(uint64_t offset, uint64_t length);
    bool UnlockRegion(uint64_t offset, uint64_t length);

    // True while the stream's path still names the file the stream has open (same device and
    // inode): false once that file was deleted, or renamed away, or replaced by another file.
    bool StillAtPath() const { return PathState() == TPathState::Same; }
    // Which of those it is; asks the file system each time.
    TPathState PathState() const;

private:
    friend class TFileMapping;
    std::string Path;
    int Fd = -1;
    int64_t Pos = 0;
    bool CanWrite = false;
};

// The first bytes of an open file mapped into memory for reading, for readers that pick many
// small pieces out of a large file in any order: a piece costs a copy, not a system call.
// The mapping stays valid after the stream closes. Another program may cut the file shorter
// meanwhile: CopyOut then fails instead of letting the process die of the bus error, except
// that the bytes past the new end within its last page read as zeros (check the file's size
// first where that matters).
class TFileMapping {
public:
    // Maps [0, length); Valid() is false when the file could not be mapped.
    TFileMapping(const TFileStream& stream, int64_t length);
    ~TFileMapping();
    TFileMapping(const TFileMapping&) = delete;
    TFileMapping& operator=(const TFileMapping&) = delete;

    bool Valid() const { return Base != nullptr; }
    int64_t Length() const { return Size; }

    struct TPiece {
        int64_t Offset;
        void* Dest;
        size_t Length;
    };
    // Copies each piece's bytes of the file to its Dest. False, with the pieces so far
    // copied, when a piece lies beyond the mapping or in a page the file no longer reaches.
    bool CopyOut(const TPiece* pieces, size_t count) const;

    // Hands use(bytes, length) the bytes [offset, offset + length) of the file in place, without
    // a copy. False when they lie beyond the mapping, or when the file was cut shorter while
    // `use` read them: `use` then stops wherever it was. So it must only read the bytes and
    // write to memory its caller holds: no allocation, no lock, no exception. Any thread may
    // read a mapping at once.
    template <class Use>
    bool Read(int64_t offset, size_t length, Use& use) const {
        return ReadWith(offset, length, [](const uint8_t* bytes, size_t n, void* u) { (*static_cast<Use*>(u))(bytes, n); },
                        &use);
    }

private:
    bool ReadWith(int64_t offset, size_t length, void (*use)(const uint8_t*, size_t, void*), void* context) const;

    const uint8_t* Base = nullptr;
    int64_t Size = 0;
};

// True when the path names a regular file (following symbolic links).
bool IsRegularFile(const std::string& path);

// Reads a text file line by line: each line goes to `line` without its '\n' (a '\r' before
// it stays), until `line` returns false. A line longer than `maxLine` bytes is skipped without
// ever being held whole; reading stops after `maxBytes` bytes of the file (a line that bound
// cuts is dropped). False when the file cannot be opened (as TFileStream opens files).
bool ReadFileLines(const std::string& path, size_t maxLine, uint64_t maxBytes,
                   const std::function<bool(std::string_view)>& line);
// The first bytes of a file, at most `maxBytes`, into `out`; false when it cannot be opened
// (as TFileStream opens files).
bool ReadFileStart(const std::string& path, size_t maxBytes, std::string& out);

bool FileExists(const std::string& path);
bool DeleteFile(const std::string& path);
bool CopyFile(const std::string& from, const std::string& to);  // overwrites `to`
bool RenameFile(const std::string& from, const std::string& to);
// Replaces the file's contents with `bytes` as one step: writes a temporary file beside it,
// flushes it to the disk and renames it into place, so that a full disk or a crash leaves the
// old file as it was. Keeps the old file's permissions. False (with errno set) on failure.
bool WriteFileAtomic(const std::string& path, const std::string& bytes);
// Copies the regular file `from` to `to` the same way: written whole under a temporary name
// beside `to`, then renamed into place (replacing a file of that name). A failed copy leaves
// nothing behind. False (with errno set) when `from` is no regular file or the copy failed.
bool CopyFileAtomic(const std::string& from, const std::string& to);

// Makes a write that would pass the process's file-size limit fall short like any other
// failed write, instead of the system ending the process with its signal. Called once at start.
void IgnoreFileSizeSignal();

// Milliseconds since an arbitrary start, wrapping at 2^32 like the platform's tick count.
uint32_t GetTickCount();

// Gives the processor to another thread for a moment (used between lock attempts).
void YieldBriefly();

}  // namespace vx
