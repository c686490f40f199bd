#ifndef MORLEK_SEEK_THREAD_H
#define MORLEK_SEEK_THREAD_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

/**
 * Runs jobs one at a time, in the order they were posted, in a thread of its own.
 *
 * A flushing seek returns only once the pipeline's streaming threads have let go of the data
 * they hold: while the decoder finishes a 2160p picture that is 80 to 120 ms, which the window
 * must not wait for. The thread starts with the first job.
 */
class SeekThread
{
public:
    SeekThread() = default;
    /** Drops the jobs not yet begun and waits for the one running. */
    ~SeekThread();
    SeekThread(const SeekThread &) = delete;
    SeekThread &operator=(const SeekThread &) = delete;

    /** Runs @p job after every job posted before it. */
    void post(std::function<void()> job);
    /**
     * As post(), but the job takes the place of the last job waiting if that was posted so
     * too: a flushing seek makes any seek still waiting before it pointless, and a slider
     * dragged over a 2160p video would otherwise leave a queue of them behind.
     */
    void postReplacing(std::function<void()> job);
    /** Returns once every job posted so far has run. */
    void waitIdle();
    /** Whether no job is waiting or running. */
    bool isIdle() const;

private:
    void run();
    void add(std::function<void()> job, bool replacing);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    struct Job
    {
        std::function<void()> run;
        bool replaceable;
    };
    std::deque<Job> jobs_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

#endif
