#include "seek_thread.h"

SeekThread::~SeekThread()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void SeekThread::post(std::function<void()> job)
{
    add(std::move(job), false);
}

void SeekThread::postReplacing(std::function<void()> job)
{
    add(std::move(job), true);
}

void SeekThread::add(std::function<void()> job, bool replacing)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (replacing && !jobs_.empty() && jobs_.back().replaceable)
            jobs_.back().run = std::move(job);
        else
            jobs_.push_back({std::move(job), replacing});
        if (!thread_.joinable())
            thread_ = std::thread(&SeekThread::run, this);
    }
    wake_.notify_one();
}

void SeekThread::waitIdle()
{
    std::unique_lock<std::mutex> lock(mutex_);
    // Called from a job it would wait for itself.
    if (std::this_thread::get_id() == thread_.get_id())
        return;
    idle_.wait(lock, [this] { return jobs_.empty() && !running_; });
}

bool SeekThread::isIdle() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return jobs_.empty() && !running_;
}

void SeekThread::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (stopping_)
            break;
        std::function<void()> job = std::move(jobs_.front().run);
        jobs_.pop_front();
        running_ = true;
        lock.unlock();
        job();
        lock.lock();
        running_ = false;
        if (jobs_.empty())
            idle_.notify_all();
    }
    running_ = false;
    idle_.notify_all();
}
