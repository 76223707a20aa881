#include "exportwindow.h"

#include "document/diarydocument.h"
#include "export/entryexport.h"
#include "export/exportnames.h"
#include "recordlistmodel.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include <algorithm>
#include <numeric>

namespace
{

constexpr QSize OuterSize(312, 345);
// The client area the controls were laid out in; they follow the window's real size from there.
constexpr QSize DesignClientSize(304, 318);
constexpr QRect RadioPlace(8, 16, 273, 17);
constexpr int RadioStep = 18;
constexpr int ListWidth = 121;
constexpr int ItemPadding = 6;
constexpr qreal SmallestListPoints = 7;
constexpr QSize MoveButtonSize(17, 25);

QRadioButton* makeRadio(QWidget* parent, const char* name, const QString& text, int index)
{
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(QLatin1String(name));
    // As wide as its caption: a click beside the caption would not choose it.
    QRect place = RadioPlace.translated(0, index * RadioStep);
    place.setWidth(std::min(radio->sizeHint().width(), place.width()));
    radio->setGeometry(place);
    // Moving the pointer over the choices settles which controls are available.
    radio->setMouseTracking(true);
    return radio;
}

// A time stamp stays whole in a list as wide as designed: where the desktop's font is wider, the
// list's gets smaller.
QListView* makeList(QWidget* parent, const char* name, const QString& readName, RecordListModel* model)
{
    auto* list = new QListView(parent);
    list->setObjectName(QLatin1String(name));
    list->setAccessibleName(readName);
    const int room =
        ListWidth - 2 * list->frameWidth() - list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) - ItemPadding;
    list->setFont(shrunkFont(list->font(), SmallestListPoints, [room](const QFont& font) {
        return QFontMetrics(font).horizontalAdvance(QStringLiteral("00.00.0000 00:00:00")) <= room;
    }));
    // Every row is as high as the first, so that only the rows on view read their stamps.
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setModel(model);
    list->setEnabled(false);
    return list;
}

QPushButton* makeSmallButton(QWidget* parent, const char* name, const QString& text, const QString& toolTip, QSize size)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(size);
    button->setText(text);
    button->setToolTip(toolTip);
    return button;
}

} // namespace

TForm7::TForm7(DiaryDocument& document, QWidget* parent)
    : SecondaryWindow(parent, OuterSize), m_document(document), m_allRecs(new RecordListModel(document.view(), this)),
      m_exRecs(new RecordListModel(document.view(), this))
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Экспорт записей"));
    resize(DesignClientSize);
    buildNameGroup();
    buildEntryGroup();
    buildBottom();
    buildSaveDialog();
    anchor();
    resize(OuterSize);
    followDocument();

    connect(view, &QPushButton::clicked, this, &TForm7::viewClick);
    connect(InName, &QLineEdit::textChanged, this, &TForm7::InNameChange);
    for (QRadioButton* radio : {All, DateList, Hand}) {
        radio->installEventFilter(this);
        connect(radio, &QRadioButton::toggled, this, &TForm7::AllMouseMove);
    }
    connect(ToEx, &QPushButton::clicked, this, &TForm7::ToExClick);
    connect(ToAll, &QPushButton::clicked, this, &TForm7::ToAllClick);
    connect(BbOK, &QPushButton::clicked, this, &TForm7::BbOKClick);
    connect(BbExit, &QPushButton::clicked, this, &TForm7::BbExitClick);
}

void TForm7::buildNameGroup()
{
    GroupBox1 = makeField<QGroupBox>(this, "GroupBox1", QRect(8, 4, 289, 49));
    GroupBox1->setTitle(QStringLiteral("Имя создаваемого файла  "));
    InName = makeField<QLineEdit>(GroupBox1, "InName", QRect(8, 18, 245, 21));
    view = makeSmallButton(GroupBox1, "view", QStringLiteral("..."), QStringLiteral("Обзор"), QSize(23, 21));
    view->move(258, 18);
}

// The two lists share the width that the window gives them, the move buttons between them.
void TForm7::buildEntryGroup()
{
    GroupBox2 = makeField<QGroupBox>(this, "GroupBox2", QRect(8, 58, 289, 192));
    GroupBox2->setTitle(QStringLiteral("Экспортируемые записи "));
    All = makeRadio(GroupBox2, "All", QStringLiteral("Все записи из дневника"), 0);
    DateList = makeRadio(GroupBox2, "DateList", QStringLiteral("Записи  из списка дат"), 1);
    Hand = makeRadio(GroupBox2, "Hand", QStringLiteral("Выборочно"), 2);
    All->setChecked(true);

    m_listsPanel = new QWidget(GroupBox2);
    m_listsPanel->setGeometry(8, 74, 273, 110);
    AllRecs = makeList(m_listsPanel, "AllRecs", QStringLiteral("Записи дневника"), m_allRecs);
    ToEx = makeSmallButton(m_listsPanel, "ToEx", QStringLiteral(">"), QStringLiteral("Добавить"), MoveButtonSize);
    ToAll = makeSmallButton(m_listsPanel, "ToAll", QStringLiteral("<"), QStringLiteral("Убрать"), MoveButtonSize);
    ExRecs = makeList(m_listsPanel, "ExRecs", QStringLiteral("Записи на экспорт"), m_exRecs);
    enable({ToEx, ToAll}, false);
    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(ToEx);
    moves->addSpacing(7);
    moves->addWidget(ToAll);
    moves->addStretch();
    auto* lists = new QHBoxLayout(m_listsPanel);
    lists->setContentsMargins(0, 0, 0, 0);
    lists->setSpacing(7);
    lists->addWidget(AllRecs, 1);
    lists->addLayout(moves);
    lists->addWidget(ExRecs, 1);
}

void TForm7::buildBottom()
{
    PBar = makeField<QProgressBar>(this, "PBar", QRect(8, 262, 129, 17));
    PBar->setTextVisible(true);
    PBar->hide();
    BbOK = addButton("BbOK", QStringLiteral("OK"), QStyle::SP_DialogOkButton, QRect(144, 258, 73, 25));
    BbOK->setDefault(true);
    BbExit = addButton("BbExit", QStringLiteral("Отмена "), QStyle::SP_DialogCancelButton, QRect(224, 258, 73, 25));
    setKeyButtons(BbOK, BbExit);
    info = makeLabel(this, "info", QString(), {8, 292});
    info->resize(289, 17);
}

// The dialog's own file-name field keeps what was typed in it: that name and its type are taken even
// when the dialog is cancelled. Text export appends, so an existing file is no reason to ask.
void TForm7::buildSaveDialog()
{
    SaveD = new QFileDialog(this);
    SaveD->setObjectName(QStringLiteral("SaveD"));
    SaveD->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    SaveD->setAcceptMode(QFileDialog::AcceptSave);
    SaveD->setFileMode(QFileDialog::AnyFile);
    SaveD->setNameFilters({QStringLiteral("txt (*.txt)"), QStringLiteral("html (*.html)")});
}

// The sizeable frame gives room to the lists; the buttons keep to the lower right corner.
void TForm7::anchor()
{
    auto* window = new EdgeAnchors(this);
    window->add(GroupBox1, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge);
    window->add(GroupBox2, AllEdges);
    window->add(PBar, Qt::LeftEdge | Qt::BottomEdge);
    window->add(BbOK, Qt::RightEdge | Qt::BottomEdge);
    window->add(BbExit, Qt::RightEdge | Qt::BottomEdge);
    window->add(info, Qt::LeftEdge | Qt::BottomEdge);
    auto* name = new EdgeAnchors(GroupBox1);
    name->add(InName, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge);
    name->add(view, Qt::TopEdge | Qt::RightEdge);
    auto* entries = new EdgeAnchors(GroupBox2);
    entries->add(m_listsPanel, AllEdges);
}

// Picked entries are named by record number, which only means something in the diary they were picked
// from, as it was then: another diary, or the same one rebuilt by an import, starts the list afresh,
// and a deletion takes its entry out and renumbers the entries after it.
void TForm7::followDocument()
{
    const auto forget = [this] {
        m_exRecs->setRecords({});
        m_allRecs->setRecords({});
    };
    connect(&m_document, &DiaryDocument::opened, this, forget);
    connect(&m_document, &DiaryDocument::entriesRenumbered, this, forget);
    connect(&m_document, &DiaryDocument::entryRemoved, this, [this](std::int32_t record) {
        m_exRecs->forgetDeletedRecord(record);
        m_allRecs->forgetDeletedRecord(record);
    });
}

// Restoring the window from a minimised main window is no new showing.
void TForm7::showEvent(QShowEvent* event)
{
    SecondaryWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

bool TForm7::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove && (watched == All || watched == DateList || watched == Hand))
        AllMouseMove();
    return SecondaryWindow::eventFilter(watched, event);
}

// A diary without entries lists none on the left either, rather than entries of the diary shown before.
void TForm7::FormShow()
{
    PBar->setValue(0);
    PBar->hide();
    InName->clear();
    All->setChecked(true);
    qint64 entries = 0;
    try {
        entries = std::min<qint64>(m_document.view().entryCount(), MaxEntries);
    } catch (const QuillnestError&) {
    }
    BbOK->setEnabled(entries > 0);
    info->setText(entries > 0 ? QString() : QStringLiteral("Дневник пуст!"));
    std::vector<std::int32_t> all(static_cast<std::size_t>(entries));
    std::iota(all.begin(), all.end(), 1);
    m_allRecs->setRecords(std::move(all));
}

void TForm7::AllMouseMove()
{
    enable({AllRecs, ExRecs, ToEx, ToAll}, Hand->isChecked());
}

void TForm7::moveSelected(QListView* from, RecordListModel* source, RecordListModel* target)
{
    const QModelIndexList selected = from->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        showMessage(this, QStringLiteral("Ничего не выбрано!"));
        return;
    }
    target->append(source->take(selected.first().row()));
    from->clearSelection();
}

void TForm7::ToExClick()
{
    moveSelected(AllRecs, m_allRecs, m_exRecs);
}

void TForm7::ToAllClick()
{
    moveSelected(ExRecs, m_exRecs, m_allRecs);
}

void TForm7::viewClick()
{
    if (SaveD->exec() == QDialog::Accepted)
        m_lastChosenName = SaveD->selectedFiles().value(0);
    const int choice = int(SaveD->nameFilters().indexOf(SaveD->selectedNameFilter())) + 1;
    m_exportFileName = browsedExportName(m_lastChosenName, choice);
    InName->setText(m_exportFileName);
    InName->setToolTip(m_exportFileName);
}

void TForm7::InNameChange()
{
    m_exportFileName = typedExportName(InName->text());
    InName->setToolTip(InName->text());
}

bool TForm7::CheckExportInput()
{
    if (InName->text().isEmpty()) {
        showMessage(this, QStringLiteral("Не указано имя файла!"));
        return false;
    }
    if (Hand->isChecked() && m_exRecs->rowCount() == 0) {
        showMessage(this, QStringLiteral("Включён режим ручного выбора записей, но ни одна запись не выбрана!"));
        return false;
    }
    return true;
}

// A failed export has changed no file; the window stays open to try again.
void TForm7::BbOKClick()
{
    if (!CheckExportInput())
        return;
    ExportChoice choice;
    choice.allEntries = All->isChecked();
    if (DateList->isChecked()) {
        choice.records = m_document.view().listedRecords();
        if (choice.records.empty()) {
            showMessage(this, QStringLiteral("Список дат пуст: экспортировать нечего!"));
            return;
        }
    } else if (Hand->isChecked()) {
        choice.records = m_exRecs->records();
    }
    const ExportLayout layout = writesTextLayout(m_exportFileName) ? ExportLayout::Text : ExportLayout::Html;
    PBar->setValue(0);
    PBar->show();
    try {
        m_document.exportEntries(choice, m_exportFileName, layout,
                                 [this](qint64 done, qint64 total) { showProgress(PBar, done, total); });
    } catch (const QuillnestError& error) {
        PBar->hide();
        showMessage(this, error.text());
        return;
    }
    showMessage(this, QStringLiteral("Экспортирование записей успещно завершено"));
    close();
}

void TForm7::BbExitClick()
{
    close();
}
