#include "seek_thread.h"

#include <QtTest>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

// The thread the pipeline's seeks are made in: in order, away from the caller, and safe to end.
class TestSeekThread : public QObject
{
    Q_OBJECT
private slots:
    void jobsRunInOrderAwayFromTheCaller();
    void endingDropsWaitingJobsAndWaitsForTheRunningOne();
    void aSeekWaitingIsReplacedByTheNext();
};

void TestSeekThread::jobsRunInOrderAwayFromTheCaller()
{
    SeekThread seeks;
    QVERIFY(seeks.isIdle());
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::promise<void> go;
    std::shared_future<void> started = go.get_future().share();
    // The first job waits, so that the others are posted while it runs.
    seeks.post([&, started] {
        started.wait();
        order.push_back(0);
        threads.push_back(std::this_thread::get_id());
    });
    for (int i = 1; i < 50; ++i)
        seeks.post([&, i] {
            order.push_back(i);
            threads.push_back(std::this_thread::get_id());
        });
    QVERIFY(!seeks.isIdle());
    go.set_value();
    seeks.waitIdle();
    QVERIFY(seeks.isIdle());
    QCOMPARE(int(order.size()), 50);
    for (int i = 0; i < 50; ++i)
        QCOMPARE(order[size_t(i)], i);
    for (const std::thread::id &id : threads) {
        QVERIFY(id != std::this_thread::get_id());
        QCOMPARE(id, threads.front());
    }

    // It goes on taking jobs after it was idle.
    seeks.post([&] { order.push_back(50); });
    seeks.waitIdle();
    QCOMPARE(order.back(), 50);
}

void TestSeekThread::endingDropsWaitingJobsAndWaitsForTheRunningOne()
{
    std::atomic<bool> running{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> laterRan{false};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::thread releaser;
    {
        SeekThread seeks;
        seeks.post([&, released] {
            running = true;
            released.wait();
            finished = true;
        });
        seeks.post([&] { laterRan = true; });
        QTRY_VERIFY(running);
        // Let the running job go only once the end has begun to wait for it.
        releaser = std::thread([&release] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            release.set_value();
        });
    }
    QVERIFY(finished);
    QVERIFY(!laterRan);
    releaser.join();
}

void TestSeekThread::aSeekWaitingIsReplacedByTheNext()
{
    SeekThread seeks;
    std::vector<int> ran;
    std::atomic<bool> running{false};
    std::promise<void> go;
    std::shared_future<void> started = go.get_future().share();
    // A seek under way is never taken back; those waiting behind it give way to the latest.
    seeks.postReplacing([&, started] {
        running = true;
        started.wait();
        ran.push_back(0);
    });
    QTRY_VERIFY(running);
    for (int i = 1; i <= 5; ++i)
        seeks.postReplacing([&, i] { ran.push_back(i); });
    // Anything else keeps its place, and the seeks after it are kept apart from those before.
    seeks.post([&] { ran.push_back(100); });
    for (int i = 6; i <= 9; ++i)
        seeks.postReplacing([&, i] { ran.push_back(i); });
    go.set_value();
    seeks.waitIdle();
    QCOMPARE(ran, (std::vector<int>{0, 5, 100, 9}));
}

QTEST_GUILESS_MAIN(TestSeekThread)
#include "tst_seek_thread.moc"
