#pragma once

#include <QtGlobal>

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A few threads kept for passes over a whole diary whose work per record costs more than its reading (sealed
// entries): the caller works beside them, so that a chunk of records is done in about its share of the time.
class WorkShare
{
public:
    // All the computer's cores, up to four: beyond them the disk is the bound.
    WorkShare();
    ~WorkShare();
    WorkShare(const WorkShare&) = delete;
    WorkShare& operator=(const WorkShare&) = delete;

    int workers() const { return int(m_threads.size()) + 1; }
    // Calls work(i, worker) for every i below `count`, each once, spread over the threads and the caller; `worker`
    // (below workers()) tells each thread its own, for buffers of its own. Returns once all are done, throwing on the
    // first exception a call threw (the other calls may or may not have been made).
    void run(qsizetype count, const std::function<void(qsizetype, int)>& work);

private:
    void serve(int worker);
    void take(int worker);

    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_started;
    std::condition_variable m_finished;
    const std::function<void(qsizetype, int)>* m_work = nullptr;
    qsizetype m_count = 0;
    qsizetype m_next = 0;
    int m_busy = 0;
    quint64 m_round = 0;
    bool m_stopping = false;
    std::exception_ptr m_failure;
};
