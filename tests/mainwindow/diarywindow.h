#pragma once

#include "diarymaker.h"
#include "modalscript.h"

#include "mainwindow/mainwindow.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolButton>

#include <memory>
#include <optional>

// A main window started on a diary of chosen entries, with editing mode on, and the moves a person
// makes in it.
namespace diarywindow
{

struct Entry {
    double stamp;
    QString text; // line breaks as the diary file keeps them (CR LF)
};

class Session
{
public:
    bool start(const QList<Entry>& entries, double created = diarymaker::stampOf(2025, 11, 2, 9, 5, 59))
    {
        using namespace SettingsKeys;
        if (!dir.emplace().isValid())
            return false;
        path = dir->filePath(QStringLiteral("d.qnb"));
        writeDiary(path, entries, created);
        diarymaker::setSetting(dir->path(), Options, Editing, QStringLiteral("1"));
        diarymaker::setSetting(dir->path(), Options, OpenLast, QStringLiteral("1"));
        diarymaker::setSetting(dir->path(), Directory, LastDiary, path);
        window = std::make_unique<TForm1>(dir->path());
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    static void writeDiary(const QString& path, const QList<Entry>& entries, double created)
    {
        diarymaker::Diary header;
        header.created = created;
        diarymaker::writeDiary(path, header);
        RecordFile file;
        file.open(path);
        for (const Entry& entry : entries) {
            DiaryRecord record;
            record.setStamp(entry.stamp);
            cutTextIntoLines(record, toCp1251(entry.text), FixedKey);
            file.append(record);
        }
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
    // What the text box shows after a double click on item `row`.
    QString view(int row)
    {
        diarymaker::doubleClickItem(window->LBdate, row);
        return window->mm->toPlainText();
    }
    QStringList listItems() const
    {
        QStringList items;
        for (int i = 0; i < window->LBdate->count(); ++i)
            items << window->LBdate->item(i)->text();
        return items;
    }

    std::optional<QTemporaryDir> dir;
    QString path;
    std::unique_ptr<TForm1> window;
};

} // namespace diarywindow
