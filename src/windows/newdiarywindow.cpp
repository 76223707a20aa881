#include "newdiarywindow.h"

#include "store/cp1251.h"
#include "store/diaryrecord.h"
#include "store/error.h"
#include "store/recordfile.h"
#include "store/stamp.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

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

QLineEdit* makeNameField(QWidget* parent, const char* name, QPoint at)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(QRect(at, QSize(FieldWidth, FieldHeight)));
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

TForm3::TForm3(QWidget* parent) : SecondaryWindow(parent, OuterSize)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Создание нового дневника"));
    buildLabels();
    buildFields();
    buildButtons();
    setTabOrder(Ein, BBok);
    setTabOrder(BBok, BBno);
    setTabOrder(BBno, Emn);
    setTabOrder(Emn, Edn);

    // Connected after the first texts are in, so that the window first shows "Создать" disabled.
    for (QLineEdit* field : {Ein, Edn, Emn})
        connect(field, &QLineEdit::textChanged, this, &TForm3::EinChange);
    Ein->installEventFilter(this);
    connect(BBok, &QPushButton::clicked, this, &TForm3::BBokClick);
    connect(BBno, &QPushButton::clicked, this, &TForm3::BBnoClick);
}

void TForm3::buildLabels()
{
    Label1 = makeBoldLabel(this, "Label1", QStringLiteral("Введите имя нового файла-дневника:"), {8, 8});
    Label2 = makeBoldLabel(this, "Label2", QStringLiteral("Введите название нового дневника:"), {7, 48});
    Label3 = makeBoldLabel(this, "Label3", QStringLiteral("Введите имя владельца дневника:"), {7, 88});
}

void TForm3::buildFields()
{
    Ein = makeNameField(this, "Ein", {8, 24});
    Ein->setText(RequiredFieldText);
    Edn = makeNameField(this, "Edn", {8, 64});
    Emn = makeNameField(this, "Emn", {8, 104});
    // A screen reader names each field as the caption over it.
    Label1->setBuddy(Ein);
    Label2->setBuddy(Edn);
    Label3->setBuddy(Emn);
}

void TForm3::buildButtons()
{
    BBok = addButton("BBok", QStringLiteral("Создать"), QStyle::SP_DialogOkButton, buttonPlace({24, 136}));
    BBok->setDefault(true);
    BBok->setEnabled(false);
    BBno = addButton("BBno", QStringLiteral("Закрыть"), QStyle::SP_DialogCancelButton, buttonPlace({136, 136}));
    setKeyButtons(BBok, BBno);
}

void TForm3::showEvent(QShowEvent* event)
{
    SecondaryWindow::showEvent(event);
    m_focusOnActivation = true;
}

// Coming back from one of the window's own messages does not count as a new activation.
void TForm3::changeEvent(QEvent* event)
{
    SecondaryWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_focusOnActivation) {
        m_focusOnActivation = false;
        FormActivate();
    }
}

bool TForm3::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Ein && event->type() == QEvent::MouseButtonPress)
        EinClick();
    return SecondaryWindow::eventFilter(watched, event);
}

void TForm3::FormActivate()
{
    BBno->setFocus();
}

void TForm3::EinClick()
{
    if (Ein->text() == RequiredFieldText)
        Ein->clear();
}

void TForm3::EinChange()
{
    BBok->setEnabled(!Ein->text().isEmpty());
}

void TForm3::BBokClick()
{
    const QString name = newDiaryFileName(Ein->text());
    const QString title = firstCharacters(Edn->text(), MaxTitleChars);
    const QString owner = firstCharacters(Emn->text(), MaxTitleChars);
    // A character the file cannot hold would be stored as '?'; the user is asked to change it.
    QString unencodable;
    toCp1251(title + u' ' + owner, &unencodable);
    if (!unencodable.isEmpty()) {
        showMessage(this, QStringLiteral("Символы не поддерживаются: ") + unencodable);
        return;
    }
    if (!createDiary(name, title, owner))
        return;
    const QStringList lines{QStringLiteral("Файл ") + name + QStringLiteral(" создан!"),
                            QStringLiteral("Название: ") + title, QStringLiteral("Владелец: ") + owner,
                            QStringLiteral("ВНИМАНИЕ! Открыть файл неоходимо самостоятельно")};
    showMessage(this, lines.join(u'\r'));
    close();
}

// An existing file of the name is never replaced: it may be a diary with its entries.
bool TForm3::createDiary(const QString& name, const QString& title, const QString& owner)
{
    DiaryHeader header;
    header.Created = currentStamp();
    header.Title = toCp1251(title);
    header.Owner = toCp1251(owner);
    try {
        createDiaryFile(name, header.toRecord(), false);
    } catch (const FileError& error) {
        const bool exists = error.code() == FileError::codeForErrno(EEXIST);
        showMessage(this, exists ? QStringLiteral("Файл ") + name + QStringLiteral(" уже существует") : error.text());
        return false;
    }
    return true;
}

void TForm3::BBnoClick()
{
    close();
}
