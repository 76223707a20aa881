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

ExportWindow::ExportWindow(DiaryDocument& document, QWidget* parent)
    : SecondaryWindow(parent, OuterSize), m_document(document),
      m_diaryRecords(new RecordListModel(document.view(), this)),
      m_exportRecords(new RecordListModel(document.view(), this))
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Экспорт записей"));
    resize(DesignClientSize);
    QGroupBox* nameGroup = buildNameGroup();
    QGroupBox* entryGroup = buildEntryGroup();
    buildBottom();
    buildSaveDialog();
    anchor(nameGroup, entryGroup);
    resize(OuterSize);
    followDocument();

    connect(m_browseButton, &QPushButton::clicked, this, &ExportWindow::browseForFile);
    connect(m_fileName, &QLineEdit::textChanged, this, &ExportWindow::takeTypedName);
    for (QRadioButton* radio : {m_allEntries, m_listedEntries, m_pickedEntries}) {
        radio->installEventFilter(this);
        connect(radio, &QRadioButton::toggled, this, &ExportWindow::enableHandPicking);
    }
    connect(m_pickButton, &QPushButton::clicked, this, &ExportWindow::pickEntry);
    connect(m_unpickButton, &QPushButton::clicked, this, &ExportWindow::unpickEntry);
    connect(m_okButton, &QPushButton::clicked, this, &ExportWindow::exportEntries);
    connect(m_cancelButton, &QPushButton::clicked, this, &QWidget::close);
}

QGroupBox* ExportWindow::buildNameGroup()
{
    auto* group = makeField<QGroupBox>(this, "GroupBox1", QRect(8, 4, 289, 49));
    group->setTitle(QStringLiteral("Имя создаваемого файла  "));
    m_fileName = makeField<QLineEdit>(group, "InName", QRect(8, 18, 245, 21));
    m_browseButton = makeSmallButton(group, "view", QStringLiteral("..."), QStringLiteral("Обзор"), QSize(23, 21));
    m_browseButton->move(258, 18);
    return group;
}

// The two lists share the width that the window gives them, the move buttons between them.
QGroupBox* ExportWindow::buildEntryGroup()
{
    auto* group = makeField<QGroupBox>(this, "GroupBox2", QRect(8, 58, 289, 192));
    group->setTitle(QStringLiteral("Экспортируемые записи "));
    m_allEntries = makeRadio(group, "All", QStringLiteral("Все записи из дневника"), 0);
    m_listedEntries = makeRadio(group, "DateList", QStringLiteral("Записи  из списка дат"), 1);
    m_pickedEntries = makeRadio(group, "Hand", QStringLiteral("Выборочно"), 2);
    m_allEntries->setChecked(true);

    m_listsPanel = new QWidget(group);
    m_listsPanel->setGeometry(8, 74, 273, 110);
    m_diaryList = makeList(m_listsPanel, "AllRecs", QStringLiteral("Записи дневника"), m_diaryRecords);
    m_pickButton =
        makeSmallButton(m_listsPanel, "ToEx", QStringLiteral(">"), QStringLiteral("Добавить"), MoveButtonSize);
    m_unpickButton =
        makeSmallButton(m_listsPanel, "ToAll", QStringLiteral("<"), QStringLiteral("Убрать"), MoveButtonSize);
    m_exportList = makeList(m_listsPanel, "ExRecs", QStringLiteral("Записи на экспорт"), m_exportRecords);
    enable({m_pickButton, m_unpickButton}, false);
    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(m_pickButton);
    moves->addSpacing(7);
    moves->addWidget(m_unpickButton);
    moves->addStretch();
    auto* lists = new QHBoxLayout(m_listsPanel);
    lists->setContentsMargins(0, 0, 0, 0);
    lists->setSpacing(7);
    lists->addWidget(m_diaryList, 1);
    lists->addLayout(moves);
    lists->addWidget(m_exportList, 1);
    return group;
}

void ExportWindow::buildBottom()
{
    m_gauge = makeField<QProgressBar>(this, "PBar", QRect(8, 262, 129, 17));
    m_gauge->setTextVisible(true);
    m_gauge->hide();
    m_okButton = addButton("BbOK", QStringLiteral("OK"), QStyle::SP_DialogOkButton, QRect(144, 258, 73, 25));
    m_okButton->setDefault(true);
    m_cancelButton =
        addButton("BbExit", QStringLiteral("Отмена "), QStyle::SP_DialogCancelButton, QRect(224, 258, 73, 25));
    setKeyButtons(m_okButton, m_cancelButton);
    m_info = makeLabel(this, "info", QString(), {8, 292});
    m_info->resize(289, 17);
}

// The dialog's own file-name field keeps what was typed in it: that name and its type are taken even
// when the dialog is cancelled. Text export appends, so an existing file is no reason to ask.
void ExportWindow::buildSaveDialog()
{
    m_saveDialog = new QFileDialog(this);
    m_saveDialog->setObjectName(QStringLiteral("SaveD"));
    m_saveDialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    m_saveDialog->setAcceptMode(QFileDialog::AcceptSave);
    m_saveDialog->setFileMode(QFileDialog::AnyFile);
    m_saveDialog->setNameFilters({QStringLiteral("txt (*.txt)"), QStringLiteral("html (*.html)")});
}

// The sizeable frame gives room to the lists; the buttons keep to the lower right corner.
void ExportWindow::anchor(QGroupBox* nameGroup, QGroupBox* entryGroup)
{
    auto* window = new EdgeAnchors(this);
    window->add(nameGroup, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge);
    window->add(entryGroup, AllEdges);
    window->add(m_gauge, Qt::LeftEdge | Qt::BottomEdge);
    window->add(m_okButton, Qt::RightEdge | Qt::BottomEdge);
    window->add(m_cancelButton, Qt::RightEdge | Qt::BottomEdge);
    window->add(m_info, Qt::LeftEdge | Qt::BottomEdge);
    auto* name = new EdgeAnchors(nameGroup);
    name->add(m_fileName, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge);
    name->add(m_browseButton, Qt::TopEdge | Qt::RightEdge);
    auto* entries = new EdgeAnchors(entryGroup);
    entries->add(m_listsPanel, AllEdges);
}

// Picked entries are named by record number, which only means something in the diary they were picked
// from, as it was then: another diary, or the same one rebuilt by an import, starts the list afresh,
// and a deletion takes its entry out and renumbers the entries after it.
void ExportWindow::followDocument()
{
    const auto forget = [this] {
        m_exportRecords->setRecords({});
        m_diaryRecords->setRecords({});
    };
    connect(&m_document, &DiaryDocument::opened, this, forget);
    connect(&m_document, &DiaryDocument::entriesRenumbered, this, forget);
    connect(&m_document, &DiaryDocument::entryRemoved, this, [this](std::int32_t record) {
        m_exportRecords->forgetDeletedRecord(record);
        m_diaryRecords->forgetDeletedRecord(record);
    });
}

// Restoring the window from a minimised main window is no new showing.
void ExportWindow::showEvent(QShowEvent* event)
{
    SecondaryWindow::showEvent(event);
    if (!event->spontaneous())
        showDiaryEntries();
}

// Moving the pointer over the choices settles which controls are available.
bool ExportWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove &&
        (watched == m_allEntries || watched == m_listedEntries || watched == m_pickedEntries))
        enableHandPicking();
    return SecondaryWindow::eventFilter(watched, event);
}

// A diary without entries lists none on the left either, rather than entries of the diary shown before.
void ExportWindow::showDiaryEntries()
{
    m_gauge->setValue(0);
    m_gauge->hide();
    m_fileName->clear();
    m_allEntries->setChecked(true);
    qint64 entries = 0;
    try {
        entries = std::min<qint64>(m_document.view().entryCount(), MaxEntries);
    } catch (const QuillnestError&) {
    }
    m_okButton->setEnabled(entries > 0);
    m_info->setText(entries > 0 ? QString() : QStringLiteral("Дневник пуст!"));
    std::vector<std::int32_t> all(static_cast<std::size_t>(entries));
    std::iota(all.begin(), all.end(), 1);
    m_diaryRecords->setRecords(std::move(all));
}

void ExportWindow::enableHandPicking()
{
    enable({m_diaryList, m_exportList, m_pickButton, m_unpickButton}, m_pickedEntries->isChecked());
}

void ExportWindow::moveSelected(QListView* from, RecordListModel* source, RecordListModel* target)
{
    const QModelIndexList selected = from->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        showMessage(this, QStringLiteral("Ничего не выбрано!"));
        return;
    }
    target->append(source->take(selected.first().row()));
    from->clearSelection();
}

void ExportWindow::pickEntry()
{
    moveSelected(m_diaryList, m_diaryRecords, m_exportRecords);
}

void ExportWindow::unpickEntry()
{
    moveSelected(m_exportList, m_exportRecords, m_diaryRecords);
}

void ExportWindow::browseForFile()
{
    if (m_saveDialog->exec() == QDialog::Accepted)
        m_lastChosenName = m_saveDialog->selectedFiles().value(0);
    const int choice = int(m_saveDialog->nameFilters().indexOf(m_saveDialog->selectedNameFilter())) + 1;
    m_exportFileName = browsedExportName(m_lastChosenName, choice);
    m_fileName->setText(m_exportFileName);
    m_fileName->setToolTip(m_exportFileName);
}

void ExportWindow::takeTypedName()
{
    m_exportFileName = typedExportName(m_fileName->text());
    m_fileName->setToolTip(m_fileName->text());
}

bool ExportWindow::inputIsComplete()
{
    if (m_fileName->text().isEmpty()) {
        showMessage(this, QStringLiteral("Не указано имя файла!"));
        return false;
    }
    if (m_pickedEntries->isChecked() && m_exportRecords->rowCount() == 0) {
        showMessage(this, QStringLiteral("Включён режим ручного выбора записей, но ни одна запись не выбрана!"));
        return false;
    }
    return true;
}

// A failed export has changed no file; the window stays open to try again.
void ExportWindow::exportEntries()
{
    if (!inputIsComplete())
        return;
    ExportChoice choice;
    choice.allEntries = m_allEntries->isChecked();
    if (m_listedEntries->isChecked()) {
        choice.records = m_document.view().listedRecords();
        if (choice.records.empty()) {
            showMessage(this, QStringLiteral("Список дат пуст: экспортировать нечего!"));
            return;
        }
    } else if (m_pickedEntries->isChecked()) {
        choice.records = m_exportRecords->records();
    }
    const ExportLayout layout = writesTextLayout(m_exportFileName) ? ExportLayout::Text : ExportLayout::Html;
    m_gauge->setValue(0);
    m_gauge->show();
    try {
        m_document.exportEntries(choice, m_exportFileName, layout,
                                 [this](qint64 done, qint64 total) { showProgress(m_gauge, done, total); });
    } catch (const QuillnestError& error) {
        m_gauge->hide();
        showMessage(this, error.text());
        return;
    }
    showMessage(this, QStringLiteral("Экспортирование записей успещно завершено"));
    close();
}
