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

AboutWindow::AboutWindow(QWidget* parent) : SecondaryWindow(parent, ClientSize)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("О программе..."));
    buildControls();
}

void AboutWindow::buildControls()
{
    QLabel* heading = makeLabel(this, "Label5", QStringLiteral("Электронный дневник"), QPoint(22, 0));
    heading->setFont(bookFont(16));
    heading->adjustSize();

    // A picture that cannot be decoded leaves the place empty; the window works all the same.
    auto* picture = makeField<QLabel>(this, "Image1", QRect(5, 25, 207, 137));
    QFile jpeg(QStringLiteral(":/about.jpg"));
    if (jpeg.open(QIODevice::ReadOnly))
        picture->setPixmap(QPixmap::fromImage(decodeJpeg(jpeg.readAll())));

    m_description = makeField<QPlainTextEdit>(this, "Memo1", QRect(5, 168, 207, 89));
    m_description->setPlainText(Description);
    // As designed, the box has no bars: the description fits it whole.
    m_description->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fitDescription();
    QPalette face = m_description->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    m_description->setPalette(face);

    // The name goes under the description, where nothing covers it; the credits move down to make room.
    QLabel* name = makeLabel(this, "Label1", QStringLiteral("Quillnest"), QPoint(73, 258));
    name->setFont(bookFont(19));
    name->adjustSize();
    QLabel* credit = makeLabel(this, "Label2", QStringLiteral("Идея и разработка:"), QPoint(9, 284));
    credit->setFont(sansFont(13, true));
    credit->adjustSize();
    makeLabel(this, "Label3", QStringLiteral("команда Quillnest"), QPoint(89, 300));
    makeLabel(this, "Label4", QStringLiteral("Программа на C++ и Qt 6"), QPoint(9, 316));
    QLabel* motto = makeStaticText(this, "StaticText1", QStringLiteral("Пишите, пока помнится!"), QPoint(14, 333));
    motto->setFixedSize(188, 20);
    motto->setAlignment(Qt::AlignCenter);
}

// The base class sizes the window by its outer size; this one's size is that of its inside.
void AboutWindow::showEvent(QShowEvent* event)
{
    SecondaryWindow::showEvent(event);
    setFixedSize(ClientSize);
}

// The description keeps the lines it was written in and shows them all at once: where the desktop's
// stand-in for the dialog font is wider or taller than the one the box was laid out for, the text gets
// smaller rather than wrap or scroll.
void AboutWindow::fitDescription()
{
    const QStringList lines = Description.split(u'\n');
    const qreal margin = 2 * m_description->document()->documentMargin();
    const QSize room =
        m_description->contentsRect().size() - QSize(qCeil(margin) + m_description->cursorWidth(), qCeil(margin));
    m_description->setFont(shrunkFont(font(), SmallestDescriptionPoints, [&](const QFont& candidate) {
        const QFontMetrics metrics(candidate);
        return lines.size() * metrics.lineSpacing() <= room.height() &&
               std::all_of(lines.begin(), lines.end(),
                           [&](const QString& line) { return metrics.horizontalAdvance(line) <= room.width(); });
    }));
}
