#include "spellchecking.h"

#include "spelling/spelldictionary.h"
#include "spelling/wordscan.h"
#include "store/error.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <QTextCursor>

#include <optional>

// Underlines the wrong words of each paragraph as the document lays it out. It keeps no state between
// paragraphs, so a change to one checks that one alone.
class SpellUnderliner : public QSyntaxHighlighter
{
public:
    SpellUnderliner(QObject* owner, SpellDictionary& dictionary) : QSyntaxHighlighter(owner), m_dictionary(dictionary)
    {
        m_format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
        m_format.setUnderlineColor(Qt::red);
    }

    bool active = false;

protected:
    void highlightBlock(const QString& text) override
    {
        if (!active)
            return;
        for (const WordSpan& word : misspeltWords(m_dictionary, text))
            setFormat(int(word.start), int(word.length), m_format);
    }

private:
    SpellDictionary& m_dictionary;
    QTextCharFormat m_format;
};

namespace
{

// The word of `words` that holds `position`, or touches it from either side.
std::optional<WordSpan> wordAt(const QList<WordSpan>& words, qsizetype position)
{
    for (const WordSpan& word : words) {
        if (word.start <= position && position <= word.start + word.length)
            return word;
    }
    return std::nullopt;
}

} // namespace

SpellChecking::SpellChecking(QPlainTextEdit* box, SpellDictionary& dictionary, Tell tell)
    : QObject(box), m_box(box), m_dictionary(dictionary), m_tell(std::move(tell)),
      m_underliner(new SpellUnderliner(this, dictionary))
{
    // Ours, not the document's: the box may go first, taking its document with it.
    m_underliner->setDocument(box->document());
    // A menu asked for with the mouse comes to the viewport, one asked for with the keyboard to the box.
    box->installEventFilter(this);
    box->viewport()->installEventFilter(this);
}

QString SpellChecking::missingDictionaryText()
{
    return QStringLiteral("Установите пакет hunspell-ru, чтобы проверять орфографию");
}

bool SpellChecking::isAvailable() const
{
    return m_dictionary.isAvailable();
}

bool SpellChecking::isActive() const
{
    return m_underliner->active;
}

void SpellChecking::setActive(bool active)
{
    if (active == isActive())
        return;
    m_underliner->active = active;
    if (isAvailable())
        m_underliner->rehighlight();
}

QMenu* SpellChecking::contextMenu(const QPoint& pos)
{
    QMenu* menu = m_box->createStandardContextMenu(pos);
    if (isActive() && isAvailable() && !m_box->isReadOnly())
        addSpellActions(menu, pos);
    return menu;
}

void SpellChecking::addSpellActions(QMenu* menu, const QPoint& pos)
{
    QTextCursor cursor = m_box->cursorForPosition(pos);
    const QTextBlock block = cursor.block();
    const auto word = wordAt(findWords(block.text()), cursor.positionInBlock());
    if (!word)
        return;
    cursor.setPosition(block.position() + int(word->start));
    cursor.setPosition(block.position() + int(word->start + word->length), QTextCursor::KeepAnchor);
    const QString text = cursor.selectedText();
    if (m_dictionary.isCorrect(text))
        return;
    QAction* first = menu->actions().value(0);
    for (const QString& suggestion : m_dictionary.suggestions(text)) {
        QAction* action = new QAction(suggestion, menu);
        action->setObjectName(QStringLiteral("spellSuggestion"));
        // The cursor follows edits made meanwhile; the word is replaced only while it is still there.
        connect(action, &QAction::triggered, this, [cursor, text, suggestion]() mutable {
            if (cursor.selectedText() != text)
                return;
            cursor.beginEditBlock(); // one step to undo
            cursor.insertText(suggestion);
            cursor.endEditBlock();
        });
        menu->insertAction(first, action);
    }
    QAction* add = new QAction(QStringLiteral("Добавить в словарь"), menu);
    add->setObjectName(QStringLiteral("spellAddWord"));
    connect(add, &QAction::triggered, this, [this, text] { addWord(text); });
    menu->insertAction(first, add);
    menu->insertSeparator(first);
}

void SpellChecking::addWord(const QString& word)
{
    try {
        m_dictionary.addPersonalWord(word);
    } catch (const QuillnestError& error) {
        if (m_tell)
            m_tell(error.text());
    }
    m_underliner->rehighlight();
}

bool SpellChecking::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ContextMenu || !isActive() || !isAvailable() || m_box->isReadOnly())
        return false;
    auto* request = static_cast<QContextMenuEvent*>(event);
    const QPoint pos = watched == m_box ? m_box->viewport()->mapFrom(m_box, request->pos()) : request->pos();
    QMenu* menu = contextMenu(pos);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(request->globalPos());
    return true;
}
