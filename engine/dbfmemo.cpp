#include "engine/dbfmemo.h"

#include "engine/dbferror.h"
#include "engine/raceseam.h"
#include "platform/filestream.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>

namespace vx {

void (*RacePoint)(const char* point) = nullptr;

namespace {

constexpr uint16_t DbtBlockSize = 512;
constexpr uint32_t FptTextType = 1;
constexpr uint8_t DbtEndByte = 0x1A;
// Head of a dBASE IV memo block: FF FF, then the offset of the text (8) little-endian.
constexpr uint8_t Dbt4Marker[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr int Dbt4HeadSize = 8;
constexpr uint8_t Dbt4EndMark = 0x1F;
constexpr int FptHeadSize = 8;
// A next free block this far past the end of the file is taken as damage, not as reserved
// space, so that a new memo never leaves a hole of gigabytes in the file.
constexpr int64_t MaxAppendGap = 1 << 20;

uint32_t GetBE32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
uint32_t GetLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void PutBE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}
void PutLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Whole blocks needed for `bytes` bytes.
int64_t BlocksFor(int64_t bytes, int64_t blockSize) { return (bytes + blockSize - 1) / blockSize; }

// Text up to its first NUL byte.
void CutAtNul(std::string& text) {
    size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
}

[[noreturn]] void RaiseHeadError() { throw EDBFError("Read memo head error!"); }

// Holds the lock of a memo file's header for a scope, when it was had within the timeout.
class THeaderLock {
public:
    THeaderLock(TFileStream& stream, uint32_t timeout) : Stream(stream) {
        const uint32_t start = GetTickCount();
        while (!(Held = Stream.LockRegion(0, MemoHeaderSize))) {
            const uint32_t now = GetTickCount();
            if ((now >= start ? now - start : 0xFFFFFFFFu - start + now) >= timeout) break;
            YieldBriefly();
        }
    }
    ~THeaderLock() {
        if (Held) Stream.UnlockRegion(0, MemoHeaderSize);
    }
    THeaderLock(const THeaderLock&) = delete;
    THeaderLock& operator=(const THeaderLock&) = delete;
    bool Held = false;

private:
    TFileStream& Stream;
};

// dBASE III memo at `pos`: its bytes before the first end mark 0x1A, or up to the end of the
// file; read 512 bytes at a time, so never more than the file holds. Appends them to `text`
// when given. False on a read error.
bool ScanDbtText(TFileStream& stream, int64_t pos, int64_t size, int64_t& length, std::string* text) {
    length = 0;
    uint8_t chunk[DbtBlockSize];
    for (int64_t at = pos; at < size;) {
        size_t want = size_t(std::min<int64_t>(DbtBlockSize, size - at));
        if (!stream.ReadAt(at, chunk, want)) return false;
        const void* end = std::memchr(chunk, DbtEndByte, want);
        size_t take = end ? size_t(static_cast<const uint8_t*>(end) - chunk) : want;
        if (text) text->append(reinterpret_cast<const char*>(chunk), take);
        length += int64_t(take);
        if (end) break;
        at += int64_t(want);
    }
    return true;
}

}  // namespace

TMemoLayout MemoLayoutOfVersion(uint8_t version) {
    switch (version) {
    case 0x30: case 0x31: case 0xF5: return TMemoLayout::FPT;
    case 0x03: case 0x83: return TMemoLayout::DBT3;
    case 0x8B: case 0xCB: return TMemoLayout::DBT4;
    default: return TMemoLayout::None;
    }
}

const char* MemoFileExtension(TMemoLayout layout) {
    switch (layout) {
    case TMemoLayout::FPT: return ".fpt";
    case TMemoLayout::DBT3: case TMemoLayout::DBT4: return ".dbt";
    default: return "";
    }
}

TDBFMemo::TDBFMemo() = default;

TDBFMemo::~TDBFMemo() { Close(); }

void TDBFMemo::SetFileName(const std::string& name) { FileName = name; }

void TDBFMemo::SetVersion(uint8_t version) {
    Version = version;
    Layout = MemoLayoutOfVersion(version);
}

void TDBFMemo::SetLayout(TMemoLayout layout) { Layout = layout; }

bool TDBFMemo::StillAtPath() const { return Stream && Stream->StillAtPath(); }

TPathState TDBFMemo::PathState() const { return Stream ? Stream->PathState() : TPathState::Missing; }

int64_t TDBFMemo::GetFileSize() const {
    if (!Stream) return 0;
    int64_t size = Stream->Size();
    return size < 0 ? 0 : size;
}

int32_t TDBFMemo::GetNextBlock() const {
    uint32_t v = Layout == TMemoLayout::FPT ? GetBE32(Header.data()) : GetLE32(Header.data());
    return static_cast<int32_t>(v);
}

void TDBFMemo::SetNextBlock(int32_t block) {
    if (Layout == TMemoLayout::FPT)
        PutBE32(Header.data(), static_cast<uint32_t>(block));
    else
        PutLE32(Header.data(), static_cast<uint32_t>(block));
}

uint16_t TDBFMemo::GetBlockSize() const {
    switch (Layout) {
    case TMemoLayout::FPT:
        return static_cast<uint16_t>((Header[6] << 8) | Header[7]);
    case TMemoLayout::DBT4: {
        uint16_t size = static_cast<uint16_t>(Header[20] | (Header[21] << 8));
        return size == 0 ? DbtBlockSize : size;
    }
    default:
        return DbtBlockSize;
    }
}

bool TDBFMemo::CreateMemoFile() {
    if (Opened && ReadOnly) return false;
    std::array<uint8_t, MemoHeaderSize> head{};
    switch (Layout) {
    case TMemoLayout::FPT:
        PutBE32(head.data(), 8);
        head[6] = 0;
        head[7] = 64;
        break;
    case TMemoLayout::DBT4: {
        PutLE32(head.data(), 1);
        // Bytes 8..15 name the table (file name without extension); 20..21 the block size.
        std::string stem = std::filesystem::path(FileName).stem().string();
        std::memcpy(head.data() + 8, stem.data(), std::min<size_t>(stem.size(), 8));
        head[20] = uint8_t(DbtBlockSize & 0xFF);
        head[21] = uint8_t(DbtBlockSize >> 8);
        break;
    }
    default:  // dBASE III layout, also for versions without a layout of their own
        PutLE32(head.data(), 1);
        break;
    }
    try {
        if (FileExists(FileName)) DeleteFile(FileName);
        TFileStream file(FileName, TOpenMode::Create);
        return file.WriteAt(0, head.data(), head.size());
    } catch (...) {
        return false;
    }
}

void TDBFMemo::Open(bool readOnly) {
    if (Opened) return;
    auto stream = std::make_unique<TFileStream>(FileName, readOnly ? TOpenMode::ReadOnly : TOpenMode::ReadWrite);
    Stream = std::move(stream);
    ReadOnly = readOnly;
    try {
        ReadHeader();
    } catch (...) {
        Stream.reset();
        ReadOnly = false;
        throw;
    }
    Opened = true;
}

void TDBFMemo::Close() {
    if (!Opened && !Stream) return;
    Opened = false;
    ReadOnly = false;
    Stream.reset();
}

void TDBFMemo::ReadHeader() {
    if (!Stream || !Stream->ReadAt(0, Header.data(), Header.size())) RaiseHeadError();
}

bool TDBFMemo::WriteHeader() {
    if (!Stream || ReadOnly) return false;
    return Stream->WriteAt(0, Header.data(), Header.size());
}

void TDBFMemo::ReadMemo(int32_t block, bool& ok, std::string& text) {
    text.clear();
    ReadWhole = block == NoMemoBlock;
    if (block == NoMemoBlock) return;
    ok = false;
    if (!Opened || !Stream || block < 0) return;
    const int64_t size = Stream->Size();
    const int64_t blockSize = GetBlockSize();
    if (size < 0 || blockSize == 0) return;
    const int64_t pos = int64_t(block) * blockSize;
    // Memos live after the header and start inside the file.
    if (pos < MemoHeaderSize || pos >= size) return;
    const int64_t room = size - pos;  // bytes from the memo's start to the end of the file

    bool textBlock = true;
    try {
        switch (Layout) {
        case TMemoLayout::FPT: {
            uint8_t head[FptHeadSize];
            if (room < FptHeadSize || !Stream->ReadAt(pos, head, sizeof head)) return;
            BlockType = GetBE32(head);
            BlockLength = GetBE32(head + 4);
            if (BlockType != FptTextType) {
                textBlock = false;
                break;
            }
            if (int64_t(BlockLength) > room - FptHeadSize) return;
            text.resize(BlockLength);
            if (!Stream->ReadAt(pos + FptHeadSize, text.data(), text.size())) {
                text.clear();
                return;
            }
            break;
        }
        case TMemoLayout::DBT4: {
            uint8_t head[Dbt4HeadSize];
            if (room < Dbt4HeadSize || !Stream->ReadAt(pos, head, sizeof head)) return;
            if (std::memcmp(head, Dbt4Marker, sizeof Dbt4Marker) != 0) {  // not a text block
                textBlock = false;
                break;
            }
            const uint32_t length = GetLE32(head + 4);
            if (length < Dbt4HeadSize || int64_t(length) > room) return;
            text.resize(length - Dbt4HeadSize);
            if (!Stream->ReadAt(pos + Dbt4HeadSize, text.data(), text.size())) {
                text.clear();
                return;
            }
            break;
        }
        default: {  // dBASE III: the text runs to the first 0x1A or to the end of the file
            int64_t length = 0;
            if (!ScanDbtText(*Stream, pos, size, length, &text)) {
                text.clear();
                return;
            }
            break;
        }
        }
    } catch (...) {
        text.clear();
        return;
    }
    const size_t read = text.size();
    CutAtNul(text);
    ReadWhole = textBlock && text.size() == read;
    ok = true;
}

int32_t TDBFMemo::WriteMemo(int32_t block, const std::string& text) {
    if (text.empty()) return NoMemoBlock;
    if (!Opened || !Stream || ReadOnly || !Stream->StillAtPath()) return NoMemoBlock;
    try {
        const int64_t size = Stream->Size();
        const int64_t blockSize = GetBlockSize();
        if (size < MemoHeaderSize || blockSize == 0) return NoMemoBlock;
        const int64_t length = int64_t(text.size());
        if (length > int64_t(std::numeric_limits<uint32_t>::max()) - Dbt4HeadSize) return NoMemoBlock;

        // The bytes of the memo as stored, padded to whole blocks.
        uint32_t fptType = FptTextType;
        auto image = [&](int64_t blocks) {
            std::string out(size_t(blocks * blockSize), '\0');
            switch (Layout) {
            case TMemoLayout::FPT:
                PutBE32(reinterpret_cast<uint8_t*>(out.data()), fptType);
                PutBE32(reinterpret_cast<uint8_t*>(out.data()) + 4, uint32_t(length));
                out.replace(FptHeadSize, text.size(), text);
                break;
            case TMemoLayout::DBT4:
                std::memcpy(out.data(), Dbt4Marker, sizeof Dbt4Marker);
                PutLE32(reinterpret_cast<uint8_t*>(out.data()) + 4, uint32_t(length + Dbt4HeadSize));
                out.replace(Dbt4HeadSize, text.size(), text);
                // Beyond its length, where the blocks have room: the end mark that dBASE IV
                // leaves after a text and that readers which read past the length stop at.
                if (out.size() > Dbt4HeadSize + text.size()) out[Dbt4HeadSize + text.size()] = char(Dbt4EndMark);
                break;
            default:
                out.replace(0, text.size(), text);
                out[text.size()] = char(DbtEndByte);
                break;
            }
            return out;
        };
        const int64_t overhead = Layout == TMemoLayout::FPT    ? FptHeadSize
                                 : Layout == TMemoLayout::DBT4 ? Dbt4HeadSize
                                                               : 1;
        const int64_t newBlocks = BlocksFor(length + overhead, blockSize);

        // An existing memo that lies wholly in the file and has room for the text is rewritten
        // where it is; otherwise the text goes to new blocks.
        if (block >= 0) {
            const int64_t pos = int64_t(block) * blockSize;
            int64_t oldBlocks = 0;
            if (pos >= MemoHeaderSize && pos < size) {
                const int64_t room = size - pos;
                uint8_t head[8];
                switch (Layout) {
                case TMemoLayout::FPT:
                    if (room >= FptHeadSize && Stream->ReadAt(pos, head, sizeof head)) {
                        const int64_t oldLength = GetBE32(head + 4);
                        if (oldLength <= room - FptHeadSize) {
                            fptType = GetBE32(head);
                            oldBlocks = BlocksFor(oldLength + FptHeadSize, blockSize);
                        }
                    }
                    break;
                case TMemoLayout::DBT4:
                    if (room >= Dbt4HeadSize && Stream->ReadAt(pos, head, sizeof head) &&
                        std::memcmp(head, Dbt4Marker, sizeof Dbt4Marker) == 0) {
                        const int64_t oldLength = GetLE32(head + 4);
                        if (oldLength >= Dbt4HeadSize && oldLength <= room)
                            oldBlocks = BlocksFor(oldLength, blockSize);
                    }
                    break;
                default: {
                    int64_t oldLength = 0;
                    if (ScanDbtText(*Stream, pos, size, oldLength, nullptr))
                        oldBlocks = BlocksFor(oldLength + 1, blockSize);
                    break;
                }
                }
            }
            if (oldBlocks > 0 && newBlocks <= oldBlocks) {
                std::string bytes = image(newBlocks);
                // The blocks of a memo at the end of the file may reach past it: that part is
                // written first, so that a full disk or a size limit fails the write before a
                // byte of the old text is touched (and the file is cut back to its old end).
                const int64_t inside = std::min<int64_t>(int64_t(bytes.size()), size - pos);
                if (inside < int64_t(bytes.size()) &&
                    !Stream->WriteAt(size, bytes.data() + inside, bytes.size() - size_t(inside))) {
                    Stream->SetSize(size);
                    return NoMemoBlock;
                }
                if (Layout == TMemoLayout::FPT) {
                    // Text first, then the head with the new length.
                    if (inside > FptHeadSize &&
                        !Stream->WriteAt(pos + FptHeadSize, bytes.data() + FptHeadSize, size_t(inside) - FptHeadSize))
                        return NoMemoBlock;
                    if (!Stream->WriteAt(pos, bytes.data(), FptHeadSize)) return NoMemoBlock;
                } else if (!Stream->WriteAt(pos, bytes.data(), size_t(inside))) {
                    return NoMemoBlock;
                }
                return block;
            }
        }

        // New blocks, under the header's lock with the header and size as they are now. The
        // next free block of the header is used unless it points back into the file (which
        // would overwrite memos) or far beyond its end.
        THeaderLock lock(*Stream, LockTimeout);
        if (!lock.Held) return NoMemoBlock;
        ReadHeader();
        const int64_t sizeNow = Stream->Size();
        if (sizeNow < MemoHeaderSize || GetBlockSize() != blockSize) return NoMemoBlock;
        const int64_t endBlock = BlocksFor(sizeNow, blockSize);
        int64_t next = GetNextBlock();
        AtRacePoint("memo-block");
        if (next < endBlock || next * blockSize - sizeNow > MaxAppendGap) next = endBlock;
        if (next + newBlocks > std::numeric_limits<int32_t>::max()) return NoMemoBlock;
        std::string bytes = image(newBlocks);
        const std::array<uint8_t, MemoHeaderSize> headerBefore = Header;
        SetNextBlock(int32_t(next + newBlocks));
        if (!Stream->WriteAt(next * blockSize, bytes.data(), bytes.size()) || !WriteHeader()) {
            // Nothing of a memo that was not stored stays: the file goes back to its old end
            // and its header to what it said.
            Stream->SetSize(sizeNow);
            Header = headerBefore;
            WriteHeader();
            return NoMemoBlock;
        }
        return int32_t(next);
    } catch (...) {
        return NoMemoBlock;
    }
}

}  // namespace vx
