#include "workshare.h"

#include <algorithm>
#include <system_error>

WorkShare::WorkShare()
{
    const int cores = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    // A thread the system will not give is work the others do: with none at all, the caller does it alone.
    try {
        for (int worker = 1; worker < cores; ++worker)
            m_threads.emplace_back([this, worker] { serve(worker); });
    } catch (const std::system_error&) {
    }
}

WorkShare::~WorkShare()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_started.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void WorkShare::run(qsizetype count, const std::function<void(qsizetype, int)>& work)
{
    {
        std::lock_guard lock(m_mutex);
        m_work = &work;
        m_count = count;
        m_next = 0;
        m_busy = workers();
        m_failure = nullptr;
        ++m_round;
    }
    m_started.notify_all();
    take(0);
    std::unique_lock lock(m_mutex);
    m_finished.wait(lock, [this] { return m_busy == 0; });
    m_work = nullptr;
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
}

void WorkShare::serve(int worker)
{
    quint64 seen = 0;
    while (true) {
        {
            std::unique_lock lock(m_mutex);
            m_started.wait(lock, [&] { return m_stopping || m_round != seen; });
            if (m_stopping)
                return;
            seen = m_round;
        }
        take(worker);
    }
}

// Records are handed out one at a time: one costs microseconds, the lock a fraction of that.
void WorkShare::take(int worker)
{
    std::unique_lock lock(m_mutex);
    while (m_next < m_count && !m_failure) {
        const qsizetype i = m_next++;
        lock.unlock();
        try {
            (*m_work)(i, worker);
        } catch (...) {
            lock.lock();
            if (!m_failure)
                m_failure = std::current_exception();
            continue;
        }
        lock.lock();
    }
    if (--m_busy == 0)
        m_finished.notify_all();
}
