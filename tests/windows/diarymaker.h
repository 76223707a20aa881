#pragma once

#include "settings/settingsfile.h"
#include "testfiles.h"
#include "windows/mainwindow.h"

#include <QtTest>
#include <QtWidgets>

// Diaries written through the program's own store, and a person at the program's windows.
namespace diarymaker
{

using namespace testfiles;

// The control called `name` in `window`, found as screen readers and outside tools find controls: by its
// object name, never by a member of the program. A missing one ends the test run, naming it.
template <class Control = QWidget> Control* named(const QObject* window, const QString& name)
{
    auto* found = window->findChild<Control*>(name);
    if (!found)
        qFatal("%s holds no %s named %s", qPrintable(window->objectName()), Control::staticMetaObject.className(),
               qPrintable(name));
    return found;
}

// What a screen reader says a control is.
inline QString readName(QObject* control)
{
    return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
}

// Entry i is "Текст i"; the odd ones also hold "общее" and were saved on 1 March 2024 at i:15:07, the
// even ones on 2 March, so that one day's entries never lie side by side. Entry 5 has entry 3's stamp.
inline Diary alternatingDays(int count)
{
    Diary diary{.stamps = {}};
    for (int i = 1; i <= count; ++i) {
        diary.stamps << stampOf(2024, 3, 2 - i % 2, i == 5 ? 3 : i, 15, 7);
        diary.texts << QStringLiteral("Текст %1%2").arg(i).arg(i % 2 ? " общее" : "");
    }
    return diary;
}

// Runs `action` and plays the user in the modal windows it opens: the open dialog, the password prompt
// and the program's questions take the next of `answers` (a question's answer is the text of its button;
// none cancels or presses Esc, so that a test fails instead of hanging), messages OK. Returns the
// messages, questions and dialogs' names in order; a box not the program's own shows as "alien box".
inline QStringList answering(QStringList answers, const std::function<void()>& action)
{
    QStringList seen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto* box = qobject_cast<QMessageBox*>(dialog);
        const bool own = !box || box->windowTitle() == QStringLiteral("Quillnest");
        seen << (!box ? dialog->objectName() : own ? box->text() : QStringLiteral("alien box"));
        if (box && box->buttons().size() == 1)
            return box->buttons().first()->click();
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (box) {
            for (QAbstractButton* button : box->buttons())
                if (button->text() == answer)
                    return button->click();
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (answer.isEmpty()) {
            dialog->reject();
        } else if (dialog->objectName() == QLatin1String("PassDlg")) {
            named<QLineEdit>(dialog, "PassIn")->setText(answer);
            named<QPushButton>(dialog, "BbOK")->click();
        } else {
            // A file selected in the view last time would win over the typed name, and the dialog drops
            // it only while the name field has the focus, which comes late on a busy machine.
            for (auto* view : dialog->findChildren<QAbstractItemView*>())
                view->clearSelection();
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(answer);
            dialog->accept();
        }
    });
    timer.start(10);
    action();
    return seen;
}

// Closes a window as a person does: "button" clicks `closing`, "escape" presses Esc in `field`, else the close box.
inline void closeBy(const QString& way, QWidget* window, QAbstractButton* closing, QWidget* field)
{
    if (way == QLatin1String("button"))
        QTest::mouseClick(closing, Qt::LeftButton);
    else if (way == QLatin1String("escape"))
        QTest::keyClick(field, Qt::Key_Escape);
    else
        window->close();
}

// A main window in a program folder of its own, and the moves a person makes in it. A session ends, and with it
// any fault a test injected, when the next one starts or the test object goes.
struct Session {
    std::optional<QTemporaryDir> dir;
    QString path; // the diary that start() writes
    std::unique_ptr<MainWindow> window;

    QString file(const QString& name) const { return dir->filePath(name); }
    ~Session() { close(); }
    void close()
    {
        setReplaceFaultHook({});
        window.reset();
        dir.reset();
    }

    // Starts the program as Settings.ini now says, ending the one running first; returns what showed meanwhile.
    QStringList launch(const QStringList& answers = {})
    {
        window.reset();
        const QStringList seen = answering(
            answers, [this] { window = std::make_unique<MainWindow>(dir->path(), QString(), file("backups")); });
        window->show();
        return QTest::qWaitForWindowExposed(window.get()) ? seen : QStringList{"window not shown"};
    }

    // Settings.ini as `text` says, "%1" standing for the program folder.
    void writeSettings(QByteArray text) const
    {
        testfiles::writeFileBytes(settingsFilePath(dir->path()), text.replace("%1", dir->path().toUtf8()));
    }

    // Starts the program with `diary` as d.qnb, by default opened as the last diary with editing on; its
    // password is given when asked.
    bool start(const Diary& diary,
               const QByteArray& settings = "[Options]\nEditing=1\nOpenLast=1\n[Directory]\nLastDiary=%1/d.qnb\n")
    {
        close();
        dir.emplace();
        path = writeDiary(file(QStringLiteral("d.qnb")), diary);
        if (!settings.isNull())
            writeSettings(settings);
        return launch({diary.password}) == QStringList(diary.password.isEmpty() ? 0 : 1, QStringLiteral("PassDlg"));
    }

    // Gives the main window the keyboard.
    bool activate() const
    {
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    // The main window's controls by their names.
    template <class Control = QWidget> Control* find(const QString& name) const
    {
        return named<Control>(window.get(), name);
    }
    QAbstractButton* button(const QString& name) const { return find<QAbstractButton>(name); }
    QAction* menuItem(const QString& name) const { return find<QAction>(name); }
    QPlainTextEdit* textBox() const { return find<QPlainTextEdit>("mm"); }
    QAbstractItemView* dateList() const { return find<QAbstractItemView>("LBdate"); }
    // The text of panel `panel` of the status bar, numbered from 0.
    QString status(int panel) const { return find<QLabel>(QStringLiteral("SBarPanel%1").arg(panel))->text(); }

    // What showed meanwhile, as answering() returns it, `answers` given.
    QStringList click(QAbstractButton* button, const QStringList& answers = {})
    {
        return answering(answers, [=] { QTest::mouseClick(button, Qt::LeftButton); });
    }
    QStringList click(const QString& name) { return click(button(name)); }
    QStringList trigger(QAction* item, const QStringList& answers = {})
    {
        return answering(answers, [item] { item->trigger(); });
    }
    QStringList trigger(const QString& name, QStringList answers = {}) { return trigger(menuItem(name), answers); }

    // What the text box shows after a person scrolls to item `row` and double-clicks it.
    QString view(int row)
    {
        auto* list = dateList();
        list->scrollTo(list->model()->index(row, 0));
        const QPoint center = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, center);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, center);
        return textBox()->toPlainText();
    }
    int listCount() const { return dateList()->model()->rowCount(); }
    QString rowText(int row) const { return dateList()->model()->index(row, 0).data().toString(); }
};

} // namespace diarymaker
