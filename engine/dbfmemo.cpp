#include "engine/dbfmemo.h"

#include "platform/filestream.h"

#include <stdexcept>

namespace vx {

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
void TDBFMemo::SetVersion(uint8_t version) { Version = version; Layout = MemoLayoutOfVersion(version); }
void TDBFMemo::SetLayout(TMemoLayout layout) { Layout = layout; }
int64_t TDBFMemo::GetFileSize() const { return 0; }
int32_t TDBFMemo::GetNextBlock() const { return 0; }
void TDBFMemo::SetNextBlock(int32_t) {}
uint16_t TDBFMemo::GetBlockSize() const { return 512; }
bool TDBFMemo::CreateMemoFile() { return false; }
void TDBFMemo::Open(bool) {}
void TDBFMemo::Close() { Opened = false; Stream.reset(); }
void TDBFMemo::ReadHeader() {}
bool TDBFMemo::WriteHeader() { return false; }
void TDBFMemo::ReadMemo(int32_t, bool&, std::string& text) { text.clear(); }
int32_t TDBFMemo::WriteMemo(int32_t, const std::string&) { return NoMemoBlock; }

}  // namespace vx
