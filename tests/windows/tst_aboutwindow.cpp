#include "diarymaker.h"
#include "widgets/jpegpicture.h"
#include "windows/aboutwindow.h"
#include "windows/exportwindow.h"
#include "windows/newdiarywindow.h"
#include "windows/settingswindow.h"

using namespace diarymaker;

class TestAboutWindow : public QObject
{
    Q_OBJECT

private slots:
    // The picture kept in the program decodes to its size and colours; damaged data is reported and
    // leaves a null image, never ends the program.
    void decodesThePicture()
    {
        const QByteArray bytes = fileBytes(":/about.jpg");
        const QImage picture = decodeJpeg(bytes);
        QCOMPARE(picture.size(), QSize(206, 134));
        QVERIFY(qGray(picture.pixel(60, 80)) > 200 && qGray(picture.pixel(2, 2)) < 90); // an open page, a dark desk
        QVERIFY(picture.pixelColor(180, 40).red() > 180 && picture.pixelColor(180, 40).blue() < 140); // the quill
        for (const QByteArray& damaged : {bytes.left(bytes.size() / 2), QByteArray(500, 'x'), QByteArray(),
                                          QByteArray(bytes).replace(2, 40, QByteArray(40, '\xff'))}) {
            QString error;
            QVERIFY(decodeJpeg(damaged, &error).isNull() && !error.isEmpty());
        }
    }

    // While it is shown the main window takes no input, not even a click from the window system; text typed into
    // the description is still there the next time.
    void standsOverTheMainWindow()
    {
        Session session;
        QVERIFY(session.start({}));
        session.window->setAboutWindow(new AboutWindow(session.window.get()));
        QCOMPARE(session.trigger("N8"), QStringList());
        QWidget* about = session.find("Form2");
        const auto clickAdd = [&session, add = session.button("Badd")] {
            QTest::mouseClick(session.window->windowHandle(), Qt::LeftButton, {},
                              add->mapTo(session.window.get(), add->rect().center()));
            return session.button("BSave1")->isVisible();
        };
        auto* description = named<QPlainTextEdit>(about, "Memo1");
        QVERIFY(about->isVisible() && !session.window->takesInput() &&
                !named<QLabel>(about, "Image1")->pixmap().isNull());
        QVERIFY(named(about, "Label1")->geometry().top() >= description->geometry().bottom()); // the name is seen
        QVERIFY(!clickAdd());
        QCOMPARE(about->font(), session.window->font());
        for (QTextBlock line = description->document()->begin(); line.isValid(); line = line.next())
            QVERIFY2(line.layout()->lineCount() == 1, qPrintable(line.text())); // no line of the description wraps
        description->appendPlainText("заметка");
        about->close();
        QVERIFY(session.window->takesInput() && clickAdd());
        session.trigger("N8");
        QVERIFY(description->toPlainText().endsWith("бумажными дневниками.\nзаметка"));
    }

    void keyboard_data()
    {
        // The menu item, the window it shows, its controls in Tab order from where it opens; the close button last.
        QTest::addColumn<QString>("path");
        QTest::newRow("about") << "N8 Form2 Memo1"; // no close button: Esc; Tab types a tab in the description
        QTest::newRow("settings") << "N23 Form4 Run editing word date default BitBtn1 BitBtn3";
        QTest::newRow("export") << "N25 Form7 InName view All BbOK BbExit";
        QTest::newRow("new diary") << "N12 Form3 Ein Edn Emn BBok BBno";
        QTest::newRow("password") << "N21 Form5 passIn1 passIn2 BitBtn1 BitBtn2";
        QTest::newRow("backup options")
            << "actionBackupOptions backupOptions backupsEnabled backupDays backupOk backupCancel";
        QTest::newRow("copies") << "actionBackups backups backupList backupClose"; // none yet: nothing to open
        QTest::newRow("encryption")
            << "actionEncryption encryption encryptionPassphrase encryptionRepeat encryptionStart encryptionClose";
    }
    // Each showing opens on the control a person fills first, not where the last one was left, with what a field holds
    // selected; Tab goes through the window in reading order and back to it; Esc closes as the close button does.
    void keyboard()
    {
        QFETCH(QString, path);
        const QStringList names = path.split(u' ');
        Session session;
        QVERIFY(session.start(alternatingDays(2)));
        MainWindow* main = session.window.get();
        main->setAboutWindow(new AboutWindow(main));
        main->setSettingsWindow(new SettingsWindow(main->settingsPath(), main));
        main->setExportWindow(new ExportWindow(main->document(), main));
        main->setNewDiaryWindow(new NewDiaryWindow(session.dir->path(), main));
        for (const char* way : {"button", "escape"}) {
            QTest::qWait(0); // a window made for one showing is gone by the next
            QVERIFY(session.trigger(names[0]).isEmpty());
            QWidget* window = session.find(names[1]);
            QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == window; }));
            QStringList walk; // a group's unnamed choices by the group's name
            QWidget* focus = nullptr;
            for (; walk.size() < names.size() - 1; QTest::keyClick(focus, Qt::Key_Tab)) {
                focus = QApplication::focusWidget();
                walk << (focus->objectName().isEmpty() ? focus->parentWidget()->objectName() : focus->objectName());
                if (auto* field = qobject_cast<QLineEdit*>(focus)) {
                    QTest::keyClicks(field, "x"); // replaces what the field held
                    QCOMPARE(field->text(), "x");
                }
            }
            QCOMPARE(walk, names.mid(2) << names[2]);
            auto* closing = window->findChild<QPushButton*>(names.last()); // the click leaves the focus on it
            QVERIFY(answering({}, [&] { closeBy(closing ? way : "escape", window, closing, focus); }).isEmpty());
            QVERIFY(window->isHidden() && main->takesInput());
        }
    }
};

QTEST_MAIN(TestAboutWindow)
#include "tst_aboutwindow.moc"
