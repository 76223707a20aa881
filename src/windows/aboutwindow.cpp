#include "aboutwindow.h"

#include "widgets/controls.h"
#include "widgets/jpegpicture.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QtMath>

#include <algorithm>

namespace
{

constexpr QSize ClientSize(217, 355);
constexpr qreal SmallestDescriptionPoints = 6;

// Free stand-ins that Debian packages: a Palatino-like book face and an Arial-like sans.
QFont bookFont(int pixels)
{
    QFont font;
    font.setFamilies({QStringLiteral("Palatino Linotype"), QStringLiteral("P052"), QStringLiteral("URW Palladio L"),
                      QStringLiteral("TeX Gyre Pagella"), QStringLiteral("DejaVu Serif")});
    font.setPixelSize(pixels);
    font.setBold(true);
    font.setItalic(true);
    return font;
}

QFont sansFont(int pixels, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

const QString Description = QStringLiteral("предназначен специально для тех, \n"
                                           "кто привык записывать свои мысли \n"
                                           "и переживания, события своего дня \n"
                                           "и важные заметки, но не желает \n"
                                           "пользоваться устаревшими \n"
                                           "бумажными дневниками.");

} // namespace

TForm2::TForm2(QWidget* parent) : SecondaryWindow(parent, ClientSize)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("О программе..."));
    buildControls();
}

void TForm2::buildControls()
{
    Label5 = makeLabel(this, "Label5", QStringLiteral("Электронный дневник"), QPoint(22, 0));
    Label5->setFont(bookFont(16));
    Label5->adjustSize();

    // A picture that cannot be decoded leaves the place empty; the window works all the same.
    Image1 = makeField<QLabel>(this, "Image1", QRect(5, 25, 207, 137));
    QFile picture(QStringLiteral(":/about.jpg"));
    if (picture.open(QIODevice::ReadOnly))
        Image1->setPixmap(QPixmap::fromImage(decodeJpeg(picture.readAll())));

    Memo1 = makeField<QPlainTextEdit>(this, "Memo1", QRect(5, 168, 207, 89));
    Memo1->setPlainText(Description);
    // As designed, the box has no bars: the description fits it whole.
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fitDescription();
    QPalette face = Memo1->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    Memo1->setPalette(face);
    Memo1->setFocus();

    // The name goes under the description, where nothing covers it; the credits move down to make room.
    Label1 = makeLabel(this, "Label1", QStringLiteral("Quillnest"), QPoint(73, 258));
    Label1->setFont(bookFont(19));
    Label1->adjustSize();
    Label2 = makeLabel(this, "Label2", QStringLiteral("Идея и разработка:"), QPoint(9, 284));
    Label2->setFont(sansFont(13, true));
    Label2->adjustSize();
    Label3 = makeLabel(this, "Label3", QStringLiteral("команда Quillnest"), QPoint(89, 300));
    Label4 = makeLabel(this, "Label4", QStringLiteral("Программа на C++ и Qt 6"), QPoint(9, 316));
    StaticText1 = makeStaticText(this, "StaticText1", QStringLiteral("Пишите, пока помнится!"), QPoint(14, 333));
    StaticText1->setFixedSize(188, 20);
    StaticText1->setAlignment(Qt::AlignCenter);
}

// The base class sizes the window by its outer size; this one's size is that of its inside.
void TForm2::showEvent(QShowEvent* event)
{
    SecondaryWindow::showEvent(event);
    setFixedSize(ClientSize);
}

// The description keeps the lines it was written in and shows them all at once: where the desktop's
// stand-in for the dialog font is wider or taller than the one the box was laid out for, the text gets
// smaller rather than wrap or scroll.
void TForm2::fitDescription()
{
    const QStringList lines = Description.split(u'\n');
    const qreal margin = 2 * Memo1->document()->documentMargin();
    const QSize room = Memo1->contentsRect().size() - QSize(qCeil(margin) + Memo1->cursorWidth(), qCeil(margin));
    Memo1->setFont(shrunkFont(font(), SmallestDescriptionPoints, [&](const QFont& candidate) {
        const QFontMetrics metrics(candidate);
        return lines.size() * metrics.lineSpacing() <= room.height() &&
               std::all_of(lines.begin(), lines.end(),
                           [&](const QString& line) { return metrics.horizontalAdvance(line) <= room.width(); });
    }));
}
