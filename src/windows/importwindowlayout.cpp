// The import window's controls where the design puts them, pixel by pixel.
#include "importwindow.h"

#include "sourceentrymodel.h"
#include "widgets/controls.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyleOptionViewItem>

namespace
{

// The client area the controls were laid out in; the status bar follows the window's real size.
constexpr QSize DesignClientSize(382, 473);
constexpr int StatusBarHeight = 19;
constexpr int InfoBoxWidth = 193;
constexpr int InfoMargin = 8;
constexpr int ValueGap = 6;
constexpr qreal SmallestListPoints = 7;

QGroupBox* makeBox(QWidget* parent, const char* name, const QString& title, const QRect& place)
{
    auto* box = makeField<QGroupBox>(parent, name, place);
    box->setTitle(title);
    return box;
}

QLabel* makeBoldLabel(QWidget* parent, const char* name, const QString& text, QPoint at)
{
    QLabel* label = makeLabel(parent, name, text, at);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->adjustSize();
    return label;
}

// A value shown right of its bold label, as far as the box's edge.
QLabel* makeValueLabel(QWidget* parent, const char* name, const QString& caption, const char* captionName, int y)
{
    const QLabel* label = makeBoldLabel(parent, captionName, caption, {InfoMargin, y});
    const int x = label->geometry().right() + ValueGap;
    QLabel* value = makeLabel(parent, name, QString(), {x, y});
    value->resize(InfoBoxWidth - InfoMargin - x, label->height());
    return value;
}

// A time stamp and its check box stay whole in a list as narrow as designed: where the desktop's font is
// wider, the list's gets smaller.
void fitListFont(QListView* list)
{
    const int room = list->width() - 2 * list->frameWidth() - list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    list->setFont(shrunkFont(list->font(), SmallestListPoints, [list, room](const QFont& font) {
        QStyleOptionViewItem item;
        item.initFrom(list->viewport());
        item.font = font;
        item.fontMetrics = QFontMetrics(font);
        item.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator;
        item.text = QStringLiteral("00.00.0000 00:00:00");
        return list->style()->sizeFromContents(QStyle::CT_ItemViewItem, &item, QSize(), list).width() <= room;
    }));
}

QRadioButton* makeRadio(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    auto* radio = makeField<QRadioButton>(parent, name, place);
    radio->setText(text);
    return radio;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    auto* button = makeField<QPushButton>(parent, name, place);
    button->setText(text);
    return button;
}

} // namespace

void ImportWindow::buildControls()
{
    resize(DesignClientSize);
    buildSourceBox();
    buildPasswordBox();
    buildEntryBox();
    buildTargetBox();
    buildInfoBox();
    buildBottom();
    resize(OuterSize);
}

void ImportWindow::buildSourceBox()
{
    QGroupBox* box = makeBox(this, "GroupBox1", QStringLiteral("Источник "), QRect(8, 8, 369, 49));
    m_sourceName = makeField<QLineEdit>(box, "EInF", QRect(8, 18, 249, 21));
    m_browseButton = makeButton(box, "Find", QStringLiteral("..."), QRect(262, 17, 22, 22));
    m_openButton = makeButton(box, "Open", QStringLiteral("Открыть"), QRect(288, 17, 75, 22));
    m_openButton->setEnabled(false);

    m_openDialog = makeOpenDialog(this, QStringLiteral("Старый формат (*.drb)"));
}

void ImportWindow::buildPasswordBox()
{
    m_passwordBox = makeBox(this, "PassBox", QStringLiteral("Защита "), QRect(8, 64, 169, 49));
    m_password = makeField<QLineEdit>(m_passwordBox, "EPass", QRect(8, 18, 113, 21));
    m_password->setAccessibleName(QStringLiteral("Пароль старого дневника"));
    // The box's caption colour tells the protection state; the typed password keeps the usual colour.
    QPalette typed = m_password->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        typed.setColor(group, QPalette::Text, typed.color(group, QPalette::Text));
    m_password->setPalette(typed);
    m_passwordButton = makeButton(m_passwordBox, "PassOk", QStringLiteral("ОК"), QRect(128, 17, 33, 22));
}

void ImportWindow::buildEntryBox()
{
    QGroupBox* box = makeBox(this, "OutBox", QStringLiteral("Импортируемые записи "), QRect(8, 120, 169, 289));
    m_allEntries = makeRadio(box, "RBAll", QStringLiteral("Все записи"), QRect(8, 16, 153, 17));
    m_entriesWithText = makeRadio(box, "RBFull", QStringLiteral("Все непустые записи"), QRect(8, 35, 153, 17));
    m_pickedEntries = makeRadio(box, "RBHand", QStringLiteral("Выборочно"), QRect(8, 54, 153, 17));
    m_entryList = makeField<QListView>(box, "CLB", QRect(8, 76, 153, 97));
    m_entryList->setToolTip(QStringLiteral("Ручной выбор записей на импорт"));
    m_entryList->setAccessibleName(QStringLiteral("Записи старого дневника"));
    // Every row is as high as the first, so that only the rows on view make their texts.
    m_entryList->setUniformItemSizes(true);
    m_entryList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_entryList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_entryList->setModel(m_entries);
    fitListFont(m_entryList);
    m_preview = makeField<QPlainTextEdit>(box, "MLook", QRect(8, 178, 153, 105));
    m_preview->setToolTip(QStringLiteral("Краткий просмотр выбранной записи"));
    m_preview->setReadOnly(true);
    m_preview->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

// A screen reader names each field as the caption over it.
void ImportWindow::buildTargetBox()
{
    QGroupBox* box = makeBox(this, "ToBox", QStringLiteral("Импортировать в "), QRect(184, 64, 193, 177));
    m_intoOpenDiary = makeRadio(box, "RBThis", QStringLiteral("Текущий дневник"), QRect(8, 16, 177, 17));
    m_intoNewDiary = makeRadio(box, "RBNew", QStringLiteral("Новый дневник"), QRect(8, 35, 177, 17));
    m_newFileCaption = makeBoldLabel(box, "LFName", QStringLiteral("Имя нового файла"), {8, 56});
    m_newFileName = makeField<QLineEdit>(box, "EFName", QRect(8, 71, 177, 21));
    m_newFileName->setEnabled(false);
    m_newTitleCaption = makeBoldLabel(box, "LDName", QStringLiteral("Название дневника"), {8, 96});
    m_newTitle = makeField<QLineEdit>(box, "EDName", QRect(8, 111, 177, 21));
    m_newOwnerCaption = makeBoldLabel(box, "LMName", QStringLiteral("Имя владельца"), {8, 136});
    m_newOwner = makeField<QLineEdit>(box, "EMName", QRect(8, 151, 177, 21));
    m_newFileCaption->setBuddy(m_newFileName);
    m_newTitleCaption->setBuddy(m_newTitle);
    m_newOwnerCaption->setBuddy(m_newOwner);
}

void ImportWindow::buildInfoBox()
{
    QGroupBox* box = makeBox(this, "GroupBox5", QStringLiteral("Информация "), QRect(184, 248, InfoBoxWidth, 161));
    m_sourceFile = makeValueLabel(box, "LName", QStringLiteral("Файл:"), "Label4", 16);
    m_sourceEntries = makeValueLabel(box, "LNum", QStringLiteral("Количество записей:"), "Label8", 32);
    m_sourceVersion = makeValueLabel(box, "LVer", QStringLiteral("Версия:"), "Label10", 48);
    m_attention = makeBoldLabel(box, "Att", QStringLiteral("Внимание:"), {InfoMargin, 64});
    m_attention->hide();
    m_help = makeLabel(box, "Lhelp", QString(), {InfoMargin, 80});
    m_help->resize(173, 73);
    m_help->setWordWrap(true);
    m_help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void ImportWindow::buildBottom()
{
    m_gauge = makeField<QProgressBar>(this, "PBar", QRect(10, 418, 200, 20));
    m_gauge->hide();
    m_importButton = addButton("BbGo", QStringLiteral("OK"), QStyle::SP_DialogOkButton, QRect(216, 416, 75, 25));
    m_importButton->setDefault(true);
    QPushButton* closing =
        addButton("BBClose", QStringLiteral("Закрыть "), QStyle::SP_DialogCancelButton, QRect(300, 416, 75, 25));
    setKeyButtons(m_importButton, closing);
    connect(closing, &QPushButton::clicked, this, &QWidget::close);

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("SBar"));
    bar->setGeometry(0, DesignClientSize.height() - StatusBarHeight, DesignClientSize.width(), StatusBarHeight);
    m_statusPanel = new QLabel(bar);
    m_statusPanel->setObjectName(QStringLiteral("SBarPanel0"));
    m_statusPanel->setTextFormat(Qt::PlainText);
    m_statusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addWidget(m_statusPanel, 1);
    auto* anchors = new EdgeAnchors(this);
    anchors->add(bar, Qt::LeftEdge | Qt::RightEdge | Qt::BottomEdge);
}
