#include "scramble.h"

#include <QtGlobal>

#include <algorithm>

// Passwords are short: whole diaries go through xorWithPattern with a pattern made once.
QByteArray ScrambleText(QByteArrayView text, QByteArrayView key)
{
    Q_ASSERT_X(text.isEmpty() || !key.isEmpty(), "ScrambleText", "a non-empty text needs a non-empty key");
    QByteArray result = text.toByteArray();
    for (qsizetype i = 0; i < result.size() && !key.isEmpty(); ++i)
        result[i] = char(result[i] ^ key[i % key.size()]);
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
