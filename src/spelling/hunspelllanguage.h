#pragma once

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <memory>
#include <string>

class Hunspell;

// One Hunspell dictionary, "<name>.aff" with "<name>.dic", spoken to in its own encoding. One whose files
// are missing, or whose encoding the program cannot write, is not loaded and knows no word.
class HunspellLanguage
{
public:
    // Loads the dictionary from the first of `folders` that holds both of its files.
    HunspellLanguage(const QString& name, const QStringList& folders);
    ~HunspellLanguage();
    HunspellLanguage(const HunspellLanguage&) = delete;
    HunspellLanguage& operator=(const HunspellLanguage&) = delete;

    // Both files of dictionary `name` are in one of `folders`.
    static bool isInstalled(const QString& name, const QStringList& folders);
    bool isLoaded() const { return m_hunspell != nullptr; }
    bool spell(const QString& word);
    QStringList suggest(const QString& word);
    // Known from now on, for as long as the dictionary is loaded.
    void add(const QString& word);

private:
    // False where `word` has a character the dictionary's encoding lacks: no such word is in it.
    bool encode(const QString& word, std::string& bytes);
    QString decode(const std::string& bytes);

    std::unique_ptr<Hunspell> m_hunspell;
    bool m_utf8 = true;
    QStringEncoder m_encoder;
    QStringDecoder m_decoder;
};
