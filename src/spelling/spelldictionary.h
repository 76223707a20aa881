#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

class HunspellLanguage;

// The verdict on each word the person writes: a word with a Cyrillic letter is looked up in the Russian
// dictionary (ru_RU), one in Latin letters alone in the English one (en_US) where that is installed. A
// word of one letter, with a digit, or in any other script is never wrong. The person's own word list
// (personalwords.h) is known to both. Without the Russian dictionary nothing is checked at all.
class SpellDictionary
{
public:
    // Where Debian's hunspell-* packages put their dictionaries.
    static QStringList defaultFolders();
    // The Russian dictionary is in one of `folders`: found without loading it.
    static bool isInstalled(const QStringList& folders = defaultFolders());
    static constexpr int MaxSuggestions = 7;

    // Loads the dictionaries from the first of `folders` that holds each, and the word list at
    // `personalListPath` (empty for none).
    explicit SpellDictionary(QString personalListPath, const QStringList& folders = defaultFolders());
    ~SpellDictionary();
    SpellDictionary(const SpellDictionary&) = delete;
    SpellDictionary& operator=(const SpellDictionary&) = delete;

    // The Russian dictionary is loaded: without it every word is right.
    bool isAvailable() const;
    const QString& personalListPath() const { return m_personalListPath; }

    // Each word is looked up once; its verdict is kept until the list changes.
    bool isCorrect(const QString& word);
    // At most MaxSuggestions words to put in its place, the likeliest first.
    QStringList suggestions(const QString& word);
    // The word is right from now on, and the list on the disk holds it. Where it cannot be written,
    // QuillnestError says why; the word is right all the same until the program ends.
    void addPersonalWord(const QString& word);
    // Every word is looked up anew from now on.
    void forgetVerdicts();

private:
    // The dictionary that judges `word`; none for a word that is never wrong.
    HunspellLanguage* languageOf(const QString& word) const;
    bool lookUp(const QString& word);

    std::unique_ptr<HunspellLanguage> m_russian;
    std::unique_ptr<HunspellLanguage> m_english;
    QString m_personalListPath;
    QHash<QString, bool> m_verdicts;
};
