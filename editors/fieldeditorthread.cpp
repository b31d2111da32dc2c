#include "editors/fieldeditorthread.h"

#include "common/errortext.h"
#include "common/rowsshown.h"
#include "common/valuetext.h"
#include "engine/dbf.h"

#include <QThread>

#include <algorithm>
#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <thread>

int TFieldEditorThread::LingerMs = 500;

namespace {

// Runs `work` on a thread of its own from its construction until its destruction.
class TSideThread {
public:
    explicit TSideThread(std::function<void()> work) : Thread(QThread::create(std::move(work))) { Thread->start(); }
    ~TSideThread() { Thread->wait(); }
    TSideThread(const TSideThread&) = delete;
    TSideThread& operator=(const TSideThread&) = delete;

private:
    std::unique_ptr<QThread> Thread;
};

}  // namespace

TFieldEditorThread::TFieldEditorThread(TDBF* dbf, TFieldEditorView* view, QObject* messages)
    : Dbf(dbf), View(view), Messages(messages) {
    if (dbf) Borrows(dbf->Owner, TThreadOwner::TLoan::Whole);
}

void TFieldEditorThread::SetRows(const TDataList* rows) {
    Rows = rows;
    if (rows) Borrows(rows->Owner, TThreadOwner::TLoan::Read);
}

TFieldEditorThread::~TFieldEditorThread() {
    // The job uses the members below until it ends.
    if (Started()) WaitFor();
}

void TFieldEditorThread::SetDeleteFields(const int32_t* indexes, int32_t count) {
    count = std::clamp<int32_t>(count, 0, MaxDeleteFields);
    FieldIndexes.assign(indexes, indexes + (indexes ? count : 0));
}

void TFieldEditorThread::Execute() {
    PostWorkerMessage(Messages, WM_PGSTART);
    try {
        if (!Dbf) throw EDBFError("No table is open!");
        {
            // The records' prints are read under the lock of the change, so that the rows
            // learn the records this change left and nothing another program did after it.
            TDBF::TLockGuard lock(*Dbf, 0);
            // Every record changes: each must still be the one its row shows, since the rows
            // of the new layout are made from the rows' texts.
            std::optional<TRowsShown> shown;
            if (Rows) shown.emplace(*Dbf, Rows->Rows());
            TDBF::TShownScope scope(*Dbf, shown ? &*shown : nullptr);
            switch (Mode) {
            case ModeAddField: AddFieldJob(); break;
            case ModeDeleteFields: DeleteFieldsJob(); break;
            default: throw EDBFError("Unknown structure change!");
            }
            Prints = Dbf->ReadRecordPrints();
        }
        // The window changes the rows and reads the table's new layout.
        GiveBack();
        SyncUpdateMainColumns();
    } catch (...) {
        // The job always ends the same way, so that the progress window always closes.
        Error = CaughtFailure();
    }
    GiveBack();
    NewRows.reset();  // taken by the list, or of a change that failed
    OldRows.reset();
    Success = Error.empty();
    PostWorkerMessage(Messages, WM_PGPROGRESS, 100);
    if (LingerMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(LingerMs));
    Terminate();
    PostWorkerMessage(Messages, WM_PGSTOP);
}

void TFieldEditorThread::Progress(int64_t done, int64_t total) {
    if (total <= 0) return;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == LastPercent) return;
    LastPercent = percent;
    PostWorkerMessage(Messages, WM_PGPROGRESS, percent);
}

void TFieldEditorThread::AddFieldJob() {
    if (FieldDef.Width < 1 || FieldDef.Width > 255 || FieldDef.Decimals < 0 || FieldDef.Decimals > 255)
        throw EDBFError(Dbf->FileName + " - Invalid field length!");
    const std::string expected = ExpectedFieldText();
    bool built = false;
    {
        std::optional<TSideThread> rows;
        if (Rows) rows.emplace([&] { built = FailureOf([&] { BuildRows(expected); }).empty(); });
        const bool added =
            Dbf->AddField(FieldDef.Name, FieldDef.Type, static_cast<uint8_t>(FieldDef.Width),
                          static_cast<uint8_t>(FieldDef.Decimals), FieldDef.FillValue,
                          [this](int64_t recIndex, int64_t count) { Progress(count - recIndex, count); });
        if (!added) throw EDBFError("Fields count can not more than 254.");
    }
    // Every record holds the same value in the new field: its text is read once, as the row
    // loader reads it; the rows built meanwhile are built again in the rare case that it is
    // not the text foreseen.
    FieldText.clear();
    if (Dbf->GetRecordCount() > 0) {
        const int64_t recNo = Dbf->GetCurrentRecNo();
        Dbf->Go(1);
        FieldText = valuetext::DisplayText(*Dbf, *Dbf->GetField(Dbf->FieldCount - 1));
        if (recNo >= 1) Dbf->Go(recNo);
    }
    if (Rows && (!built || FieldText != expected)) BuildRows(FieldText);
}

void TFieldEditorThread::DeleteFieldsJob() {
    if (FieldIndexes.empty()) throw EDBFError("No field to delete!");
    if (!Dbf->RemoveFields(FieldIndexes.data(), static_cast<int32_t>(FieldIndexes.size()),
                           [this](int64_t recIndex, int64_t count) { Progress(recIndex + 1, count); }))
        throw EDBFError("Can not delete every field of a table!");
}

std::string TFieldEditorThread::ExpectedFieldText() const {
    // A memo field shows its memo, which is the fill text in every record.
    if (FieldDef.Type == 'M') return FieldDef.FillValue;
    std::string text;
    FailureOf([&] {
        std::string image = Dbf->NewFieldImage(FieldDef.Type, static_cast<uint8_t>(FieldDef.Width),
                                               static_cast<uint8_t>(FieldDef.Decimals), FieldDef.FillValue);
        TFieldDescriptor desc{};
        desc[11] = static_cast<uint8_t>(FieldDef.Type);
        desc[16] = static_cast<uint8_t>(FieldDef.Width);
        desc[17] = static_cast<uint8_t>(FieldDef.Decimals);
        TField field(desc.data());
        field.SetRecordBuffer(reinterpret_cast<uint8_t*>(image.data()), image.size());
        field.SetVersion(Dbf->GetVersion());
        text = valuetext::DisplayText(*Dbf, field);
    });
    return text;
}

void TFieldEditorThread::BuildRows(std::string_view text) {
    NewRows.reset();
    auto rows = std::make_unique<TRowStore>();
    CopyRowsWithField(*Rows, text, *rows);
    rows->Release();  // for the window, which adopts the rows in TakeRows
    NewRows = std::move(rows);
}

void TFieldEditorThread::SyncUpdateMainColumns() {
    if (View) Synchronize([this] { View->UpdateMainColumns(*this); });
}

// ---- The rows after a change ----

void CopyRowsWithField(const TDataList& from, std::string_view text, TRowStore& to) {
    for (size_t i = 0, n = from.Count(); i < n; ++i) to.DataList.Append(to.Pool.MakeWithField(*from[i], text));
}

