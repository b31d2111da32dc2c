#include "editors/fieldeditorthread.h"

#include "app/errortext.h"
#include "app/valuetext.h"
#include "engine/dbf.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <thread>

int TFieldEditorThread::LingerMs = 500;

TFieldEditorThread::TFieldEditorThread(TDBF* dbf, TFieldEditorView* view, QObject* messages)
    : Dbf(dbf), View(view), Messages(messages) {}

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
        switch (Mode) {
        case ModeAddField: AddFieldJob(); break;
        case ModeDeleteFields: DeleteFieldsJob(); break;
        default: throw EDBFError("Unknown structure change!");
        }
        SyncUpdateMainColumns();
    } catch (...) {
        // The job always ends the same way, so that the progress window always closes.
        Error = CaughtFailure();
    }
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
    const bool added =
        Dbf->AddField(FieldDef.Name, FieldDef.Type, static_cast<uint8_t>(FieldDef.Width),
                      static_cast<uint8_t>(FieldDef.Decimals), FieldDef.FillValue,
                      [this](int64_t recIndex, int64_t count) { Progress(count - recIndex, count); });
    if (!added) throw EDBFError("Fields count can not more than 254.");
    // Every record holds the same value in the new field: its text is read once, as the row
    // loader reads it.
    FieldText.clear();
    if (Dbf->GetRecordCount() > 0) {
        const int64_t recNo = Dbf->GetCurrentRecNo();
        Dbf->Go(1);
        FieldText = valuetext::DisplayText(*Dbf, *Dbf->GetField(Dbf->FieldCount - 1));
        if (recNo >= 1) Dbf->Go(recNo);
    }
}

void TFieldEditorThread::DeleteFieldsJob() {
    if (FieldIndexes.empty()) throw EDBFError("No field to delete!");
    if (!Dbf->RemoveFields(FieldIndexes.data(), static_cast<int32_t>(FieldIndexes.size()),
                           [this](int64_t recIndex, int64_t count) { Progress(recIndex + 1, count); }))
        throw EDBFError("Can not delete every field of a table!");
}

void TFieldEditorThread::SyncUpdateMainColumns() {
    if (View) Synchronize([this] { View->UpdateMainColumns(*this); });
}

// ---- The rows after a change ----

void CopyRowsWithField(const TDataList& from, std::string_view text, TRowStore& to) {
    TRowBuilder b;
    const size_t n = from.Count();
    for (size_t i = 0; i < n; ++i) {
        const TDataRow* row = from[i];
        b.Start(row->Deleted(), row->RecNo());
        for (size_t k = 0; k < row->FieldCount(); ++k) b.Add(row->Text(k));
        b.Add(text);
        to.DataList.Append(to.Pool.Make(b));
    }
}

void CopyRowsWithoutFields(const TDataList& from, const std::vector<int32_t>& indexes, TRowStore& to) {
    TRowBuilder b;
    const size_t n = from.Count();
    for (size_t i = 0; i < n; ++i) {
        const TDataRow* row = from[i];
        b.Start(row->Deleted(), row->RecNo());
        size_t next = 0;  // the next index to leave out
        for (size_t k = 0; k < row->FieldCount(); ++k) {
            while (next < indexes.size() && indexes[next] < static_cast<int32_t>(k)) ++next;
            if (next < indexes.size() && indexes[next] == static_cast<int32_t>(k)) continue;
            b.Add(row->Text(k));
        }
        to.DataList.Append(to.Pool.Make(b));
    }
}
