// Types into a new entry of the diary that Settings.ini in the folder named on the command line opens,
// through the real main window, offscreen, until it is killed: a letter every 40 ms, with a pause of
// 1.5 s after every 25. After each letter it says on standard output when it was typed (steady clock,
// in milliseconds) and how many were typed by then: "<ms> <count>".

#include "crashloop.h"
#include "windows/mainwindow.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    QApplication app(argc, argv);
    MainWindow window(QString::fromLocal8Bit(argv[1]));
    window.show();
    if (!window.document().isOpen())
        return 2;
    window.findChild<QToolButton*>(QStringLiteral("Badd"))->click();
    auto* textBox = window.findChild<QPlainTextEdit*>(QStringLiteral("mm"));
    int typed = 0;
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [&] {
        QTest::keyClick(textBox, crashloop::TypedText[typed % crashloop::TypedText.size()].toLatin1());
        ++typed;
        const auto now =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
        const QByteArray line = QByteArray::number(qint64(now.count())) + ' ' + QByteArray::number(typed) + '\n';
        (void)::write(STDOUT_FILENO, line.constData(), size_t(line.size()));
        typist.start(typed % 25 == 0 ? 1500 : 40);
    });
    typist.start(40);
    return QApplication::exec();
}
