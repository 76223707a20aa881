#include "entrytext.h"

#include "scramble.h"

#include <algorithm>

void cutTextIntoLines(DiaryRecord& record, QByteArrayView text, QByteArrayView key)
{
    const QByteArray pattern = linePattern(key);
    qsizetype done = 0;
    for (int k = 1; k <= SlotCount; ++k) {
        const qsizetype length = std::min<qsizetype>(text.size() - done, SlotCapacity);
        if (length <= 0) {
            record.clearSlot(k);
            continue;
        }
        record.setSlot(k, text.sliced(done, length));
        // Each slot is scrambled on its own, the key starting again at its first character.
        char* line = record.data() + slotOffset(k) + 1;
        xorWithPattern(line, pattern.constData(), length, line);
        done += length;
    }
}

QByteArray linePattern(QByteArrayView key)
{
    Q_ASSERT_X(!key.isEmpty(), "linePattern", "lines are scrambled with a key");
    QByteArray pattern(SlotCapacity, Qt::Uninitialized);
    for (int i = 0; i < SlotCapacity; ++i)
        pattern[i] = key[i % key.size()];
    return pattern;
}

qsizetype joinLinesInto(const DiaryRecord& record, const QByteArray& pattern, char* out)
{
    qsizetype done = 0;
    for (int k = 1; k <= SlotCount; ++k) {
        const QByteArrayView piece = record.slot(k);
        xorWithPattern(piece.data(), pattern.constData(), piece.size(), out + done);
        done += piece.size();
    }
    return done;
}

QByteArray joinLines(const DiaryRecord& record, QByteArrayView key)
{
    QByteArray text(MaxEntryChars, Qt::Uninitialized);
    text.truncate(joinLinesInto(record, linePattern(key), text.data()));
    return text;
}

// Each slot is scrambled on its own from the key's first byte on, and scrambling is an exclusive or:
// one pattern, the old key's bytes combined with the new key's over a slot's length, turns a slot
// from the one key to the other where it lies, so the entry keeps its pieces exactly as they were cut.
QByteArray rekeyingPattern(QByteArrayView oldKey, QByteArrayView newKey)
{
    QByteArray change = linePattern(oldKey);
    xorWithPattern(change.constData(), linePattern(newKey).constData(), SlotCapacity, change.data());
    return change;
}

void rekeyLines(DiaryRecord& record, const QByteArray& change)
{
    for (int k = 1; k <= SlotCount; ++k) {
        char* text = record.data() + slotOffset(k) + 1;
        xorWithPattern(text, change.constData(), record.slotLength(k), text);
    }
}
