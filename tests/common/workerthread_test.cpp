#include "common/workerthread.h"

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include "qtapp.h"

namespace {

using vxtest::App;

class TCounter : public TWorkerThread {
public:
    std::atomic<int> Steps{0};
    int UiCalls = 0;
    bool ThrowAt = false;
    std::thread::id UiThread;

protected:
    void Execute() override {
        for (int i = 0; i < 1000000 && !Terminated(); ++i) {
            ++Steps;
            if (i % 1000 == 0)
                Synchronize([this] {
                    ++UiCalls;
                    EXPECT_EQ(std::this_thread::get_id(), UiThread);
                });
            if (ThrowAt && i == 5) throw std::runtime_error("broken.dbf is not a table");
            std::this_thread::sleep_for(std::chrono::microseconds(5));
        }
    }
};

class TMessageSink : public QObject {
public:
    std::vector<std::pair<int, long long>> Got;
    bool event(QEvent* e) override {
        if (IsWorkerMessage(e)) {
            auto* m = static_cast<TWorkerMessage*>(e);
            Got.emplace_back(m->Message(), m->WParam);
            return true;
        }
        return QObject::event(e);
    }
};

}  // namespace

TEST(WorkerThread, StaysSuspendedUntilResumedAndStopsOnTerminate) {
    App();
    TCounter w;
    w.UiThread = std::this_thread::get_id();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(w.Steps.load(), 0);
    EXPECT_FALSE(w.Running());
    w.Resume();
    while (w.Steps.load() < 3000) QCoreApplication::processEvents();
    w.Terminate();
    w.WaitFor();  // serves the job's synchronous calls meanwhile
    EXPECT_TRUE(w.Finished());
    EXPECT_LT(w.Steps.load(), 1000000);
    EXPECT_GE(w.UiCalls, 3);
    EXPECT_TRUE(w.FailureText().empty());
}

TEST(WorkerThread, StoppingAWorkerBlockedInASynchronousCallDoesNotDeadlock) {
    App();
    // No event loop runs: the worker's first synchronous call can only be served by WaitFor.
    TWorkerPtr<TCounter> w(new TCounter);
    w->UiThread = std::this_thread::get_id();
    w->Resume();
    while (w->Steps.load() == 0) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    w.reset();  // sets the flag and waits
    SUCCEED();
}

TEST(WorkerThread, AnExceptionEndsTheJobAndIsKept) {
    App();
    TCounter w;
    w.UiThread = std::this_thread::get_id();
    w.ThrowAt = true;
    w.Resume();
    w.WaitFor();
    EXPECT_EQ(w.FailureText(), "broken.dbf is not a table");
}

TEST(WorkerThread, MessagesArriveInPostingOrderWithTheirNumbers) {
    App();
    TMessageSink sink;
    std::thread t([&] {
        PostWorkerMessage(&sink, WM_WORKSTART);
        PostWorkerMessage(&sink, WM_SAPROGRESS, 37);
        PostWorkerMessage(&sink, WM_WORKSTOP);
    });
    t.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(sink.Got, (std::vector<std::pair<int, long long>>{{WM_WORKSTART, 0}, {WM_SAPROGRESS, 37}, {WM_WORKSTOP, 0}}));
}
