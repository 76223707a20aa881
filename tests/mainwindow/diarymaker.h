#pragma once

#include "settings/privateprofile.h"
#include "settings/settingsfile.h"
#include "store/cp1251.h"
#include "store/diaryrecord.h"
#include "store/entrytext.h"
#include "store/recordfile.h"
#include "store/scramble.h"
#include "store/stamp.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QList>
#include <QListWidget>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
#include <QTimer>

// Diaries and settings files for the main window's tests, written through the program's own store.
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
    QList<double> stamps; // one entry per stamp, with a short text of its own
};

inline QString entryText(int number)
{
    return QStringLiteral("Запись номер %1\r\nвторая строка").arg(number);
}

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

    const QByteArray key = password.isEmpty() ? FixedKey : password;
    RecordFile file;
    file.open(path);
    for (int i = 0; i < diary.stamps.size(); ++i) {
        DiaryRecord record;
        record.setStamp(diary.stamps[i]);
        cutTextIntoLines(record, toCp1251(entryText(i + 1)), key);
        file.append(record);
    }
    file.close();
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The clear text of every entry of a diary, read back through the store.
inline QStringList entryTexts(const QString& path, const QByteArray& key = FixedKey)
{
    RecordFile file;
    file.open(path);
    QStringList texts;
    file.readEach(1, [&](qint64, const DiaryRecord& record) { texts << fromCp1251(joinLines(record, key)); });
    return texts;
}

// A person's double click on item `row` of the date list.
inline void doubleClickItem(QListWidget* list, int row)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

inline void setSetting(const QString& programDir, const QString& section, const QString& key, const QString& value)
{
    PrivateProfile profile(settingsFilePath(programDir));
    profile.writeString(section, key, value);
}

// Answers every modal window that appears while it lives, as a person dismissing it would, and
// remembers what each one said, so that a test fails on an unexpected window instead of hanging.
class ModalWatch
{
public:
    ModalWatch()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { dismissModal(); });
        m_timer.start();
    }

    const QStringList& seen() const { return m_seen; }

private:
    void dismissModal()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            m_seen << box->text();
        else
            m_seen << QString::fromLatin1(modal->metaObject()->className());
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }

    QTimer m_timer;
    QStringList m_seen;
};

} // namespace diarymaker
