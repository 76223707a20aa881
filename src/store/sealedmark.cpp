#include "sealedmark.h"

#include "scramble.h"

const QByteArray& sealedmark::passwordMark()
{
    static const QByteArray mark = encodePassword(QByteArrayLiteral("\0\x98 Quillnest: encrypted diary"));
    return mark;
}

bool sealedmark::marks(const DiaryRecord& record)
{
    return record.slot(1) == passwordMark() || QByteArrayView(record.data() + MagicAt, Magic.size()) == Magic;
}
