#include "editors/recordwriter.h"

#include "common/rowsshown.h"
#include "common/valuetext.h"
#include "common/workthread.h"
#include "engine/dbf.h"
#include "engine/dbfmemo.h"

#include <string>

namespace recedit {

namespace {

bool AnythingToStore(const std::vector<TFieldWrite>& writes) {
    for (const TFieldWrite& w : writes)
        if (w.Op != TFieldWrite::TOp::Keep) return true;
    return false;
}

// Moves to a record that must exist.
void GoExisting(TDBF& dbf, uint32_t recNo) {
    dbf.Go(recNo);
    if (dbf.GetEof() || dbf.GetCurrentRecNo() != int64_t(recNo))
        throw EDBFError(dbf.FileName + "Record number overstep range(" + std::to_string(recNo) + ")");
}

// Stores the memo texts in the memo file; returns the block of each write (NoMemoBlock for
// the others). `existing`: the current record is the one being rewritten, so a memo it holds
// is rewritten in place when the text fits; a memo that cannot be read is left alone and the
// text gets blocks of its own.
std::vector<int32_t> WriteMemos(TDBF& dbf, const std::vector<TFieldWrite>& writes, bool existing) {
    dbf.CheckFilesInPlace();  // a memo written for a table that is gone would be lost
    std::vector<int32_t> blocks(writes.size(), vx::NoMemoBlock);
    std::string scratch;
    for (size_t i = 0; i < writes.size(); ++i) {
        const TFieldWrite& w = writes[i];
        if (w.Op != TFieldWrite::TOp::Memo) continue;
        if (!dbf.GetMemoOpened())
            throw EDBFError(dbf.GetMemoFileName() + " - The memo file is not open!");
        vx::TDBFMemo& memo = dbf.GetMemoObject();
        int32_t old = vx::NoMemoBlock;
        if (existing) {
            old = dbf.GetField(w.Field)->GetMemoBlock();
            bool ok = true;
            memo.ReadMemo(old, ok, scratch);
            if (!ok) old = vx::NoMemoBlock;
        }
        blocks[i] = memo.WriteMemo(old, w.Bytes);
        if (!w.Bytes.empty() && blocks[i] == vx::NoMemoBlock)
            throw EDBFError(dbf.GetMemoFileName() + " - Error in write memo!");
    }
    return blocks;
}

void Store(TDBF& dbf, const std::vector<TFieldWrite>& writes, const std::vector<int32_t>& blocks) {
    for (size_t i = 0; i < writes.size(); ++i) {
        const TFieldWrite& w = writes[i];
        TField* f = dbf.GetField(w.Field);
        if (!f) continue;
        switch (w.Op) {
        case TFieldWrite::TOp::Keep: break;
        case TFieldWrite::TOp::Blank: f->SetBlank(); break;
        case TFieldWrite::TOp::String: f->SetAsString(w.Bytes); break;
        case TFieldWrite::TOp::Currency: f->SetAsCurrency(w.Integer); break;
        case TFieldWrite::TOp::Integer: f->SetAsInteger(static_cast<int32_t>(w.Integer)); break;
        case TFieldWrite::TOp::Double: f->SetAsDouble(w.Double); break;
        case TFieldWrite::TOp::DateTime: f->SetAsDateTime(w.DateTime); break;
        case TFieldWrite::TOp::Memo: f->SetMemoBlock(blocks[i]); break;
        }
    }
}

// Posts the new record and returns its number.
uint32_t PostNew(TDBF& dbf, const std::vector<TFieldWrite>& writes, const std::vector<int32_t>& blocks) {
    Store(dbf, writes, blocks);
    dbf.Post();
    const auto recNo = static_cast<uint32_t>(dbf.GetCurrentRecNo());
    dbf.SetDeleted(false);
    return recNo;
}

}  // namespace

TRow MakeRow(TDBF& dbf, TRowPool& pool, uint32_t recNo) {
    GoExisting(dbf, recNo);
    TRowBuilder b;
    std::string scratch;
    BuildRecordRow(dbf, recNo, b, scratch);
    return pool.Make(b);
}

void GoShown(TDBF& dbf, TRow row) {
    TRowsShown shown(dbf, std::vector<TRow>{row});
    shown.CompareAllMemoTexts();
    TDBF::TShownScope scope(dbf, &shown);
    dbf.Go(row->RecNo());
    if (dbf.GetEof() || dbf.GetCurrentRecNo() != int64_t(row->RecNo())) throw EDBFRecordsChanged(dbf.FileName);
    dbf.CheckCurrentShown(row->RecNo());
}

TRow WriteEdit(TDBF& dbf, TRowStore& rows, TRow row, const std::vector<TFieldWrite>& writes,
               const std::string& asShown) {
    const uint32_t recNo = row->RecNo();
    // The record and its memo texts are compared and written under one lock, so that a memo
    // is written only over the text the form showed.
    TDBF::TLockGuard lock(dbf, 0);
    if (!AnythingToStore(writes)) {
        GoExisting(dbf, recNo);
        return row;
    }
    GoShown(dbf, row);
    dbf.CheckRecordAsShown(asShown);  // before any memo is written
    const std::vector<int32_t> blocks = WriteMemos(dbf, writes, true);
    dbf.Edit();
    Store(dbf, writes, blocks);
    dbf.Post();
    TRow fresh = MakeRow(dbf, rows.Pool, recNo);
    rows.ReplaceRow(row, fresh);
    return fresh;
}

TRow WriteAppend(TDBF& dbf, TRowStore& rows, const std::vector<TFieldWrite>& writes) {
    // A table whose layout another program changed refuses before a memo is written.
    TDBF::TLockGuard lock(dbf, 0);
    dbf.ReadRecordCount();
    const std::vector<int32_t> blocks = WriteMemos(dbf, writes, false);
    dbf.Append();
    const uint32_t recNo = PostNew(dbf, writes, blocks);
    TRow fresh = MakeRow(dbf, rows.Pool, recNo);
    rows.AppendRow(fresh);
    return fresh;
}

TRow WriteInsert(TDBF& dbf, TRowStore& rows, TRow before, const std::vector<TFieldWrite>& writes) {
    if (!before) return WriteAppend(dbf, rows, writes);
    const uint32_t at = before->RecNo();
    TDBF::TLockGuard lock(dbf, 0);  // the record inserted before stays as compared
    GoShown(dbf, before);
    const std::vector<int32_t> blocks = WriteMemos(dbf, writes, false);
    dbf.Insert();
    const uint32_t recNo = PostNew(dbf, writes, blocks);
    rows.ShiftForInsert(recNo);
    TRow fresh = MakeRow(dbf, rows.Pool, recNo);
    rows.InsertRowBefore(before, fresh);
    return fresh;
}

}  // namespace recedit
