#include "app/workthread.h"

#include "app/valuetext.h"
#include "engine/dbf.h"

#include <QCoreApplication>

#include <exception>

std::string OnShowTotalText(size_t shown, size_t total) {
    return "OnShow/Total:" + std::to_string(shown) + "/" + std::to_string(total);
}

std::string LoadingText(size_t rows, size_t total) {
    return "Loading.. [" + std::to_string(rows) + "/" + std::to_string(total) + "]";
}

TWorkThread::TWorkThread(TDBF* dbf, TRowStore* rows, TLoadView* view, QObject* messages)
    : Statuses(std::make_shared<TStatusQueue>()), Dbf(dbf), Rows(rows), View(view), Messages(messages) {
    Statuses->View = view;
    if (QCoreApplication::instance()) StatusWaker = NewWaker([q = Statuses] { q->Apply(); });
}

TWorkThread::~TWorkThread() {
    // Stop and wait here, while the members the job uses still exist.
    if (Started()) {
        Terminate();
        WaitFor();
    }
    delete StatusWaker;
    std::lock_guard<std::mutex> g(Statuses->Mutex);
    Statuses->View = nullptr;
    Statuses->Texts.clear();
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
            if (Dbf) Dbf->FreePage();
            Finish(Rows ? Rows->DataList.Count() : 0, Total);
            Synchronize([this, text] { View->ShowLoadError(text); });
        } catch (...) {
        }
    }
    Terminate();
    PostWorkerMessage(Messages, WM_WORKSTOP);
}

void TWorkThread::DoWork() {
    switch (Mode) {
    case ModeLoadTable: LoadTable(); break;
    case ModeLoadExcel: LoadExcel(); break;
    default: break;
    }
}

void TWorkThread::LoadExcel() {}

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
        int got = dbf.ReadPage(p, PageSize);
        if (got <= 0) continue;
        for (int i = 1; i <= got && !Terminated(); ++i) {
            dbf.SelectPageRecord(i);
            row.Start(dbf.GetDeleted(), static_cast<uint32_t>((p - 1) * PageSize + i));
            int k = 0;
            for (; k < fieldCount && !Terminated(); ++k) {
                valuetext::AppendDisplayText(dbf, *fields[k], row.Buffer(), scratch);
                row.CloseField();
            }
            if (k < fieldCount || Terminated()) break;
            Rows->DataList.Append(Rows->Pool.Make(row));
            ++rows;
            if (rows > static_cast<size_t>(PageSize) && !shownFirst) {
                // The first screen of rows shows at once, in one round trip.
                shownFirst = true;
                SyncAfterStatus([this] {
                    View->RefreshList();
                    View->ShowFirstItem();
                });
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

void TWorkThread::Finish(size_t rows, uint32_t total) {
    // The closing calls go in one round trip.
    const std::string text = OnShowTotalText(rows, total);
    SyncAfterStatus([&] {
        View->SetStatus(text);
        View->SetPanelFlag(false);
        View->SetItemCount(rows);
        View->RefreshList();
        if (rows != total) View->DisableEditing();
    });
}

void TWorkThread::TStatusQueue::Apply() {
    std::vector<std::string> texts;
    TLoadView* view = nullptr;
    {
        std::lock_guard<std::mutex> g(Mutex);
        texts.swap(Texts);
        Posted = false;
        view = View;
    }
    if (view)
        for (const std::string& t : texts) view->SetStatus(t);
}

void TWorkThread::SyncAfterStatus(const std::function<void()>& fn) {
    std::shared_ptr<TStatusQueue> q = Statuses;
    Synchronize([&] {
        q->Apply();
        fn();
    });
}

void TWorkThread::SyncSetStatus(const std::string& text) {
    if (!StatusWaker) {
        SyncAfterStatus([&] { View->SetStatus(text); });
        return;
    }
    bool post = false;
    {
        std::lock_guard<std::mutex> g(Statuses->Mutex);
        Statuses->Texts.push_back(text);
        post = !Statuses->Posted;
        Statuses->Posted = true;
    }
    if (post) PostWakeUp(StatusWaker);
}

void TWorkThread::SyncSetPanelFlag(bool on) { SyncAfterStatus([this, on] { View->SetPanelFlag(on); }); }
void TWorkThread::SyncRefreshList() { SyncAfterStatus([this] { View->RefreshList(); }); }
void TWorkThread::SyncShowFirstItem() { SyncAfterStatus([this] { View->ShowFirstItem(); }); }
void TWorkThread::SyncSetItemCount(size_t count) { SyncAfterStatus([this, count] { View->SetItemCount(count); }); }
void TWorkThread::SyncDisableEditing() { SyncAfterStatus([this] { View->DisableEditing(); }); }
