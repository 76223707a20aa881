#include "diarymaker.h"
#include "widgets/jpegpicture.h"
#include "windows/aboutwindow.h"

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
};

QTEST_MAIN(TestAboutWindow)
#include "tst_aboutwindow.moc"
