#pragma once

#include "mainwindow/mainwindow.h"
#include "protection/passwordprompt.h"
#include "settings/privateprofile.h"
#include "settings/settingsfile.h"
#include "store/cp1251.h"
#include "store/diaryedit.h"
#include "store/entrytext.h"
#include "store/scramble.h"
#include "store/stamp.h"
#include "testfiles.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>
#include <optional>

// Diaries and settings files written through the program's own store, and a person at the main window.
namespace diarymaker
{

inline double stampOf(int year, int month, int day, int h = 0, int m = 0, int s = 0, int ms = 0)
{
    return dateTimeToStamp(QDateTime(QDate(year, month, day), QTime(h, m, s, ms)));
}

struct Diary {
    QString title;
    QString owner;
    QString password; // clear; empty for none
    double created = stampOf(2025, 11, 2, 9, 5, 59);
    QList<double> stamps; // one entry per stamp
    QStringList texts;    // with CR LF line breaks; a text of two lines of its own where none is given
};

inline void writeDiary(const QString& path, const Diary& diary)
{
    DiaryHeader header;
    header.Created = diary.created;
    header.Title = toCp1251(diary.title);
    header.Owner = toCp1251(diary.owner);
    const QByteArray password = toCp1251(diary.password);
    if (!password.isEmpty())
        header.Password = EncodePassword(password);
    createDiaryFile(path, header.toRecord(), false);

    RecordFile file;
    file.open(path);
    for (int i = 0; i < diary.stamps.size(); ++i) {
        DiaryRecord record;
        record.setStamp(diary.stamps[i]);
        const QString text = diary.texts.value(i, QStringLiteral("Запись номер %1\r\nвторая строка").arg(i + 1));
        cutTextIntoLines(record, toCp1251(text), password.isEmpty() ? FixedKey : password);
        file.append(record);
    }
}

const QDate DayA(2024, 3, 1);
const QDate DayB(2024, 3, 2);

inline double at(const QDate& day, int hour)
{
    return stampOf(day.year(), day.month(), day.day(), hour, 15, 7);
}

// Entry i is "Текст i"; the odd ones also hold "общее" and were saved on DayA, the even ones on DayB,
// so that one day's entries never lie side by side, as after the clock was set back. Entry 5 has the
// time stamp of entry 3.
inline Diary alternatingDays(int count)
{
    Diary diary;
    for (int i = 1; i <= count; ++i) {
        diary.stamps << at(i % 2 ? DayA : DayB, i == 5 ? 3 : i);
        diary.texts << QStringLiteral("Текст %1%2").arg(i).arg(i % 2 ? " общее" : "");
    }
    return diary;
}

using testfiles::fileBytes;

// The clear text of every entry of a diary, read back through the store.
inline QStringList entryTexts(const QString& path, const QByteArray& key = FixedKey)
{
    RecordFile file;
    file.open(path);
    QStringList texts;
    file.readEach(1, [&](qint64, const DiaryRecord& record) { texts << fromCp1251(joinLines(record, key)); });
    return texts;
}

// Runs `action` and plays the user in the modal windows it opens. The open dialog and the password
// prompt each take the next of `answers` (a file name to accept, a password to try); an empty or
// missing answer cancels, so that a test fails instead of hanging. Message boxes are read and closed
// with OK. Returns what showed, in order: message texts and the other windows' names. A message box
// that is not the program's own (its title, one OK) shows as "alien box".
inline QStringList answering(QStringList answers, const std::function<void()>& action)
{
    QStringList seen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            const bool own = box->windowTitle() == QStringLiteral("Quillnest") && box->buttons().size() == 1;
            seen << (own ? box->text() : QStringLiteral("alien box"));
            box->button(QMessageBox::Ok)->click();
            return;
        }
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (!dialog)
            return;
        seen << dialog->objectName();
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (answer.isEmpty()) {
            dialog->reject();
        } else if (auto* prompt = qobject_cast<TPassDlg*>(dialog)) {
            prompt->PassIn->setText(answer);
            prompt->BbOK->click();
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

// A main window in a program folder of its own, and the moves a person makes in it.
struct Session {
    std::optional<QTemporaryDir> dir;
    QString path; // the diary that start() writes
    std::unique_ptr<TForm1> window;

    QString file(const QString& name) const { return dir->filePath(name); }
    void close()
    {
        window.reset();
        dir.reset();
    }

    // Starts the program as Settings.ini now says; returns what showed meanwhile.
    QStringList launch(const QStringList& answers = {})
    {
        const QStringList seen = answering(answers, [this] { window = std::make_unique<TForm1>(dir->path()); });
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return {QStringLiteral("window not shown")};
        return seen;
    }

    // Settings.ini as `text` says, "%1" standing for the program folder.
    bool writeSettings(QByteArray text) const
    {
        QFile settings(settingsFilePath(dir->path()));
        text.replace("%1", dir->path().toUtf8());
        return settings.open(QIODevice::WriteOnly) && settings.write(text) == text.size();
    }

    // Starts the program with editing on and `diary` opened as the diary used last.
    bool start(const Diary& diary)
    {
        if (!dir.emplace().isValid())
            return false;
        path = file(QStringLiteral("d.qnb"));
        writeDiary(path, diary);
        return writeSettings("[Options]\nEditing=1\nOpenLast=1\n[Directory]\nLastDiary=%1/d.qnb\n") &&
               launch().isEmpty();
    }

    // Message boxes are read and closed with OK; their texts are returned.
    QStringList click(QToolButton* button)
    {
        return answering({}, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    }
    QStringList trigger(QAction* item)
    {
        return answering({}, [item] { item->trigger(); });
    }
    QStringList searchWord(const QString& phrase)
    {
        window->InWord->setText(phrase);
        return click(window->Search);
    }
    QStringList searchDay(const QDate& day)
    {
        window->DTPicker->setDate(day);
        return click(window->ToChNum);
    }

    // What the text box shows after a person's double click on item `row`.
    QString view(int row)
    {
        QListView* list = window->LBdate;
        const QPoint center = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, center);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, center);
        return window->mm->toPlainText();
    }
    int listCount() const { return window->LBdate->model()->rowCount(); }
    QStringList listItems() const
    {
        QStringList items;
        for (int i = 0; i < listCount(); ++i)
            items << window->LBdate->model()->index(i, 0).data().toString();
        return items;
    }
    // Item i of the list shows the entry of record records[i], as the file now holds it.
    void verifyItemsLeadTo(const QList<int>& records)
    {
        const QStringList texts = entryTexts(window->state().DiaryPath);
        QCOMPARE(listCount(), records.size());
        for (int row = 0; row < records.size(); ++row)
            QCOMPARE(view(row), toEditorLineBreaks(texts.value(records[row] - 1)));
    }
};

} // namespace diarymaker
