#include "stampreader.h"

#include "diaryrecord.h"
#include "posixio.h"

#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <exception>
#include <linux/io_uring.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

constexpr unsigned StampSize = sizeof(double);
// Reads queued per system call. A call costs about what four reads do; bigger batches gain nothing
// and their queues stop fitting in the first-level cache.
constexpr unsigned RingEntries = 256;
// Starting a thread pays off only for work that takes a millisecond or more.
constexpr size_t MinRecordsPerThread = 2048;
constexpr size_t MaxThreads = 4;

// One io_uring instance that reads stamps into one span of the caller's array.
class StampRing
{
public:
    // Check ready(): the kernel may refuse io_uring.
    StampRing(int fd, std::span<double> out, qint64 stride);
    ~StampRing();
    StampRing(const StampRing&) = delete;
    StampRing& operator=(const StampRing&) = delete;

    bool ready() const { return m_ready; }
    // Reads out[from..from+count-1] (count at most RingEntries); `out` must be the span the ring was
    // made for. False if the ring stopped working, with those entries partly filled: read them
    // another way. The ring is no longer ready() then.
    bool readBatch(qint64 first, std::span<double> out, size_t from, unsigned count);

private:
    bool mapQueues(const io_uring_params& params);
    void registerFileAndBuffer(std::span<double> out);
    void queueReads(qint64 first, std::span<double> out, size_t from, unsigned count);
    bool finishBatch(unsigned queued);
    unsigned takeCompletions();
    long enter(unsigned submit, bool wait);

    int m_fd;
    qint64 m_stride;
    int m_ringFd = -1;
    bool m_ready = false;
    void* m_queues = MAP_FAILED;
    size_t m_queuesLength = 0;
    void* m_entriesMemory = MAP_FAILED;
    size_t m_entriesLength = 0;
    unsigned m_entryCount = 0;
    io_uring_sqe* m_sqes = nullptr;
    unsigned* m_sqTail = nullptr;
    unsigned m_sqMask = 0;
    io_uring_cqe* m_cqes = nullptr;
    unsigned* m_cqHead = nullptr;
    unsigned* m_cqTail = nullptr;
    unsigned m_cqMask = 0;
    int m_target = -1; // the file as the reads name it: its descriptor, or 0 once registered
    __u8 m_sqeFlags = 0;
    bool m_fixedBuffer = false;
    std::vector<size_t> m_failed; // indexes into out whose read came back short or failed
};

StampRing::StampRing(int fd, std::span<double> out, qint64 stride) : m_fd(fd), m_stride(stride), m_target(fd)
{
    io_uring_params params{};
    const long ringFd = ::syscall(__NR_io_uring_setup, long(RingEntries), &params);
    if (ringFd < 0)
        return;
    m_ringFd = int(ringFd);
    // Both features came with kernel 5.6, the first to read at a given offset through the ring.
    constexpr unsigned Needed = IORING_FEAT_SINGLE_MMAP | IORING_FEAT_RW_CUR_POS;
    if ((params.features & Needed) != Needed || params.sq_entries < RingEntries || !mapQueues(params))
        return;
    registerFileAndBuffer(out);
    m_failed.reserve(m_entryCount);
    m_ready = true;
}

StampRing::~StampRing()
{
    if (m_entriesMemory != MAP_FAILED)
        ::munmap(m_entriesMemory, m_entriesLength);
    if (m_queues != MAP_FAILED)
        ::munmap(m_queues, m_queuesLength);
    // The ring lets go of a registered file only when the kernel tears it down, some time after the close: the
    // diary's lock would outlive its closing, and opening it again meanwhile would find it in use.
    if (m_ringFd >= 0 && m_target == 0)
        ::syscall(__NR_io_uring_register, m_ringFd, long(IORING_UNREGISTER_FILES), nullptr, 0L);
    if (m_ringFd >= 0)
        ::close(m_ringFd);
}

bool StampRing::mapQueues(const io_uring_params& params)
{
    m_queuesLength = std::max(params.sq_off.array + params.sq_entries * sizeof(__u32),
                              params.cq_off.cqes + params.cq_entries * sizeof(io_uring_cqe));
    m_queues = ::mmap(nullptr, m_queuesLength, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, m_ringFd,
                      IORING_OFF_SQ_RING);
    m_entriesLength = params.sq_entries * sizeof(io_uring_sqe);
    m_entriesMemory =
        ::mmap(nullptr, m_entriesLength, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, m_ringFd, IORING_OFF_SQES);
    if (m_queues == MAP_FAILED || m_entriesMemory == MAP_FAILED)
        return false;

    char* base = static_cast<char*>(m_queues);
    m_sqes = static_cast<io_uring_sqe*>(m_entriesMemory);
    m_sqTail = reinterpret_cast<unsigned*>(base + params.sq_off.tail);
    m_sqMask = *reinterpret_cast<const unsigned*>(base + params.sq_off.ring_mask);
    m_cqes = reinterpret_cast<io_uring_cqe*>(base + params.cq_off.cqes);
    m_cqHead = reinterpret_cast<unsigned*>(base + params.cq_off.head);
    m_cqTail = reinterpret_cast<unsigned*>(base + params.cq_off.tail);
    m_cqMask = *reinterpret_cast<const unsigned*>(base + params.cq_off.ring_mask);
    m_entryCount = params.sq_entries;
    // Slot i of the submission queue always names entry i.
    auto* sqSlots = reinterpret_cast<unsigned*>(base + params.sq_off.array);
    for (unsigned i = 0; i < m_entryCount; ++i)
        sqSlots[i] = i;
    return true;
}

// Both are optional savings. A registered file spares every read taking a reference to the file,
// which the threads would fight over; a registered buffer spares looking up the user's pages.
void StampRing::registerFileAndBuffer(std::span<double> out)
{
    int files[] = {m_fd};
    if (::syscall(__NR_io_uring_register, m_ringFd, long(IORING_REGISTER_FILES), files, 1L) == 0) {
        m_target = 0;
        m_sqeFlags = IOSQE_FIXED_FILE;
    }
    iovec buffer{out.data(), out.size_bytes()};
    m_fixedBuffer = ::syscall(__NR_io_uring_register, m_ringFd, long(IORING_REGISTER_BUFFERS), &buffer, 1L) == 0;
}

bool StampRing::readBatch(qint64 first, std::span<double> out, size_t from, unsigned count)
{
    queueReads(first, out, from, count);
    m_ready = finishBatch(count);
    if (!m_ready)
        return false;
    // A short read means the file was cut meanwhile: reading it again reports that as usual.
    for (const size_t i : m_failed)
        readStampsOneByOne(m_fd, first + qint64(i), out.subspan(i, 1), m_stride);
    m_failed.clear();
    return true;
}

void StampRing::queueReads(qint64 first, std::span<double> out, size_t from, unsigned count)
{
    std::atomic_ref<unsigned> tail(*m_sqTail);
    const unsigned start = tail.load(std::memory_order_relaxed);
    for (unsigned k = 0; k < count; ++k) {
        const size_t i = from + k;
        io_uring_sqe& sqe = m_sqes[(start + k) & m_sqMask];
        sqe = {};
        sqe.opcode = m_fixedBuffer ? IORING_OP_READ_FIXED : IORING_OP_READ;
        sqe.flags = m_sqeFlags;
        sqe.fd = m_target;
        sqe.off = quint64((first + qint64(i)) * m_stride);
        sqe.addr = reinterpret_cast<quintptr>(&out[i]);
        sqe.len = StampSize;
        sqe.user_data = i;
    }
    tail.store(start + count, std::memory_order_release);
}

// Submits the queued reads and waits for all of them. False if the kernel stopped taking them.
bool StampRing::finishBatch(unsigned queued)
{
    unsigned inFlight = 0;
    bool broken = false;
    while (queued + inFlight > 0) {
        // Reads of cached pages complete during submission; block only when all are submitted.
        const bool waiting = queued == 0;
        const long result = enter(queued, waiting);
        const int err = result < 0 ? errno : 0;
        if (result > 0) {
            queued -= unsigned(result);
            inFlight += unsigned(result);
        } else if (err != EINTR && err != EAGAIN && err != EBUSY) {
            // Reads in flight may still write into the caller's array, which may not outlive a return.
            if (waiting && err != 0)
                qFatal("io_uring_enter failed with reads in flight: %s", std::strerror(err));
            if (!waiting) {
                broken = true; // what is left queued is never submitted
                queued = 0;
            }
        }
        inFlight -= takeCompletions();
    }
    return !broken;
}

unsigned StampRing::takeCompletions()
{
    std::atomic_ref<unsigned> head(*m_cqHead);
    std::atomic_ref<unsigned> tail(*m_cqTail);
    const unsigned from = head.load(std::memory_order_relaxed);
    const unsigned to = tail.load(std::memory_order_acquire);
    for (unsigned h = from; h != to; ++h) {
        const io_uring_cqe& cqe = m_cqes[h & m_cqMask];
        if (cqe.res != int(StampSize))
            m_failed.push_back(size_t(cqe.user_data)); // never allocates: reserved for a whole batch
    }
    head.store(to, std::memory_order_release);
    return to - from;
}

long StampRing::enter(unsigned submit, bool wait)
{
    const long flags = wait ? IORING_ENTER_GETEVENTS : 0;
    return ::syscall(__NR_io_uring_enter, long(m_ringFd), long(submit), wait ? 1L : 0L, flags, nullptr, 0L);
}

// Batches are handed out as the threads get to them rather than in fixed shares, so that a thread
// kept waiting for a core does not hold the others up.
void readBatchesLeft(StampRing& ring, int fd, qint64 first, qint64 stride, std::span<double> out,
                     std::atomic<size_t>& next)
{
    for (;;) {
        const size_t from = next.fetch_add(RingEntries, std::memory_order_relaxed);
        if (from >= out.size())
            return;
        const auto count = unsigned(std::min<size_t>(RingEntries, out.size() - from));
        if (!ring.ready() || !ring.readBatch(first, out, from, count))
            readStampsOneByOne(fd, first + qint64(from), out.subspan(from, count), stride);
    }
}

template <typename Work> std::exception_ptr runCatching(Work work)
{
    try {
        work();
    } catch (...) {
        return std::current_exception();
    }
    return {};
}

size_t threadCount(size_t records)
{
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::clamp<size_t>(records / MinRecordsPerThread, 1, std::min(cores, MaxThreads));
}

} // namespace

// Why not map the file: under virtualisation that shadows page tables, the first touch of each
// freshly mapped page traps into the host, which costs far more than the kernel copying 8 bytes out
// of its page cache. The ring has the kernel do those copies, a few hundred per system call; what
// remains is mostly waiting for memory, so the batches are shared with threads on other cores.
bool readStampsThroughRings(int fd, qint64 first, std::span<double> out, qint64 stride)
{
    if (out.empty())
        return true;
    // The calling thread's ring is made first: if it cannot be, io_uring is not to be had here.
    StampRing ownRing(fd, out, stride);
    if (!ownRing.ready())
        return false;

    const size_t threads = threadCount(out.size());
    std::atomic<size_t> next = 0;
    std::vector<std::exception_ptr> failures(threads);
    {
        std::vector<std::jthread> helpers;
        helpers.reserve(threads - 1);
        for (size_t t = 1; t < threads; ++t) {
            try {
                helpers.emplace_back([&, t] {
                    failures[t] = runCatching([&] {
                        StampRing ring(fd, out, stride);
                        readBatchesLeft(ring, fd, first, stride, out, next);
                    });
                });
            } catch (const std::system_error&) {
                break; // no more threads to be had: the calling thread reads what is left
            }
        }
        failures.front() = runCatching([&] { readBatchesLeft(ownRing, fd, first, stride, out, next); });
    } // the helpers are joined here, so none is still writing into `out` below
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
    return true;
}

void readStampsOneByOne(int fd, qint64 first, std::span<double> out, qint64 stride)
{
    for (size_t i = 0; i < out.size(); ++i) {
        const qint64 offset = (first + qint64(i)) * stride;
        if (posixio::readUpTo(fd, reinterpret_cast<char*>(&out[i]), StampSize, offset) != StampSize)
            posixio::throwCode(FileError::ReadBeyondEnd);
    }
}

void stampsFromFileOrder(std::span<double> stamps)
{
    if constexpr (std::endian::native != std::endian::little) {
        for (double& stamp : stamps)
            stamp = std::bit_cast<double>(qFromLittleEndian(std::bit_cast<quint64>(stamp)));
    }
}
