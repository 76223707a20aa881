#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Only the name: a display name would be appended to every window title on some desktops.
    QApplication::setApplicationName(QStringLiteral("Quillnest"));

    // The program speaks Russian whatever the desktop's language, the standard buttons included.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    TForm1 mainWindow(QCoreApplication::applicationDirPath());
    mainWindow.show();
    return QApplication::exec();
}
