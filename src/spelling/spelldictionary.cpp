#include "spelldictionary.h"

#include "hunspelllanguage.h"
#include "personalwords.h"

#include "store/error.h"

#include <algorithm>

namespace
{

// Text pasted from anywhere could fill the cache without end; a person's own vocabulary stays far below.
constexpr qsizetype MaxVerdicts = 200000;

enum class Script { None, Latin, Cyrillic };

// Cyrillic wins: a Latin letter among Cyrillic ones is a slip of the keyboard layout, worth underlining.
Script scriptOf(const QString& word)
{
    Script script = Script::None;
    qsizetype letters = 0;
    for (const QChar c : word) {
        if (c.isDigit())
            return Script::None;
        if (!c.isLetter())
            continue;
        ++letters;
        if (c.script() == QChar::Script_Cyrillic)
            script = Script::Cyrillic;
        else if (c.script() == QChar::Script_Latin && script == Script::None)
            script = Script::Latin;
        else if (c.script() != QChar::Script_Latin && c.script() != QChar::Script_Cyrillic)
            return Script::None;
    }
    return letters > 1 ? script : Script::None;
}

// The form the dictionaries hold: letters composed (й typed as и and a breve is one letter there), and
// without the stress marks that Russian texts put on vowels.
QString dictionaryForm(const QString& word)
{
    QString form = word.normalized(QString::NormalizationForm_C);
    form.remove(QChar(0x0301));
    form.remove(QChar(0x0300));
    return form;
}

// One word a line: a blank or a line break would make it more than one, or none.
bool isStorable(const QString& word)
{
    return !word.isEmpty() && std::none_of(word.begin(), word.end(), [](QChar c) { return c.isSpace() || c.isNull(); });
}

} // namespace

// DICPATH, which Hunspell's own tools read too, names other folders to look in instead.
QStringList SpellDictionary::defaultFolders()
{
    if (qEnvironmentVariableIsSet("DICPATH"))
        return qEnvironmentVariable("DICPATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return {QStringLiteral("/usr/share/hunspell")};
}

bool SpellDictionary::isInstalled(const QStringList& folders)
{
    return HunspellLanguage::isInstalled(QStringLiteral("ru_RU"), folders);
}

SpellDictionary::SpellDictionary(QString personalListPath, const QStringList& folders)
    : m_russian(std::make_unique<HunspellLanguage>(QStringLiteral("ru_RU"), folders)),
      m_english(std::make_unique<HunspellLanguage>(QStringLiteral("en_US"), folders)),
      m_personalListPath(std::move(personalListPath))
{
    for (const QString& word : personalwords::read(m_personalListPath)) {
        if (HunspellLanguage* language = languageOf(word))
            language->add(dictionaryForm(word));
    }
}

SpellDictionary::~SpellDictionary() = default;

bool SpellDictionary::isAvailable() const
{
    return m_russian->isLoaded();
}

HunspellLanguage* SpellDictionary::languageOf(const QString& word) const
{
    if (!isAvailable())
        return nullptr;
    switch (scriptOf(word)) {
    case Script::Cyrillic:
        return m_russian.get();
    case Script::Latin:
        return m_english->isLoaded() ? m_english.get() : nullptr;
    case Script::None:
        break;
    }
    return nullptr;
}

bool SpellDictionary::lookUp(const QString& word)
{
    HunspellLanguage* language = languageOf(word);
    return !language || language->spell(dictionaryForm(word));
}

bool SpellDictionary::isCorrect(const QString& word)
{
    const auto known = m_verdicts.constFind(word);
    if (known != m_verdicts.cend())
        return *known;
    if (m_verdicts.size() >= MaxVerdicts)
        m_verdicts.clear();
    const bool verdict = lookUp(word);
    m_verdicts.insert(word, verdict);
    return verdict;
}

QStringList SpellDictionary::suggestions(const QString& word)
{
    HunspellLanguage* language = languageOf(word);
    return language ? language->suggest(dictionaryForm(word)).mid(0, MaxSuggestions) : QStringList();
}

void SpellDictionary::addPersonalWord(const QString& word)
{
    const QString stored = dictionaryForm(word.trimmed());
    if (!isStorable(stored))
        return;
    if (HunspellLanguage* language = languageOf(stored))
        language->add(stored);
    // Other spellings of it (capitalised, in capitals) may have been judged wrong.
    forgetVerdicts();
    try {
        personalwords::add(m_personalListPath, stored);
    } catch (const QuillnestError& error) {
        throw QuillnestError(QStringLiteral("Слово «%1» не записано в личный словарь %2: %3\rДо выхода из программы "
                                            "оно считается верным.")
                                 .arg(stored, m_personalListPath, error.text()));
    }
}

void SpellDictionary::forgetVerdicts()
{
    m_verdicts.clear();
}
