#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace MemberCommentServer {

// Lets only a few large save bodies into memory at once: a save holds a few copies of its body
// at its peak, and saves run one after the other anyway.
class LargeBodyGate
{
public:
    explicit LargeBodyGate(int slots)
        : m_free(slots)
    {
    }
    LargeBodyGate(const LargeBodyGate &) = delete;
    LargeBodyGate &operator=(const LargeBodyGate &) = delete;

    // Holds a slot until dropped; an empty pass holds none.
    class Pass
    {
    public:
        Pass() = default;
        explicit Pass(LargeBodyGate *gate)
            : m_gate(gate)
        {
        }
        Pass(Pass &&other) noexcept
            : m_gate(std::exchange(other.m_gate, nullptr))
        {
        }
        Pass &operator=(Pass &&other) noexcept
        {
            std::swap(m_gate, other.m_gate);
            return *this;
        }
        ~Pass()
        {
            if (m_gate)
                m_gate->leave();
        }
        explicit operator bool() const { return m_gate != nullptr; }

    private:
        LargeBodyGate *m_gate = nullptr;
    };

    // A pass as soon as a slot is free; an empty one when none is free within `wait`.
    Pass enter(std::chrono::milliseconds wait);

private:
    void leave();

    std::mutex m_mutex;
    std::condition_variable m_left;
    int m_free;
};

} // namespace MemberCommentServer
