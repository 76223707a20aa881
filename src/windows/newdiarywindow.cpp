#include "newdiarywindow.h"

#include "store/cp1251.h"
#include "store/diaryrecord.h"
#include "store/error.h"
#include "store/rebuild.h"
#include "store/stamp.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QDir>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include <cerrno>

namespace
{

constexpr QSize OuterSize(252, 200);
constexpr qsizetype MaxNameChars = 20;
constexpr qsizetype MaxTitleChars = 30;
constexpr int FieldWidth = 225;
constexpr int FieldHeight = 21;
constexpr int ButtonWidth = 81;
constexpr int ButtonHeight = 25;
constexpr qreal LabelPoints = 9;
constexpr qreal SmallestLabelPoints = 7;

const QString RequiredFieldText = QStringLiteral("Обязательное поле");

// A character outside the basic plane is two QChars; it is never cut in half.
QString firstCharacters(const QString& text, qsizetype count)
{
    qsizetype end = 0;
    for (qsizetype taken = 0; taken < count && end < text.size(); ++taken) {
        const bool pair = text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

// Bold 9-point labels, whose whole text stays inside the window.
QLabel* makeBoldLabel(QWidget* parent, const char* name, const QString& text, QPoint at)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont bold = label->font();
    bold.setPointSizeF(LabelPoints);
    bold.setBold(true);
    const int room = OuterSize.width() - 2 * at.x();
    label->setFont(shrunkFont(bold, SmallestLabelPoints,
                              [&](const QFont& font) { return QFontMetrics(font).horizontalAdvance(text) <= room; }));
    label->move(at);
    label->adjustSize();
    return label;
}

// A field under its caption, which a screen reader names it by.
QLineEdit* makeCaptionedField(QWidget* parent, const char* captionName, const QString& caption, QPoint captionAt,
                              const char* name)
{
    QLabel* label = makeBoldLabel(parent, captionName, caption, captionAt);
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(QRect(QPoint(8, captionAt.y() + 16), QSize(FieldWidth, FieldHeight)));
    label->setBuddy(field);
    return field;
}

QRect buttonPlace(QPoint at)
{
    return QRect(at, QSize(ButtonWidth, ButtonHeight));
}

} // namespace

QString newDiaryFileName(const QString& typed)
{
    const qsizetype dot = typed.indexOf(u'.');
    return firstCharacters(dot < 0 ? typed : typed.left(dot), MaxNameChars) + QStringLiteral(".qnb");
}

NewDiaryWindow::NewDiaryWindow(const QString& diariesDir, QWidget* parent)
    : SecondaryWindow(parent, OuterSize), m_diariesDir(diariesDir)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Создание нового дневника"));
    buildControls();

    // Connected after the first texts are in, so that the window first shows "Создать" disabled.
    for (QLineEdit* field : {m_fileName, m_title, m_owner})
        connect(field, &QLineEdit::textChanged, this, &NewDiaryWindow::enableCreating);
    m_fileName->installEventFilter(this);
    connect(m_createButton, &QPushButton::clicked, this, &NewDiaryWindow::createDiary);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void NewDiaryWindow::buildControls()
{
    m_fileName =
        makeCaptionedField(this, "Label1", QStringLiteral("Введите имя нового файла-дневника:"), {8, 8}, "Ein");
    m_fileName->setText(RequiredFieldText);
    m_title = makeCaptionedField(this, "Label2", QStringLiteral("Введите название нового дневника:"), {7, 48}, "Edn");
    m_owner = makeCaptionedField(this, "Label3", QStringLiteral("Введите имя владельца дневника:"), {7, 88}, "Emn");

    m_createButton = addButton("BBok", QStringLiteral("Создать"), QStyle::SP_DialogOkButton, buttonPlace({24, 136}));
    m_createButton->setDefault(true);
    m_createButton->setEnabled(false);
    m_closeButton =
        addButton("BBno", QStringLiteral("Закрыть"), QStyle::SP_DialogCancelButton, buttonPlace({136, 136}));
    setKeyButtons(m_createButton, m_closeButton);
}

bool NewDiaryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_fileName && event->type() == QEvent::MouseButtonPress)
        clearHint();
    return SecondaryWindow::eventFilter(watched, event);
}

// A click into the name field takes the hint away, so that a name can be typed at once.
void NewDiaryWindow::clearHint()
{
    if (m_fileName->text() == RequiredFieldText)
        m_fileName->clear();
}

void NewDiaryWindow::enableCreating()
{
    m_createButton->setEnabled(!m_fileName->text().isEmpty());
}

void NewDiaryWindow::createDiary()
{
    // The whole path, so that the message says where the diary is.
    const QString name = QDir(m_diariesDir).filePath(newDiaryFileName(m_fileName->text()));
    const QString title = firstCharacters(m_title->text(), MaxTitleChars);
    const QString owner = firstCharacters(m_owner->text(), MaxTitleChars);
    // A character the file cannot hold would be stored as '?'; the user is asked to change it.
    QString unencodable;
    toCp1251(title + u' ' + owner, &unencodable);
    if (!unencodable.isEmpty()) {
        showMessage(this, QStringLiteral("Символы не поддерживаются: ") + unencodable);
        return;
    }
    if (!writeDiaryFile(name, title, owner))
        return;
    const QStringList lines{QStringLiteral("Файл ") + name + QStringLiteral(" создан!"),
                            QStringLiteral("Название: ") + title, QStringLiteral("Владелец: ") + owner,
                            QStringLiteral("ВНИМАНИЕ! Открыть файл неоходимо самостоятельно")};
    showMessage(this, lines.join(u'\r'));
    close();
}

// An existing file of the name is never replaced: it may be a diary with its entries.
bool NewDiaryWindow::writeDiaryFile(const QString& name, const QString& title, const QString& owner)
{
    DiaryHeader header;
    header.created = currentStamp();
    header.title = toCp1251(title);
    header.owner = toCp1251(owner);
    try {
        createDiaryFile(name, header.toRecord(), false);
    } catch (const NotDurableError& error) {
        showMessage(this, error.text()); // made all the same
    } catch (const FileError& error) {
        const bool exists = error.code() == FileError::codeForErrno(EEXIST);
        showMessage(this, exists ? QStringLiteral("Файл ") + name + QStringLiteral(" уже существует") : error.text());
        return false;
    }
    return true;
}
