#include "wordscan.h"

#include "spelldictionary.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace
{

bool isApostrophe(QChar c)
{
    return c == QLatin1Char('\'') || c == QChar(0x2019);
}

bool isWordPart(QChar c)
{
    return c.isLetter() || c.isMark() || isApostrophe(c);
}

// The runs of letters of one word found by the boundary finder.
void addRuns(const QString& text, qsizetype start, qsizetype end, QList<WordSpan>& words)
{
    const auto begin = text.cbegin();
    if (std::any_of(begin + start, begin + end, [](QChar c) { return c.isDigit(); }))
        return;
    qsizetype run = start;
    for (qsizetype i = start; i <= end; ++i) {
        if (i < end && isWordPart(text[i]))
            continue;
        if (i > run && text[run].isLetter())
            words.append({run, i - run});
        run = i + 1;
    }
}

} // namespace

QList<WordSpan> findWords(const QString& text)
{
    QList<WordSpan> words;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end >= 0; end = finder.toNextBoundary()) {
        if (text[start].isLetter())
            addRuns(text, start, end, words);
        start = end;
    }
    return words;
}

QList<WordSpan> misspeltWords(SpellDictionary& dictionary, const QString& text)
{
    QList<WordSpan> wrong;
    for (const WordSpan& word : findWords(text)) {
        if (!dictionary.isCorrect(text.mid(word.start, word.length)))
            wrong.append(word);
    }
    return wrong;
}
