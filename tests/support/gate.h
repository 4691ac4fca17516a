#pragma once

// Holds a loopback server's answers until the test lets them go. A wait gives up after 30 s, so a
// test that never releases it fails instead of hanging.

#include <chrono>
#include <condition_variable>
#include <mutex>

class Gate
{
public:
    void release()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }
    void wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(30), [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};
