// Types into a new entry of the diary that Settings.ini in the folder named on the command line opens,
// through the real main window, offscreen, until it is killed or asked to end by a signal: a letter every 40 ms, with a
// pause of 1.5 s after every 25. It says on standard output how many letters are typed, after each ("typed <count>"),
// and how many the draft holds each time one is wholly written ("kept <count>").

#include "crashloop.h"
#include "windows/draftkeeper.h"
#include "windows/mainwindow.h"
#include "windows/quitsignals.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <unistd.h>

namespace
{

void say(const QByteArray& what, qsizetype count)
{
    const QByteArray line = what + ' ' + QByteArray::number(count) + '\n';
    (void)::write(STDOUT_FILENO, line.constData(), size_t(line.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    QApplication app(argc, argv);
    MainWindow window(QString::fromLocal8Bit(argv[1]));
    window.show();
    if (!window.document().isOpen())
        return 2;
    QObject::connect(window.findChild<DraftKeeper*>(), &DraftKeeper::kept, [](qsizetype kept) { say("kept", kept); });
    QuitSignals quitSignals; // as the program itself hears them
    QObject::connect(&quitSignals, &QuitSignals::received, &window, &MainWindow::leaveKeepingDraft);
    window.findChild<QToolButton*>(QStringLiteral("Badd"))->click();
    auto* textBox = window.findChild<QPlainTextEdit*>(QStringLiteral("mm"));
    int typed = 0;
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [&] {
        QTest::keyClick(textBox, crashloop::TypedText[typed % crashloop::TypedText.size()].toLatin1());
        say("typed", ++typed);
        typist.start(typed % 25 == 0 ? 1500 : 40);
    });
    typist.start(40);
    return QApplication::exec();
}
