// The one worker-thread class behind every long job (loading rows, saving as, exporting,
// changing the structure): created suspended, configured, resumed; a terminate flag that the
// job tests; calls that run on the user-interface thread while the worker waits; and a wait
// that keeps serving those calls, so stopping a worker that is inside such a call never
// deadlocks. Worker reports are posted to the main window as events numbered as the program's
// window messages.
//
// What the job uses of the objects that one thread uses at a time (a table, the row store's
// lists and pool) it borrows explicitly (Borrows): the starting thread lends them in Resume,
// the worker's thread takes them before the job runs, and the job gives them back once it is
// done with them (GiveBack), at the latest when it ends. A job gives them back before its final
// report, since the window may use them as soon as that arrives.
#pragma once

#include "engine/threadowner.h"

#include <QEvent>
#include <QObject>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TMsgBoxCloser;

enum : int {
    WM_APP = 0x8000,
    WM_WORKSTART = WM_APP + 401,
    WM_WORKSTOP = WM_APP + 402,
    WM_PGSTART = WM_APP + 403,
    WM_PGSTOP = WM_APP + 404,
    WM_PGUPDATE = WM_APP + 405,
    WM_PGPROGRESS = WM_APP + 406,
    WM_SASTART = WM_APP + 407,
    WM_SASTOP = WM_APP + 408,
    WM_SAUPDATE = WM_APP + 409,
    WM_SAPROGRESS = WM_APP + 500,
};

// A worker report: the message number is the event type; WParam carries the percent, and
// Text the output file name of WM_SASTOP.
class TWorkerMessage : public QEvent {
public:
    TWorkerMessage(int message, long long wParam = 0, std::string text = {})
        : QEvent(static_cast<QEvent::Type>(message)), WParam(wParam), Text(std::move(text)) {}
    int Message() const { return static_cast<int>(type()); }
    long long WParam;
    std::string Text;
};

// Posts a worker report to `target` (normally the main window); safe from any thread.
void PostWorkerMessage(QObject* target, int message, long long wParam = 0, std::string text = {});
bool IsWorkerMessage(const QEvent* e);

// A receiver of wake-up calls, made on the user-interface thread, that runs `fn` there each
// time PostWakeUp (from any thread) reaches it. The wake-up carries no data: `fn` finds what
// to do in state shared under a lock. Deleting the receiver drops the calls not yet served.
QObject* NewWaker(std::function<void()> fn);
void PostWakeUp(QObject* waker);

class TWorkerThread {
public:
    TWorkerThread();
    // A worker is freed through TWorkerDeleter (or after Terminate and WaitFor), so that the
    // job has ended before any part of the derived object is gone. The destructor still waits
    // as a last resort.
    virtual ~TWorkerThread();
    TWorkerThread(const TWorkerThread&) = delete;
    TWorkerThread& operator=(const TWorkerThread&) = delete;

    // Lends `object` to the job (on its owner's thread, before Resume).
    void Borrows(const TThreadOwner& object, TThreadOwner::TLoan loan);
    void Resume();                 // lends what the job borrows, then starts the job (once)
    void Terminate() { TerminateFlag.store(true, std::memory_order_relaxed); }
    bool Terminated() const { return TerminateFlag.load(std::memory_order_relaxed); }
    bool Started() const { return StartedFlag; }
    bool Finished() const { return FinishedFlag.load(std::memory_order_acquire); }
    bool Running() const { return StartedFlag && !Finished(); }
    // Waits until the job has ended; on the user-interface thread it keeps running the job's
    // synchronous calls meanwhile.
    void WaitFor();
    // The job's failure text when Execute ended by an exception (empty otherwise).
    std::string FailureText() const;
    // True once the job's work is over: it said so (WorkOver), or it has ended. At most its
    // last reports follow; there is nothing left to stop.
    bool WorkIsOver() const { return WorkOverFlag.load(std::memory_order_acquire); }
    // What a question about the job's work (whether to stop it) is asked with, as MsgBox's
    // `closer`: the box closes by itself once the work is over, before the job's last reports
    // show. Null once the work is over (a question asked then is about no work of this job).
    // Lives on the starting thread; its Ending signal tells when the work is over.
    TMsgBoxCloser* QuestionCloser() const { return WorkIsOver() ? nullptr : Closer; }

protected:
    // The job; runs on the worker thread. Exceptions are caught, kept in FailureText and
    // handed to OnFailure on the worker thread.
    virtual void Execute() = 0;
    virtual void OnFailure(const std::string& /*text*/) {}
    // Runs `fn` on the user-interface thread and waits for it. Without a running event loop
    // on that thread it is served by WaitFor. Called from the user-interface thread itself,
    // it just runs `fn`.
    void Synchronize(const std::function<void()>& fn);
    // On the worker's thread: gives back what the job borrowed and has not given back yet.
    void GiveBack();
    // On the worker's thread: the job's work is over and only its last reports (its end
    // messages, its final progress) follow. Closes the questions about the job first, and
    // waits until they are closed, so that those reports show alone. A job that ends without
    // calling it has its questions closed as it ends.
    void WorkOver();

private:
    class Thread;
    friend class Thread;
    void Run();

    // What the worker and the user-interface thread share; the queued wake-up calls hold it
    // too, so one that arrives after the worker object is gone finds nothing to do.
    struct TShared {
        std::mutex Mutex;
        std::condition_variable Cond;
        struct TCall {
            const std::function<void()>* Fn;
            bool Done = false;
        };
        std::deque<TCall*> Pending;  // calls waiting for the user-interface thread
        bool Finished = false;
        std::string Failure;
        void ServePending();
    };

    struct TBorrowed {
        const TThreadOwner* Object;
        TThreadOwner::TLoan Loan;
        bool Returned = false;
    };
    std::vector<TBorrowed> Borrowed;
    Thread* Worker;
    bool StartedFlag = false;
    std::atomic<bool> TerminateFlag{false};
    std::atomic<bool> FinishedFlag{false};
    std::atomic<bool> WorkOverFlag{false};
    std::shared_ptr<TShared> Shared;
    QObject* Waker;  // lives on the user-interface thread; receives wake-up calls
    TMsgBoxCloser* Closer;
    QObject* CloseWaker;  // ends Closer when the job ends without WorkOver
};

// Frees a worker as the program always does: sets its terminate flag, waits for the job (still
// serving its synchronous calls), then deletes it.
struct TWorkerDeleter {
    void operator()(TWorkerThread* w) const {
        if (!w) return;
        w->Terminate();
        w->WaitFor();
        delete w;
    }
};
template <class T>
using TWorkerPtr = std::unique_ptr<T, TWorkerDeleter>;
