#include "common/workthread.h"

#include "common/valuetext.h"
#include "engine/dbf.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <QCoreApplication>

#include <exception>

std::string OnShowTotalText(size_t shown, size_t total) {
    return "OnShow/Total:" + std::to_string(shown) + "/" + std::to_string(total);
}

std::string LoadingText(size_t rows, size_t total) {
    return "Loading.. [" + std::to_string(rows) + "/" + std::to_string(total) + "]";
}

TWorkThread::TWorkThread(TDBF* dbf, TRowStore* rows, TLoadView* view, QObject* messages)
    : Queued(std::make_shared<TViewQueue>()), Dbf(dbf), Rows(rows), View(view), Messages(messages) {
    Queued->View = view;
    // The table is the loader's alone while it runs; the window reads the rows meanwhile.
    if (dbf) Borrows(dbf->Owner, TThreadOwner::TLoan::Whole);
    if (rows) {
        Borrows(rows->Pool.Owner, TThreadOwner::TLoan::Append);
        Borrows(rows->DataList.Owner, TThreadOwner::TLoan::Append);
    }
    if (QCoreApplication::instance()) QueueWaker = NewWaker([q = Queued] { q->Run(); });
}

TWorkThread::~TWorkThread() {
    // Stop and wait here, while the members the job uses still exist.
    if (Started()) {
        Terminate();
        WaitFor();
    }
    delete QueueWaker;
    std::lock_guard<std::mutex> g(Queued->Mutex);
    Queued->View = nullptr;
    Queued->Calls.clear();
}

void TWorkThread::Execute() {
    PostWorkerMessage(Messages, WM_WORKSTART);
    try {
        DoWork();
    } catch (const std::exception& e) {
        // A load that fails part-way keeps the rows it has and ends like a stopped one, so
        // that the window does not wait for it for good.
        std::string text = e.what();
        try {
            const size_t rows = Rows ? Rows->DataList.Count() : 0;
            if (Mode == ModeLoadExcel) {
                SyncSetStatus(ImportTotalText(rows));
                SyncSetItemCount(rows);
                SyncRefreshList();
            } else {
                if (Dbf) Dbf->FreePage();
                Finish(rows, Total);
            }
            WorkOver();  // the message shows alone
            Synchronize([this, text] { View->ShowLoadError(text); });
        } catch (...) {
        }
    }
    Terminate();
    GiveBack();
    PostWorkerMessage(Messages, WM_WORKSTOP);
}

void TWorkThread::DoWork() {
    switch (Mode) {
    case ModeLoadTable: LoadTable(); break;
    case ModeLoadExcel: LoadExcel(); break;
    default: break;
    }
}

std::string ImportTotalText(size_t rows) { return "OnShow/Total:" + std::to_string(rows); }

std::string ImportLoadingText(size_t rows) { return "Loading.. [" + std::to_string(rows) + "]"; }

void TWorkThread::LoadExcel() {
    if (!Rows || !View || !Reader) return;
    // Row 1 gives the captions up to the first empty one; each later row one list row, up to
    // the first row whose cells are all empty.
    bool header = true;
    size_t columns = 0, rows = 0;
    TRowBuilder row;
    const std::string error = Reader(FileName, [this] { return Terminated(); }, [&](const std::vector<std::string>& cells) {
        if (Terminated()) return false;
        if (header) {
            header = false;
            std::vector<std::string> captions;
            for (const std::string& c : cells) {
                std::string_view t = valuetext::Trim(c);
                if (t.empty() || captions.size() == TDataRow::MaxFields) break;
                captions.emplace_back(t);
            }
            columns = captions.size();
            if (columns) SyncSetImportColumns(captions);
            return columns > 0;
        }
        row.Start(false, static_cast<uint32_t>(std::min<size_t>(rows + 1, UINT32_MAX)), 0);
        bool any = false;
        for (size_t i = 0; i < columns; ++i) {
            std::string_view t = i < cells.size() ? valuetext::Trim(cells[i]) : std::string_view();
            any |= !t.empty();
            row.Add(t);
        }
        if (!any) return false;
        Rows->DataList.Append(Rows->Pool.Make(row));
        ++rows;
        if (rows == ImportEvery) {
            SyncSetItemCount(rows);
            SyncRefreshList();
            SyncShowFirstItem();
        }
        if (rows % ImportEvery == 0) {
            SyncSetStatus(ImportLoadingText(rows));
            SyncSetItemCount(rows);
        }
        return true;
    });
    if (!error.empty()) {
        WorkOver();  // the message shows alone
        SyncAfterQueued([this, &error] { View->ShowImportError(error); });
        return;
    }
    SyncSetStatus(ImportTotalText(rows));
    SyncSetItemCount(rows);
    SyncRefreshList();
}

void TWorkThread::LoadTable() {
    if (!Dbf || !Rows || !View) return;
    TDBF& dbf = *Dbf;
    const uint32_t n = dbf.GetRecordCount();
    Total = n;
    SyncSetPanelFlag(true);
    const int64_t pages = n / PageSize + (n % PageSize > 0 ? 1 : 0);
    dbf.AllocPage(PageSize);

    const int fieldCount = dbf.FieldCount;
    std::vector<const TField*> fields;
    for (int i = 0; i < fieldCount; ++i) fields.push_back(dbf.GetField(i));

    TRowBuilder row;
    std::string scratch;
    size_t rows = Rows->DataList.Count();
    bool shownFirst = false;
    for (int64_t p = 1; p <= pages && !Terminated(); ++p) {
        // Never more rows than the record count, whatever the page held.
        const int64_t before = (p - 1) * PageSize;
        const int got = static_cast<int>(std::min<int64_t>(dbf.ReadPage(p, PageSize), int64_t(n) - before));
        if (got <= 0) continue;
        for (int i = 1; i <= got && !Terminated(); ++i) {
            dbf.SelectPageRecord(i);
            row.Start(dbf.GetDeleted(), static_cast<uint32_t>((p - 1) * PageSize + i), dbf.GetRecordPrint());
            int k = 0;
            for (; k < fieldCount && !Terminated(); ++k) {
                valuetext::AppendDisplayText(dbf, *fields[k], row.Buffer(), scratch);
                row.CloseField();
            }
            if (k < fieldCount || Terminated()) break;
            Rows->DataList.Append(Rows->Pool.Make(row));
            ++rows;
            if (rows > static_cast<size_t>(PageSize) && !shownFirst) {
                // The first screen of rows shows at once.
                shownFirst = true;
                SyncRefreshList();
                SyncShowFirstItem();
            }
            if (rows % StatusEvery == 0) {
                if (OnStatusPoint) OnStatusPoint(rows);
                SyncSetStatus(LoadingText(rows, n));
            }
        }
    }
    dbf.FreePage();
    Finish(rows, n);
}

void BuildRecordRow(TDBF& dbf, uint32_t recNo, TRowBuilder& row, std::string& scratch) {
    row.Start(dbf.GetDeleted(), recNo, dbf.GetRecordPrint());
    for (int i = 0; i < dbf.FieldCount; ++i) {
        if (const TField* f = dbf.GetField(i)) valuetext::AppendDisplayText(dbf, *f, row.Buffer(), scratch);
        row.CloseField();
    }
}

void TWorkThread::Finish(size_t rows, uint32_t total) {
    // The closing calls go in one round trip.
    const std::string text = OnShowTotalText(rows, total);
    SyncAfterQueued([&] {
        View->SetStatus(text);
        View->SetPanelFlag(false);
        View->SetItemCount(rows);
        View->RefreshList();
        if (rows != total) View->DisableEditing();
    });
}

void TWorkThread::TViewQueue::Run() {
    std::vector<std::function<void(TLoadView&)>> calls;
    TLoadView* view = nullptr;
    {
        std::lock_guard<std::mutex> g(Mutex);
        calls.swap(Calls);
        Posted = false;
        view = View;
    }
    if (view)
        for (const auto& call : calls) call(*view);
}

void TWorkThread::Queue(std::function<void(TLoadView&)> call) {
    if (!QueueWaker) {
        // Without an event loop to run them the calls wait for their turn instead.
        SyncAfterQueued([&] { call(*View); });
        return;
    }
    bool post = false;
    {
        std::lock_guard<std::mutex> g(Queued->Mutex);
        Queued->Calls.push_back(std::move(call));
        post = !Queued->Posted;
        Queued->Posted = true;
    }
    if (post) PostWakeUp(QueueWaker);
}

void TWorkThread::SyncAfterQueued(const std::function<void()>& fn) {
    std::shared_ptr<TViewQueue> q = Queued;
    Synchronize([&] {
        q->Run();
        fn();
    });
}

void TWorkThread::SyncSetPanelFlag(bool on) {
    Queue([on](TLoadView& v) { v.SetPanelFlag(on); });
}
void TWorkThread::SyncRefreshList() {
    Queue([](TLoadView& v) { v.RefreshList(); });
}
void TWorkThread::SyncShowFirstItem() {
    Queue([](TLoadView& v) { v.ShowFirstItem(); });
}
void TWorkThread::SyncSetStatus(const std::string& text) {
    Queue([text](TLoadView& v) { v.SetStatus(text); });
}
void TWorkThread::SyncSetItemCount(size_t count) { SyncAfterQueued([this, count] { View->SetItemCount(count); }); }
void TWorkThread::SyncDisableEditing() { SyncAfterQueued([this] { View->DisableEditing(); }); }
void TWorkThread::SyncSetImportColumns(const std::vector<std::string>& captions) {
    SyncAfterQueued([this, &captions] { View->SetImportColumns(captions); });
}
