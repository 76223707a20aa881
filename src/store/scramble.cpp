#include "scramble.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

// A word search unscrambles every slot of a whole diary with one key, so the key is laid out once
// as a repeating pattern that whole machine words can be combined with.
class KeyPattern
{
public:
    // A pattern of whole key periods at least this long covers any slot in one pass.
    static constexpr qsizetype MinimumLength = 4096;

    const char* bytesFor(QByteArrayView key)
    {
        if (key.size() != qsizetype(m_key.size()) || std::memcmp(key.data(), m_key.data(), key.size()) != 0) {
            m_key.assign(key.begin(), key.end());
            const qsizetype periods = (MinimumLength + key.size() - 1) / key.size();
            m_pattern.resize(periods * key.size());
            for (qsizetype i = 0; i < periods; ++i)
                std::memcpy(m_pattern.data() + i * key.size(), key.data(), key.size());
        }
        return m_pattern.data();
    }
    qsizetype length() const { return qsizetype(m_pattern.size()); }

private:
    std::vector<char> m_key;
    std::vector<char> m_pattern;
};

} // namespace

void scrambleInPlace(char* data, qsizetype size, QByteArrayView key)
{
    scrambleCopy(data, size, key, data);
}

void scrambleCopy(const char* from, qsizetype size, QByteArrayView key, char* to)
{
    if (size <= 0)
        return;
    Q_ASSERT_X(!key.isEmpty(), "scrambleCopy", "a non-empty text needs a non-empty key");
    if (key.isEmpty()) {
        std::memmove(to, from, size_t(size));
        return;
    }

    thread_local KeyPattern pattern;
    const char* bytes = pattern.bytesFor(key);
    // Each pass starts at a whole key period, so the key position carries on correctly.
    for (qsizetype done = 0; done < size;) {
        const qsizetype step = std::min(size - done, pattern.length());
        xorWithPattern(from + done, bytes, step, to + done);
        done += step;
    }
}

QByteArray ScrambleText(QByteArrayView text, QByteArrayView key)
{
    QByteArray result = text.toByteArray();
    if (!result.isEmpty())
        scrambleInPlace(result.data(), result.size(), key);
    return result;
}

QByteArray EncodePassword(QByteArrayView password)
{
    const qsizetype n = password.size();
    QByteArray rearranged(n, Qt::Uninitialized);
    std::reverse_copy(password.begin(), password.end(), rearranged.begin());
    std::rotate(rearranged.begin(), rearranged.begin() + n / 2, rearranged.end());
    return ScrambleText(rearranged, FixedKey);
}

QByteArray DecodePassword(QByteArrayView stored)
{
    const qsizetype n = stored.size();
    QByteArray clear = ScrambleText(stored, FixedKey);
    std::rotate(clear.begin(), clear.begin() + (n - n / 2), clear.end());
    std::reverse(clear.begin(), clear.end());
    return clear;
}
