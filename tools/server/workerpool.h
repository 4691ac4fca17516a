#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace MemberCommentServer {

// The threads that serve connections: one more is started whenever every thread is busy, up to
// a maximum, and kept for later connections. Beyond the maximum, connections wait in turn.
class WorkerPool : public httplib::TaskQueue
{
public:
    explicit WorkerPool(std::size_t maxThreads)
        : m_maxThreads(maxThreads)
    {
    }
    ~WorkerPool() override { shutdown(); }
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    void enqueue(std::function<void()> job) override;
    // Runs the jobs still waiting, then joins every thread.
    void shutdown() override;

private:
    void work();

    const std::size_t m_maxThreads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    std::vector<std::thread> m_threads;
    std::size_t m_idle = 0;
    bool m_shuttingDown = false;
};

} // namespace MemberCommentServer
