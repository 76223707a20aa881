#pragma once

#include <QList>
#include <QString>

class SpellDictionary;

struct WordSpan {
    qsizetype start = 0;
    qsizetype length = 0;
};

// The words of `text` whose spelling counts: its words as QTextBoundaryFinder finds them, without those
// holding a digit ("2-й" is "2", "-" and "й"), and each cut into its runs of letters where a full stop or
// a colon joins two ("т.е" and "слово.Слово" are two words each). Apostrophes stay inside a word.
QList<WordSpan> findWords(const QString& text);

// Those of them that `dictionary` holds to be wrong.
QList<WordSpan> misspeltWords(SpellDictionary& dictionary, const QString& text);
