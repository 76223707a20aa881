#include "rebuild.h"

#include "error.h"
#include "posixio.h"
#include "replacement.h"
#include "sidefiles.h"

#include <cerrno>
#include <vector>

namespace
{

// Records are gathered and written 64 at a time. What is written goes on to the disk while the rest
// is still made, so that the flush at the end has little left to wait for.
class BufferedSink : public RecordSink
{
public:
    explicit BufferedSink(int fd) : m_fd(fd) { m_buffer.reserve(Capacity); }

    void put(const DiaryRecord& record) override
    {
        m_buffer.push_back(record);
        if (m_buffer.size() == Capacity)
            flush();
    }

    void flush()
    {
        const qint64 bytes = qint64(m_buffer.size()) * RecordSize;
        posixio::writeAll(m_fd, m_buffer.front().data(), bytes, -1);
        m_buffer.clear();
        m_written += bytes;
        if (m_written - m_sentOn >= WritebackStep) {
            sidefiles::startWriteback(m_fd, m_sentOn, m_written);
            m_sentOn = m_written;
        }
    }

    bool empty() const { return m_buffer.empty(); }

private:
    static constexpr size_t Capacity = 64;
    static constexpr qint64 WritebackStep = qint64(8) << 20;
    int m_fd;
    std::vector<DiaryRecord> m_buffer;
    qint64 m_written = 0;
    qint64 m_sentOn = 0;
};

void writeWhole(const QString& path, const std::function<void(RecordSink&)>& produce, RecordFile* replacement,
                bool mustBeNew, const FileIdentity* madeFrom, const ReplacedFileKeeper& keeper = {})
{
    ReplaceRules rules;
    rules.mustBeNew = mustBeNew;
    try {
        FileReplacement file(path, rules, madeFrom);
        file.keepReplacedWith(keeper);
        BufferedSink sink(file.fd());
        produce(sink);
        if (!sink.empty())
            sink.flush();
        try {
            file.commit(replacement != nullptr);
        } catch (const NotDurableError&) {
            if (replacement)
                *replacement = RecordFile::fromDescriptor(file.takeDescriptor(), path);
            throw;
        }
        if (replacement)
            *replacement = RecordFile::fromDescriptor(file.takeDescriptor(), path);
    } catch (const TargetChangedError&) {
        throw DiaryReplacedError(path);
    }
}

} // namespace

void rebuildDiary(const QString& path, const std::function<void(RecordSink&)>& produce, RecordFile* replacement,
                  const FileIdentity* madeFrom, const ReplacedFileKeeper& keeper)
{
    writeWhole(path, produce, replacement, false, madeFrom, keeper);
}

void createDiaryWhole(const QString& path, const std::function<void(RecordSink&)>& produce)
{
    writeWhole(path, produce, nullptr, true, nullptr);
}

// Readable by its owner only: even a diary without a password is scrambled with a key anyone has.
void createDiaryFile(const QString& path, const DiaryRecord& header, bool replaceExisting)
{
    const auto putHeader = [&header](RecordSink& sink) { sink.put(header); };
    try {
        createDiaryWhole(path, putHeader);
    } catch (const FileError& error) {
        if (!replaceExisting || error.code() != FileError::codeForErrno(EEXIST))
            throw;
        rebuildDiary(path, putHeader);
    }
}
