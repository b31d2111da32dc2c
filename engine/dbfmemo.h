// The memo file beside a table: ".fpt" (FoxPro) or ".dbt" (dBASE III and dBASE IV layouts).
// Holds the texts of M fields and the contents of G and P fields; the table keeps only block
// numbers. Memo reads and writes never raise: they report failure through a flag or the
// block number NoMemoBlock. Bytes are kept as they stand (no code-page translation).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace vx {

class TFileStream;
enum class TPathState;

// Block number meaning "no memo" on every interface.
constexpr int32_t NoMemoBlock = -1;

// Size of the header at the start of every memo file.
constexpr int MemoHeaderSize = 512;

// How a memo file is laid out.
enum class TMemoLayout {
    None,  // the table version has no memo file
    FPT,   // ".fpt": big-endian header with block size at bytes 6..7; block head type + length
    DBT3,  // ".dbt" dBASE III: 512-byte blocks; text ends with 0x1A
    DBT4,  // ".dbt" dBASE IV: block size at header bytes 20..21 (512 when 0); block head
           // FF FF 08 00 and a 4-byte little-endian length that counts the 8-byte head
};

// Layout that a table version byte uses: 0x30, 0x31, 0xF5 -> FPT; 0x03, 0x83 -> DBT3;
// 0x8B, 0xCB -> DBT4; anything else -> None.
TMemoLayout MemoLayoutOfVersion(uint8_t version);

// File name extension of a layout, with the dot: ".fpt", ".dbt", or "" for None.
const char* MemoFileExtension(TMemoLayout layout);

class TDBFMemo {
public:
    TDBFMemo();
    ~TDBFMemo();  // closes the file
    TDBFMemo(const TDBFMemo&) = delete;
    TDBFMemo& operator=(const TDBFMemo&) = delete;

    void SetFileName(const std::string& name);
    const std::string& GetFileName() const { return FileName; }

    // Sets the table's version byte; this also selects the layout (MemoLayoutOfVersion).
    void SetVersion(uint8_t version);
    uint8_t GetVersion() const { return Version; }
    // Chooses the layout directly (after SetVersion, which sets it from the version byte).
    void SetLayout(TMemoLayout layout);
    TMemoLayout GetLayout() const { return Layout; }

    bool GetOpened() const { return Opened; }
    bool GetReadOnly() const { return ReadOnly; }
    // The open file is still the one the name names (not deleted or replaced); false when no
    // file is open.
    bool StillAtPath() const;
    // Where the name stands against the open file (see TFileStream::PathState); Missing when no
    // file is open.
    TPathState PathState() const;

    // Milliseconds a new memo waits for the lock of the memo file's header.
    void SetLockTimeout(uint32_t ms) { LockTimeout = ms; }

    // Size of the open file in bytes; 0 when no file is open.
    int64_t GetFileSize() const;

    // Next free block number of the header image (big-endian for FPT, little-endian for DBT).
    // SetNextBlock changes only the image; WriteHeader stores it.
    int32_t GetNextBlock() const;
    void SetNextBlock(int32_t block);

    // Block size: FPT header bytes 6..7; DBT3 512; DBT4 header bytes 20..21 (512 when 0).
    uint16_t GetBlockSize() const;

    // Deletes an existing file of the name and writes a new one holding only its header
    // (FPT: next free block 8, block size 64; DBT3: next free block 1; DBT4: next free
    // block 1, block size 512). The header image and Opened stay as they were. Never raises;
    // false when the file could not be written.
    bool CreateMemoFile();

    // Opens FileName (read/write, or read-only) and reads the header; nothing when already
    // open. Raises when the file cannot be opened or is shorter than its header ("Read memo
    // head error!"). A memo file opened read-only is never written.
    void Open(bool readOnly = false);
    void Close();

    // Reads the 512-byte header into the image; raises "Read memo head error!" when short.
    void ReadHeader();
    // Writes the header image at offset 0; false when nothing was written (no file, read-only,
    // or a write error).
    bool WriteHeader();
    // The header image.
    const std::array<uint8_t, MemoHeaderSize>& GetHeader() const { return Header; }

    // Reads the memo at `block` into `text` (up to its first NUL byte). NoMemoBlock gives the
    // empty text and leaves ok unchanged; otherwise ok becomes true on success, and false
    // (with the empty text) on any failure, including block numbers, lengths or block sizes
    // that do not fit the file.
    void ReadMemo(int32_t block, bool& ok, std::string& text);

    // Stores `text` as the memo at `block` (NoMemoBlock for a new memo) and returns the block
    // it now lives at: the same block when the text fits the old memo's blocks, else new
    // blocks at the end of the file (the old ones are abandoned). New blocks are taken under a
    // lock of the memo file's header, with the next free block read afresh and written back
    // before the lock is released, so that programs sharing the file never take the same
    // block. The empty text returns NoMemoBlock and writes nothing. Any failure (also a
    // file that was deleted or replaced since it was opened, or a lock not had in time)
    // returns NoMemoBlock.
    int32_t WriteMemo(int32_t block, const std::string& text);

    // Type and data length of the FPT memo read last.
    uint32_t GetBlockType() const { return BlockType; }
    uint32_t GetBlockLength() const { return BlockLength; }
    // Whether the memo read last came whole: no memo at all, or a text read to its end. A block
    // of another type than text reads as the empty text, and a NUL byte ends a text early.
    bool GetReadWhole() const { return ReadWhole; }

private:
    std::array<uint8_t, MemoHeaderSize> Header{};
    std::unique_ptr<TFileStream> Stream;
    std::string FileName;
    uint8_t Version = 0;
    TMemoLayout Layout = TMemoLayout::None;
    bool Opened = false;
    bool ReadOnly = false;
    uint32_t BlockType = 0;
    uint32_t BlockLength = 0;
    uint32_t LockTimeout = 4000;
    bool ReadWhole = true;
};

}  // namespace vx
