#include "spelling/spelldictionary.h"
#include "testfiles.h"
#include "windows/spellchecking.h"

#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <sys/stat.h>

using namespace testfiles;
using namespace Qt::StringLiterals;

class TestSpelling : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_list = m_dir.filePath(u"Words.txt"_s);
    SpellDictionary m_dictionary{m_list};
    QStringList m_told;
    std::unique_ptr<QPlainTextEdit> m_box;
    SpellChecking* m_checking = nullptr; // the box's

    // The words drawn with a spelling underline.
    QStringList underlined() const
    {
        QStringList words;
        for (QTextBlock block = m_box->document()->begin(); block.isValid(); block = block.next())
            for (const QTextLayout::FormatRange& range : block.layout()->formats())
                if (range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
                    words << block.text().mid(range.start, range.length);
        return words;
    }
    // Where a click on the second letter of `word` lands, in the viewport.
    QPoint pointAt(const QString& word) const
    {
        QTextCursor cursor(m_box->document());
        cursor.setPosition(int(m_box->toPlainText().indexOf(word)) + 1);
        return m_box->cursorRect(cursor).center();
    }
    std::unique_ptr<QMenu> menuAt(const QString& word)
    {
        return std::unique_ptr<QMenu>(m_checking->contextMenu(pointAt(word)));
    }

private slots:
    void init()
    {
        QVERIFY(m_dictionary.isAvailable());
        m_box = std::make_unique<QPlainTextEdit>();
        m_checking = new SpellChecking(m_box.get(), m_dictionary, [this](const QString& error) { m_told << error; });
        m_checking->setActive(true);
    }

    // Russian words against ru_RU, Latin ones against en_US; a Latin letter in a Russian word is wrong, numbers,
    // single letters and stress marks are not. Only the layout holds the underlines.
    void underlinesWrongWordsWhileActive()
    {
        const QString text = u"Превет, дневник! Привет, исчо раз: helo world, ещё 2-й т.е кто-то за\u0301мок\nпpивет"_s;
        m_checking->setActive(false);
        m_box->setPlainText(text);
        QVERIFY(underlined().isEmpty());
        m_checking->setActive(true);
        QCOMPARE(underlined(), QStringList({"Превет", "исчо", "helo", "пpивет"}));
        m_box->moveCursor(QTextCursor::End);
        m_box->insertPlainText(u" дневнек"_s);
        QCOMPARE(underlined(), QStringList({"Превет", "исчо", "helo", "пpивет", "дневнек"}));
        m_checking->setActive(false);
        QVERIFY(underlined().isEmpty() && m_box->toPlainText() == text + u" дневнек"_s);
        QCOMPARE(m_box->document()->availableUndoSteps(), 1);
    }

    void menuOffersSuggestionsThatReplaceTheWord()
    {
        m_box->setPlainText(u"Мой превет тебе"_s);
        const auto menu = menuAt(u"превет"_s);
        const QList<QAction*> actions = menu->actions();
        const auto offered = menu->findChildren<QAction*>(u"spellSuggestion"_s);
        QVERIFY(!offered.isEmpty() && offered.size() <= 7 && actions.mid(0, offered.size()) == offered);
        QCOMPARE(actions[offered.size()]->objectName(), u"spellAddWord"_s);
        QVERIFY(actions[offered.size() + 1]->isSeparator() &&
                actions[offered.size() + 2]->objectName() == u"edit-undo"_s);
        const auto right =
            std::find_if(offered.begin(), offered.end(), [](auto* a) { return a->text() == u"привет"_s; });
        QVERIFY(right != offered.end());
        (*right)->trigger();
        QVERIFY(m_box->toPlainText() == u"Мой привет тебе"_s && underlined().isEmpty());
        m_box->undo();
        QCOMPARE(m_box->toPlainText(), u"Мой превет тебе"_s);

        // A right word has the box's own menu alone; so has any word while checking is off.
        QCOMPARE(menuAt(u"тебе"_s)->actions().first()->objectName(), u"edit-undo"_s);
        m_checking->setActive(false);
        QCOMPARE(menuAt(u"превет"_s)->actions().first()->objectName(), u"edit-undo"_s);
        m_checking->setActive(true);
        m_box->show();
        QContextMenuEvent request(QContextMenuEvent::Mouse, pointAt(u"превет"_s), QCursor::pos());
        QApplication::sendEvent(m_box->viewport(), &request);
        auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(shown && shown->findChild<QAction*>(u"spellAddWord"_s));
        shown->close();
    }

    // The list is written whole for its owner alone, as Settings.ini is; a write that fails leaves the file as it
    // was, and the word counts as right until the program ends.
    void addedWordsAreKeptOnTheDisk()
    {
        m_box->setPlainText(u"Квиллнест и Превед"_s);
        menuAt(u"Квиллнест"_s)->findChild<QAction*>(u"spellAddWord"_s)->trigger();
        QCOMPARE(underlined(), QStringList({"Превед"}));
        const QByteArray written = u"Квиллнест\n"_s.toUtf8();
        struct stat info;
        QVERIFY(fileBytes(m_list) == written && ::stat(m_list.toUtf8(), &info) == 0 && (info.st_mode & 0777) == 0600);
        QVERIFY(SpellDictionary(m_list).isCorrect(u"КВИЛЛНЕСТ"_s));

        failReplacementsAt(ReplaceStep::FlushTemporary);
        menuAt(u"Превед"_s)->findChild<QAction*>(u"spellAddWord"_s)->trigger();
        QVERIFY(m_told.size() == 1 && m_told[0].contains(u"Disk full"_s) && m_told[0].contains(m_list));
        QVERIFY(underlined().isEmpty() && fileBytes(m_list) == written);
        QVERIFY(!SpellDictionary(m_list).isCorrect(u"Превед"_s));
        setReplaceFaultHook({});

        QCOMPARE(fileBytes(m_list), written);
    }
};

QTEST_MAIN(TestSpelling)
#include "tst_spelling.moc"
