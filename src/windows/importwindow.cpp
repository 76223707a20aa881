#include "importwindow.h"

#include "document/diarydocument.h"
#include "import/importentries.h"
#include "store/cp1251.h"
#include "store/diaryedit.h"
#include "store/error.h"
#include "store/stamp.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QAbstractListModel>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cerrno>

// The source's entries as a check list: a row per stamp, its text made only when the row is shown, so
// that a source of 65,535 entries is listed at once.
class SourceEntryModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_stamps.size());
    }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override
    {
        if (!index.isValid() || size_t(index.row()) >= m_stamps.size())
            return {};
        if (role == Qt::DisplayRole)
            return stampText(m_stamps[size_t(index.row())]);
        if (role == Qt::CheckStateRole)
            return m_picked[size_t(index.row())] ? Qt::Checked : Qt::Unchecked;
        return {};
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override
    {
        if (role != Qt::CheckStateRole || !index.isValid() || size_t(index.row()) >= m_picked.size())
            return false;
        m_picked[size_t(index.row())] = value.toInt() == Qt::Checked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable : Qt::NoItemFlags;
    }

    // Every row unchecked.
    void setStamps(std::vector<double> stamps)
    {
        beginResetModel();
        m_stamps = std::move(stamps);
        m_picked.assign(m_stamps.size(), false);
        endResetModel();
    }

    const std::vector<bool>& picked() const { return m_picked; }
    bool anyPicked() const { return std::find(m_picked.begin(), m_picked.end(), true) != m_picked.end(); }

private:
    std::vector<double> m_stamps;
    std::vector<bool> m_picked;
};

namespace
{

constexpr QSize OuterSize(390, 500);
// The client area the controls were laid out in; the status bar follows the window's real size.
constexpr QSize DesignClientSize(382, 473);
constexpr int StatusBarHeight = 19;
constexpr int InfoBoxWidth = 193;
constexpr int InfoMargin = 8;
constexpr int ValueGap = 6;
constexpr qreal SmallestListPoints = 7;

const QColor Black(0, 0, 0);
const QColor Purple(128, 0, 128);
const QColor Grey(128, 128, 128);
const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);

const QString NotFoundText = QStringLiteral("Не удалось открыть файл!");
const QString EmptySourceText = QStringLiteral("Записей не обнаружено. Исходный файл пуст.");
const QString LockedPreviewText = QStringLiteral("Для просмотра необходимо ввести пароль");
const QString CompletedText = QStringLiteral("Импорт записей завершен");

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
QLabel* makeValueLabel(QWidget* parent, const char* name, const QLabel* caption)
{
    const int x = caption->geometry().right() + ValueGap;
    QLabel* label = makeLabel(parent, name, QString(), {x, caption->y()});
    label->resize(InfoBoxWidth - InfoMargin - x, caption->height());
    return label;
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

// The path a new diary named `typed` gets: in `dataDir`, its extension, if any, made ".qnb".
QString newDiaryPath(const QString& dataDir, const QString& typed)
{
    const qsizetype dot = typed.lastIndexOf(u'.');
    const QString stem = dot > typed.lastIndexOf(u'/') ? typed.left(dot) : typed;
    return dataDir + u'/' + stem + QStringLiteral(".qnb");
}

} // namespace

TForm8::TForm8(DiaryDocument& document, const QString& dataDir, QWidget* parent)
    : SecondaryWindow(parent, OuterSize), m_document(document), m_dataDir(dataDir),
      m_entries(new SourceEntryModel(this))
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Импорт Записей"));
    resize(DesignClientSize);
    buildSourceBox();
    buildPassBox();
    buildOutBox();
    buildToBox();
    buildInfoBox();
    buildBottom();
    resize(OuterSize);
    connectHandlers();
    ResetImportWindow();
}

void TForm8::buildSourceBox()
{
    GroupBox1 = makeBox(this, "GroupBox1", QStringLiteral("Источник "), QRect(8, 8, 369, 49));
    EInF = makeField<QLineEdit>(GroupBox1, "EInF", QRect(8, 18, 249, 21));
    Find = makeButton(GroupBox1, "Find", QStringLiteral("..."), QRect(262, 17, 22, 22));
    Open = makeButton(GroupBox1, "Open", QStringLiteral("Открыть"), QRect(288, 17, 75, 22));
    Open->setEnabled(false);

    OpenD = new QFileDialog(this);
    OpenD->setObjectName(QStringLiteral("OpenD"));
    OpenD->setOption(QFileDialog::DontUseNativeDialog);
    OpenD->setFileMode(QFileDialog::ExistingFile);
    OpenD->setAcceptMode(QFileDialog::AcceptOpen);
    OpenD->setNameFilter(QStringLiteral("Старый формат (*.drb)"));
}

void TForm8::buildPassBox()
{
    PassBox = makeBox(this, "PassBox", QStringLiteral("Защита "), QRect(8, 64, 169, 49));
    EPass = makeField<QLineEdit>(PassBox, "EPass", QRect(8, 18, 113, 21));
    EPass->setAccessibleName(QStringLiteral("Пароль старого дневника"));
    // The box's caption colour tells the protection state; the typed password keeps the usual colour.
    QPalette typed = EPass->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        typed.setColor(group, QPalette::Text, typed.color(group, QPalette::Text));
    EPass->setPalette(typed);
    PassOk = makeButton(PassBox, "PassOk", QStringLiteral("ОК"), QRect(128, 17, 33, 22));
}

void TForm8::buildOutBox()
{
    OutBox = makeBox(this, "OutBox", QStringLiteral("Импортируемые записи "), QRect(8, 120, 169, 289));
    RBAll = makeRadio(OutBox, "RBAll", QStringLiteral("Все записи"), QRect(8, 16, 153, 17));
    RBFull = makeRadio(OutBox, "RBFull", QStringLiteral("Все непустые записи"), QRect(8, 35, 153, 17));
    RBHand = makeRadio(OutBox, "RBHand", QStringLiteral("Выборочно"), QRect(8, 54, 153, 17));
    CLB = makeField<QListView>(OutBox, "CLB", QRect(8, 76, 153, 97));
    CLB->setToolTip(QStringLiteral("Ручной выбор записей на импорт"));
    CLB->setAccessibleName(QStringLiteral("Записи старого дневника"));
    // Every row is as high as the first, so that only the rows on view make their texts.
    CLB->setUniformItemSizes(true);
    CLB->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CLB->setSelectionMode(QAbstractItemView::ExtendedSelection);
    CLB->setModel(m_entries);
    fitListFont(CLB);
    MLook = makeField<QPlainTextEdit>(OutBox, "MLook", QRect(8, 178, 153, 105));
    MLook->setToolTip(QStringLiteral("Краткий просмотр выбранной записи"));
    MLook->setReadOnly(true);
    MLook->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TForm8::buildToBox()
{
    ToBox = makeBox(this, "ToBox", QStringLiteral("Импортировать в "), QRect(184, 64, 193, 177));
    RBThis = makeRadio(ToBox, "RBThis", QStringLiteral("Текущий дневник"), QRect(8, 16, 177, 17));
    RBNew = makeRadio(ToBox, "RBNew", QStringLiteral("Новый дневник"), QRect(8, 35, 177, 17));
    LFName = makeBoldLabel(ToBox, "LFName", QStringLiteral("Имя нового файла"), {8, 56});
    EFName = makeField<QLineEdit>(ToBox, "EFName", QRect(8, 71, 177, 21));
    EFName->setEnabled(false);
    LDName = makeBoldLabel(ToBox, "LDName", QStringLiteral("Название дневника"), {8, 96});
    EDName = makeField<QLineEdit>(ToBox, "EDName", QRect(8, 111, 177, 21));
    LMName = makeBoldLabel(ToBox, "LMName", QStringLiteral("Имя владельца"), {8, 136});
    EMName = makeField<QLineEdit>(ToBox, "EMName", QRect(8, 151, 177, 21));
    // A screen reader names each field as the caption over it.
    LFName->setBuddy(EFName);
    LDName->setBuddy(EDName);
    LMName->setBuddy(EMName);
}

void TForm8::buildInfoBox()
{
    GroupBox5 = makeBox(this, "GroupBox5", QStringLiteral("Информация "), QRect(184, 248, InfoBoxWidth, 161));
    Label4 = makeBoldLabel(GroupBox5, "Label4", QStringLiteral("Файл:"), {InfoMargin, 16});
    LName = makeValueLabel(GroupBox5, "LName", Label4);
    Label8 = makeBoldLabel(GroupBox5, "Label8", QStringLiteral("Количество записей:"), {InfoMargin, 32});
    LNum = makeValueLabel(GroupBox5, "LNum", Label8);
    Label10 = makeBoldLabel(GroupBox5, "Label10", QStringLiteral("Версия:"), {InfoMargin, 48});
    LVer = makeValueLabel(GroupBox5, "LVer", Label10);
    Att = makeBoldLabel(GroupBox5, "Att", QStringLiteral("Внимание:"), {InfoMargin, 64});
    Att->hide();
    Lhelp = makeLabel(GroupBox5, "Lhelp", QString(), {InfoMargin, 80});
    Lhelp->resize(173, 73);
    Lhelp->setWordWrap(true);
    Lhelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TForm8::buildBottom()
{
    PBar = makeField<QProgressBar>(this, "PBar", QRect(10, 418, 200, 20));
    PBar->hide();
    BbGo = addButton("BbGo", QStringLiteral("OK"), QStyle::SP_DialogOkButton, QRect(216, 416, 75, 25));
    BbGo->setDefault(true);
    BBClose = addButton("BBClose", QStringLiteral("Закрыть "), QStyle::SP_DialogCancelButton, QRect(300, 416, 75, 25));
    setKeyButtons(BbGo, BBClose);

    SBar = new QStatusBar(this);
    SBar->setObjectName(QStringLiteral("SBar"));
    SBar->setGeometry(0, DesignClientSize.height() - StatusBarHeight, DesignClientSize.width(), StatusBarHeight);
    m_statusPanel = new QLabel(SBar);
    m_statusPanel->setObjectName(QStringLiteral("SBarPanel0"));
    m_statusPanel->setTextFormat(Qt::PlainText);
    m_statusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    SBar->addWidget(m_statusPanel, 1);
    auto* anchors = new EdgeAnchors(this);
    anchors->add(SBar, Qt::LeftEdge | Qt::RightEdge | Qt::BottomEdge);
}

// A choice is handled when a button becomes checked, by the mouse, the keyboard or the program.
void TForm8::connectHandlers()
{
    connect(EInF, &QLineEdit::textChanged, this, &TForm8::EInFChange);
    connect(Find, &QPushButton::clicked, this, &TForm8::FindClick);
    connect(Open, &QPushButton::clicked, this, &TForm8::OpenClick);
    connect(PassOk, &QPushButton::clicked, this, &TForm8::PassOkClick);
    for (QRadioButton* radio : {RBAll, RBFull, RBHand})
        connect(radio, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                RBHandClick();
        });
    for (QRadioButton* radio : {RBThis, RBNew})
        connect(radio, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                RBThisClick();
        });
    connect(CLB->selectionModel(), &QItemSelectionModel::currentChanged, this, &TForm8::CLBClick);
    connect(BbGo, &QPushButton::clicked, this, &TForm8::BBGoClick);
    connect(BBClose, &QPushButton::clicked, this, &TForm8::BBCloseClick);
}

QString TForm8::statusText() const
{
    return m_statusPanel->text();
}

void TForm8::setStatusText(const QString& text)
{
    m_statusPanel->setText(text);
}

// Group boxes draw their titles in the text colour under some styles and the window text colour
// under others.
void TForm8::setPassCaption(const QString& caption, QColor colour)
{
    PassBox->setTitle(caption);
    QPalette palette = PassBox->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    PassBox->setPalette(palette);
}

// Restoring the window from a minimised main window is no new showing.
void TForm8::showEvent(QShowEvent* event)
{
    SecondaryWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

// A minimised main window hides this one too, which keeps its source.
void TForm8::hideEvent(QHideEvent* event)
{
    SecondaryWindow::hideEvent(event);
    if (!event->spontaneous())
        FormClose();
}

void TForm8::ResetImportWindow()
{
    enable({BbGo, PassOk, EPass, RBAll, RBFull, RBHand, CLB, MLook, RBThis, RBNew, LFName, LDName, LMName, EFName,
            EDName, EMName},
           false);
    m_entries->setStamps({});
    for (QLabel* label : {LName, LNum, LVer})
        label->clear();
    for (QLineEdit* field : {EFName, EDName, EMName, EPass})
        field->clear();
    m_source.close();
    m_unlocked = false;
    setPassCaption(QStringLiteral("Защита "), Black);
    MLook->clear();
    Att->hide();
    Lhelp->clear();
    PBar->hide();
}

void TForm8::FormShow()
{
    ResetImportWindow();
    EInF->clear();
    EInF->setToolTip(QString());
    setStatusText(QString());
}

void TForm8::FormClose()
{
    m_source.close();
}

// The field holds the name that "Открыть" opens, typed or chosen; its tool tip shows all of it.
void TForm8::EInFChange()
{
    Open->setEnabled(!EInF->text().isEmpty());
    EInF->setToolTip(EInF->text());
}

void TForm8::FindClick()
{
    OpenD->setDirectory(m_dataDir);
    if (OpenD->exec() == QDialog::Accepted)
        m_lastChosenSource = OpenD->selectedFiles().value(0);
    EInF->setText(m_lastChosenSource);
}

// A file that cannot be read leaves the window with no source, as one not found does.
void TForm8::OpenClick()
{
    ResetImportWindow();
    BbGo->setEnabled(true);
    OldDiarySource::Outcome outcome;
    try {
        outcome = m_source.recognise(EInF->text());
    } catch (const QuillnestError& error) {
        ResetImportWindow();
        setStatusText(QString());
        showMessage(this, error.text());
        return;
    }
    if (outcome != OldDiarySource::Outcome::Recognised) {
        setStatusText(outcome == OldDiarySource::Outcome::NotFound ? NotFoundText : EmptySourceText);
        ResetImportWindow();
        return;
    }
    m_entries->setStamps(m_source.stamps());
    LNum->setText(QString::number(m_source.entryCount()));
    LVer->setText(m_source.kind());

    // A locked source's lines cannot be put under the diary's key: it can only go to a new diary.
    const bool intoThis = m_document.isOpen() && !m_source.isProtected();
    RBThis->setEnabled(intoThis);
    RBNew->setEnabled(true);
    (intoThis ? RBThis : RBNew)->setChecked(true);
    RBThisClick();
    enable({RBAll, RBFull, RBHand}, true);
    RBAll->setChecked(true);
    RBHandClick();

    enable({EPass, PassOk}, m_source.isProtected());
    if (m_source.isProtected()) {
        setPassCaption(QStringLiteral("Защита (есть) "), Purple);
        setStatusText(QStringLiteral("Дневник открыт (дневник защищен паролем)"));
    } else {
        setPassCaption(QStringLiteral("Защита (нет) "), Grey);
        setStatusText(QStringLiteral("Дневник открыт (пароль не нужен)"));
    }
    LName->setText(QFileInfo(m_source.path()).fileName());
}

void TForm8::RBHandClick()
{
    enable({CLB, MLook}, RBHand->isChecked());
    if (RBHand->isChecked())
        setStatusText(QStringLiteral("Выберите нужные записи"));
    else if (RBAll->isChecked())
        setStatusText(QStringLiteral("Импортировать ВСЕ записи"));
    else
        setStatusText(QStringLiteral("Импортировать только НЕпустые записи"));
}

void TForm8::RBThisClick()
{
    enable({LFName, LDName, LMName, EFName, EDName, EMName}, RBNew->isChecked());
    setStatusText(RBNew->isChecked() ? QStringLiteral("Укажите параметры нового дневника")
                                     : QStringLiteral("Импорт записей в текущий дневник"));
}

// The preview of the current entry, locked until now, shows its text at once.
void TForm8::PassOkClick()
{
    bool accepted = false;
    try {
        accepted = m_source.checkPassword(EPass->text());
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    if (!accepted) {
        setPassCaption(QStringLiteral("Защита (неверно!) "), Red);
        return;
    }
    m_unlocked = true;
    setPassCaption(QStringLiteral("Защита (принято) "), Green);
    enable({PassOk, EPass}, false);
    if (m_document.isOpen())
        RBThis->setEnabled(true);
    CLBClick();
}

// With no current entry there is nothing to preview.
void TForm8::CLBClick()
{
    MLook->clear();
    const QModelIndex current = CLB->currentIndex();
    if (!current.isValid() || !m_source.isOpen())
        return;
    if (m_source.isProtected() && !m_unlocked) {
        MLook->setPlainText(LockedPreviewText);
        return;
    }
    try {
        MLook->setPlainText(toEditorLineBreaks(fromCp1251(m_source.entryText(current.row()))));
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
    }
}

void TForm8::failImport(const QString& error)
{
    PBar->hide();
    Att->hide();
    Lhelp->clear();
    showMessage(this, error);
}

// Nothing is written before every check has passed; a failure leaves the window open to try again.
void TForm8::BBGoClick()
{
    // Only the refusal of this click is shown.
    Att->hide();
    Lhelp->clear();
    const auto refuse = [this](const QString& text) {
        Att->show();
        Lhelp->setText(text);
    };
    if (RBHand->isChecked() && !m_entries->anyPicked()) {
        refuse(QStringLiteral("В выборочном режиме необходимо выбрать записи"));
        return;
    }
    if (RBNew->isChecked() && EFName->text().isEmpty()) {
        refuse(QStringLiteral("Нужно указать имя файла для нового дневника"));
        return;
    }
    // A character the file cannot hold would be stored as '?'; the user is asked to change it.
    QString unencodable;
    if (RBNew->isChecked())
        toCp1251(EDName->text() + u' ' + EMName->text(), &unencodable);
    if (!unencodable.isEmpty()) {
        showMessage(this, QStringLiteral("Символы не поддерживаются: ") + unencodable);
        return;
    }

    showProgress(PBar, 0, 1);
    PBar->show();
    Att->show();
    Lhelp->setText(QStringLiteral("Начался процесс импорта записей"));
    const ImportSelection selection{RBHand->isChecked()   ? ImportChoice::Picked
                                    : RBFull->isChecked() ? ImportChoice::NonEmpty
                                                          : ImportChoice::All,
                                    m_entries->picked()};
    const bool intoNew = RBNew->isChecked();
    const QString path = newDiaryPath(m_dataDir, EFName->text());
    const auto progress = [this](qint64 done, qint64 total) { showProgress(PBar, done, total); };
    QString completed = CompletedText;
    try {
        if (intoNew)
            importIntoNewDiary(m_source, selection, path, toCp1251(EDName->text()).left(SlotCapacity),
                               toCp1251(EMName->text()).left(SlotCapacity), progress);
        else
            m_document.importEntries(m_source, selection, progress);
    } catch (const NotDurableError& error) {
        completed = error.text();
    } catch (const FileError& error) {
        const bool exists = intoNew && error.code() == FileError::codeForErrno(EEXIST);
        failImport(exists ? QStringLiteral("Файл ") + QFileInfo(path).fileName() + QStringLiteral(" уже существует")
                          : error.text());
        return;
    } catch (const QuillnestError& error) {
        failImport(error.text());
        return;
    }
    showMessage(this, completed);
    // The main window already lists the merged diary; a new diary is left for the user to open.
    if (!intoNew)
        close();
}

void TForm8::BBCloseClick()
{
    close();
}

#include "importwindow.moc"
