#include "app/workerthread.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <exception>

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

TWorkerThread::TWorkerThread()
    : Worker(new Thread(this)), Shared(std::make_shared<TShared>()), Waker(new QObject()) {}

TWorkerThread::~TWorkerThread() {
    if (StartedFlag) {
        Terminate();
        WaitFor();
    }
    delete Worker;
    delete Waker;  // drops any wake-up call still queued for it
}

void TWorkerThread::Resume() {
    if (StartedFlag) return;
    StartedFlag = true;
    Worker->start();
}

void TWorkerThread::Run() {
    std::string failure;
    try {
        Execute();
    } catch (const std::exception& e) {
        failure = e.what();
        if (failure.empty()) failure = "Unknown error";
    } catch (...) {
        failure = "Unknown error";
    }
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
    {
        std::lock_guard<std::mutex> g(Shared->Mutex);
        Shared->Finished = true;
        FinishedFlag.store(true, std::memory_order_release);
    }
    Shared->Cond.notify_all();
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
    QMetaObject::invokeMethod(Waker, [shared] { shared->ServePending(); }, Qt::QueuedConnection);
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
            std::lock_guard<std::mutex> g(Mutex);
            call->Done = true;
        }
        Cond.notify_all();
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
