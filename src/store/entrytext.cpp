#include "entrytext.h"

#include "scramble.h"

#include <algorithm>

void cutTextIntoLines(DiaryRecord& record, QByteArrayView text, QByteArrayView key)
{
    qsizetype done = 0;
    for (int k = 1; k <= SlotCount; ++k) {
        const qsizetype length = std::min<qsizetype>(text.size() - done, SlotCapacity);
        if (length <= 0) {
            record.clearSlot(k);
            continue;
        }
        record.setSlot(k, text.sliced(done, length));
        // Each slot is scrambled on its own, the key starting again at its first character.
        scrambleInPlace(record.data() + slotOffset(k) + 1, length, key);
        done += length;
    }
}

qsizetype joinLinesInto(const DiaryRecord& record, QByteArrayView key, char* out)
{
    qsizetype done = 0;
    for (int k = 1; k <= SlotCount; ++k) {
        const QByteArrayView piece = record.slot(k);
        if (piece.isEmpty())
            continue;
        std::copy(piece.begin(), piece.end(), out + done);
        scrambleInPlace(out + done, piece.size(), key);
        done += piece.size();
    }
    return done;
}

QByteArray joinLines(const DiaryRecord& record, QByteArrayView key)
{
    QByteArray text(MaxEntryChars, Qt::Uninitialized);
    text.truncate(joinLinesInto(record, key, text.data()));
    return text;
}
