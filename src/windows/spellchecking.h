#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>

class QMenu;
class QPlainTextEdit;
class SpellDictionary;
class SpellUnderliner;

// Spelling checked while the person types: the words of the text box that `dictionary` holds to be wrong
// are underlined, and its context menu offers words to put in their place and the person's word list. The
// underlines live in the text's layout alone: the text stays as typed. Each paragraph is checked when it
// changes, and the whole text only when checking is turned on or off or the word list grows.
class SpellChecking : public QObject
{
    Q_OBJECT

public:
    using Tell = std::function<void(const QString&)>;

    // It is the box's; `dictionary` must outlive it. `tell`, where given, shows the person an error, such as a
    // word list that could not be written.
    SpellChecking(QPlainTextEdit* box, SpellDictionary& dictionary, Tell tell);

    // What the person is told where the Russian dictionary is missing.
    static QString missingDictionaryText();
    bool isAvailable() const;

    bool isActive() const;
    // Underlines the wrong words from now on, or none.
    void setActive(bool active);

    // The box's context menu for `pos` (in its viewport): on a word underlined, the words to put in its place,
    // "Добавить в словарь" and a separator come before the box's own commands. The caller's to delete.
    QMenu* contextMenu(const QPoint& pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addSpellActions(QMenu* menu, const QPoint& pos);
    void addWord(const QString& word);

    QPlainTextEdit* m_box;
    SpellDictionary& m_dictionary;
    Tell m_tell;
    SpellUnderliner* m_underliner;
};
