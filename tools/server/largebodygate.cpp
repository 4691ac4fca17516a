#include "largebodygate.h"

namespace MemberCommentServer {

LargeBodyGate::Pass LargeBodyGate::enter(std::chrono::milliseconds wait)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_left.wait_for(lock, wait, [this] { return m_free > 0; }))
        return Pass();
    --m_free;
    return Pass(this);
}

void LargeBodyGate::leave()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_free;
    }
    m_left.notify_one();
}

} // namespace MemberCommentServer
