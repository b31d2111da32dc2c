#include "common/workerthread.h"

#include "common/errortext.h"
#include "common/msgbox.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <exception>

namespace {

// Receives the worker's wake-up calls on the user-interface thread. The posted event carries
// nothing: what to do is in the state the worker shares, read under its lock.
class TWaker : public QObject {
public:
    explicit TWaker(std::function<void()> fn) : Fn(std::move(fn)) {}
    static QEvent::Type Type() {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

protected:
    void customEvent(QEvent*) override { Fn(); }

private:
    std::function<void()> Fn;
};

}  // namespace

void PostWakeUp(QObject* waker) { QCoreApplication::postEvent(waker, new QEvent(TWaker::Type())); }

QObject* NewWaker(std::function<void()> fn) { return new TWaker(std::move(fn)); }

class TWorkerThread::Thread : public QThread {
public:
    explicit Thread(TWorkerThread* owner) : Owner(owner) {}
    void run() override { Owner->Run(); }

private:
    TWorkerThread* Owner;
};

void PostWorkerMessage(QObject* target, int message, long long wParam, std::string text) {
    if (!target) return;
    QCoreApplication::postEvent(target, new TWorkerMessage(message, wParam, std::move(text)));
}

bool IsWorkerMessage(const QEvent* e) {
    int t = static_cast<int>(e->type());
    return (t >= WM_WORKSTART && t <= WM_SAUPDATE) || t == WM_SAPROGRESS;
}

TWorkerThread::TWorkerThread() : Worker(new Thread(this)), Shared(std::make_shared<TShared>()) {
    Waker = NewWaker([shared = Shared] { shared->ServePending(); });
    Closer = new TMsgBoxCloser([this] { return WorkIsOver(); });
    CloseWaker = NewWaker([closer = Closer] { closer->End(); });
}

TWorkerThread::~TWorkerThread() {
    if (StartedFlag) {
        Terminate();
        WaitFor();
    }
    delete Worker;
    delete Waker;  // drops any wake-up call still queued for it
    delete CloseWaker;
    delete Closer;  // a question still open about the job closes by itself
}

void TWorkerThread::Borrows(const TThreadOwner& object, TThreadOwner::TLoan loan) {
    if (!StartedFlag) Borrowed.push_back({&object, loan});
}

void TWorkerThread::Resume() {
    if (StartedFlag) return;
    StartedFlag = true;
    for (const TBorrowed& b : Borrowed) b.Object->Lend(b.Loan);
    Worker->start();
}

void TWorkerThread::GiveBack() {
    for (TBorrowed& b : Borrowed) {
        if (!b.Returned) b.Object->Return();
        b.Returned = true;
    }
}

void TWorkerThread::Run() {
    for (const TBorrowed& b : Borrowed)
        if (b.Loan != TThreadOwner::TLoan::Read) b.Object->Borrow();
    const std::string failure = FailureOf([this] { Execute(); });
    if (!failure.empty()) {
        {
            std::lock_guard<std::mutex> g(Shared->Mutex);
            Shared->Failure = failure;
        }
        try {
            OnFailure(failure);
        } catch (...) {
        }
    }
    GiveBack();
    // The questions about a job that did not say its work was over close now.
    if (!WorkOverFlag.exchange(true, std::memory_order_acq_rel) && QCoreApplication::instance())
        PostWakeUp(CloseWaker);
    // Told under the lock: whoever sees the job finished may free what the worker shares.
    std::lock_guard<std::mutex> g(Shared->Mutex);
    Shared->Finished = true;
    FinishedFlag.store(true, std::memory_order_release);
    Shared->Cond.notify_all();
}

void TWorkerThread::WorkOver() {
    if (WorkOverFlag.exchange(true, std::memory_order_acq_rel)) return;
    Synchronize([this] { Closer->End(); });
}

std::string TWorkerThread::FailureText() const {
    std::lock_guard<std::mutex> g(Shared->Mutex);
    return Shared->Failure;
}

void TWorkerThread::Synchronize(const std::function<void()>& fn) {
    if (QThread::currentThread() != Worker) {
        fn();
        return;
    }
    std::exception_ptr error;
    std::function<void()> wrapped = [&] {
        try {
            fn();
        } catch (...) {
            error = std::current_exception();
        }
    };
    std::shared_ptr<TShared> shared = Shared;
    TShared::TCall call{&wrapped};
    {
        std::lock_guard<std::mutex> g(shared->Mutex);
        shared->Pending.push_back(&call);
    }
    shared->Cond.notify_all();
    // Ask the user-interface thread's event loop to serve the call (WaitFor serves it too).
    PostWakeUp(Waker);
    {
        std::unique_lock<std::mutex> lock(shared->Mutex);
        shared->Cond.wait(lock, [&] { return call.Done; });
    }
    if (error) std::rethrow_exception(error);
}

void TWorkerThread::TShared::ServePending() {
    // Each call is taken off the queue before it runs, so a call that runs a nested event loop
    // (a modal dialog) is never served twice.
    for (;;) {
        TCall* call = nullptr;
        {
            std::lock_guard<std::mutex> g(Mutex);
            if (Pending.empty()) return;
            call = Pending.front();
            Pending.pop_front();
        }
        (*call->Fn)();
        {
            // The worker frees the call as soon as it sees it done, so it is told under the lock.
            std::lock_guard<std::mutex> g(Mutex);
            call->Done = true;
            Cond.notify_all();
        }
    }
}

void TWorkerThread::WaitFor() {
    if (!StartedFlag) return;
    if (QThread::currentThread() == Worker) return;  // a job cannot wait for itself
    for (;;) {
        Shared->ServePending();
        std::unique_lock<std::mutex> lock(Shared->Mutex);
        if (Shared->Finished && Shared->Pending.empty()) break;
        Shared->Cond.wait(lock, [&] { return Shared->Finished || !Shared->Pending.empty(); });
    }
    Worker->wait();
}
