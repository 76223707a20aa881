#include "scramble.h"

#include <QtGlobal>

#include <algorithm>

// Passwords are short: whole diaries go through xorWithPattern with a pattern made once.
QByteArray scrambleText(QByteArrayView text, QByteArrayView key)
{
    Q_ASSERT_X(text.isEmpty() || !key.isEmpty(), "scrambleText", "a non-empty text needs a non-empty key");
    QByteArray result = text.toByteArray();
    for (qsizetype i = 0; i < result.size() && !key.isEmpty(); ++i)
        result[i] = char(result[i] ^ key[i % key.size()]);
    return result;
}

QByteArray encodePassword(QByteArrayView password)
{
    const qsizetype n = password.size();
    QByteArray rearranged(n, Qt::Uninitialized);
    std::reverse_copy(password.begin(), password.end(), rearranged.begin());
    std::rotate(rearranged.begin(), rearranged.begin() + n / 2, rearranged.end());
    return scrambleText(rearranged, FixedKey);
}

QByteArray decodePassword(QByteArrayView stored)
{
    const qsizetype n = stored.size();
    QByteArray clear = scrambleText(stored, FixedKey);
    std::rotate(clear.begin(), clear.begin() + (n - n / 2), clear.end());
    std::reverse(clear.begin(), clear.end());
    return clear;
}
