#include "importwindow.h"

#include "document/diarydocument.h"
#include "import/importentries.h"
#include "sourceentrymodel.h"
#include "store/cp1251.h"
#include "store/diaryedit.h"
#include "store/error.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QDir>
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

#include <cerrno>

namespace
{

const QColor Black(0, 0, 0);
const QColor Purple(128, 0, 128);
const QColor Grey(128, 128, 128);
const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);

const QString NotFoundText = QStringLiteral("Не удалось открыть файл!");
const QString EmptySourceText = QStringLiteral("Записей не обнаружено. Исходный файл пуст.");
const QString LockedPreviewText = QStringLiteral("Для просмотра необходимо ввести пароль");
const QString CompletedText = QStringLiteral("Импорт записей завершен");

// The path a new diary named `typed` gets: in `diariesDir`, its extension, if any, made ".qnb".
QString newDiaryPath(const QString& diariesDir, const QString& typed)
{
    const qsizetype dot = typed.lastIndexOf(u'.');
    const QString stem = dot > typed.lastIndexOf(u'/') ? typed.left(dot) : typed;
    return QDir(diariesDir).filePath(stem + QStringLiteral(".qnb"));
}

} // namespace

ImportWindow::ImportWindow(DiaryDocument& document, const QString& diariesDir, QWidget* parent)
    : SecondaryWindow(parent, OuterSize), m_document(document), m_diariesDir(diariesDir),
      m_entries(new SourceEntryModel(this))
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Импорт Записей"));
    buildControls();
    connectControls();
    forgetSource();
}

// A choice is handled when a button becomes checked, by the mouse, the keyboard or the program.
void ImportWindow::connectControls()
{
    connect(m_sourceName, &QLineEdit::textChanged, this, &ImportWindow::takeSourceName);
    connect(m_browseButton, &QPushButton::clicked, this, &ImportWindow::browseForSource);
    connect(m_openButton, &QPushButton::clicked, this, &ImportWindow::openSource);
    connect(m_passwordButton, &QPushButton::clicked, this, &ImportWindow::unlockSource);
    for (QRadioButton* radio : {m_allEntries, m_entriesWithText, m_pickedEntries})
        connect(radio, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                followEntryChoice();
        });
    for (QRadioButton* radio : {m_intoOpenDiary, m_intoNewDiary})
        connect(radio, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                followTargetChoice();
        });
    connect(m_entryList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ImportWindow::previewCurrentEntry);
    connect(m_importButton, &QPushButton::clicked, this, &ImportWindow::importEntries);
}

void ImportWindow::setStatusText(const QString& text)
{
    m_statusPanel->setText(text);
}

// Group boxes draw their titles in the text colour under some styles and the window text colour
// under others.
void ImportWindow::setPasswordCaption(const QString& caption, QColor colour)
{
    m_passwordBox->setTitle(caption);
    QPalette palette = m_passwordBox->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    m_passwordBox->setPalette(palette);
}

// Restoring the window from a minimised main window is no new showing.
void ImportWindow::showEvent(QShowEvent* event)
{
    SecondaryWindow::showEvent(event);
    if (!event->spontaneous())
        startAfresh();
}

// A minimised main window hides this one too, which keeps its source.
void ImportWindow::hideEvent(QHideEvent* event)
{
    SecondaryWindow::hideEvent(event);
    if (!event->spontaneous())
        m_source.close();
}

void ImportWindow::startAfresh()
{
    forgetSource();
    m_sourceName->clear();
    m_sourceName->setToolTip(QString());
    setStatusText(QString());
}

void ImportWindow::forgetSource()
{
    enable({m_importButton, m_passwordButton, m_password, m_allEntries, m_entriesWithText, m_pickedEntries, m_entryList,
            m_preview, m_intoOpenDiary, m_intoNewDiary, m_newFileCaption, m_newTitleCaption, m_newOwnerCaption,
            m_newFileName, m_newTitle, m_newOwner},
           false);
    m_entries->setStamps({});
    for (QLabel* label : {m_sourceFile, m_sourceEntries, m_sourceVersion})
        label->clear();
    for (QLineEdit* field : {m_newFileName, m_newTitle, m_newOwner, m_password})
        field->clear();
    m_source.close();
    m_unlocked = false;
    setPasswordCaption(QStringLiteral("Защита "), Black);
    m_preview->clear();
    m_attention->hide();
    m_help->clear();
    m_gauge->hide();
}

// The field holds the name that "Открыть" opens, typed or chosen; its tool tip shows all of it.
void ImportWindow::takeSourceName()
{
    m_openButton->setEnabled(!m_sourceName->text().isEmpty());
    m_sourceName->setToolTip(m_sourceName->text());
}

void ImportWindow::browseForSource()
{
    m_openDialog->setDirectory(m_diariesDir);
    if (m_openDialog->exec() == QDialog::Accepted)
        m_lastChosenSource = m_openDialog->selectedFiles().value(0);
    m_sourceName->setText(m_lastChosenSource);
}

// A file that cannot be read leaves the window with no source, as one not found does.
void ImportWindow::openSource()
{
    forgetSource();
    m_importButton->setEnabled(true);
    OldDiarySource::Outcome outcome;
    try {
        outcome = m_source.recognise(m_sourceName->text());
    } catch (const QuillnestError& error) {
        forgetSource();
        setStatusText(QString());
        showMessage(this, error.text());
        return;
    }
    if (outcome != OldDiarySource::Outcome::Recognised) {
        setStatusText(outcome == OldDiarySource::Outcome::NotFound ? NotFoundText : EmptySourceText);
        forgetSource();
        return;
    }
    m_entries->setStamps(m_source.stamps());
    m_sourceEntries->setText(QString::number(m_source.entryCount()));
    m_sourceVersion->setText(m_source.kind());

    // A locked source's lines cannot be put under the diary's key: it can only go to a new diary.
    const bool intoThis = m_document.isOpen() && !m_source.isProtected();
    m_intoOpenDiary->setEnabled(intoThis);
    m_intoNewDiary->setEnabled(true);
    (intoThis ? m_intoOpenDiary : m_intoNewDiary)->setChecked(true);
    followTargetChoice();
    enable({m_allEntries, m_entriesWithText, m_pickedEntries}, true);
    m_allEntries->setChecked(true);
    followEntryChoice();

    enable({m_password, m_passwordButton}, m_source.isProtected());
    if (m_source.isProtected()) {
        setPasswordCaption(QStringLiteral("Защита (есть) "), Purple);
        setStatusText(QStringLiteral("Дневник открыт (дневник защищен паролем)"));
    } else {
        setPasswordCaption(QStringLiteral("Защита (нет) "), Grey);
        setStatusText(QStringLiteral("Дневник открыт (пароль не нужен)"));
    }
    m_sourceFile->setText(QFileInfo(m_source.path()).fileName());
}

void ImportWindow::followEntryChoice()
{
    enable({m_entryList, m_preview}, m_pickedEntries->isChecked());
    if (m_pickedEntries->isChecked())
        setStatusText(QStringLiteral("Выберите нужные записи"));
    else if (m_allEntries->isChecked())
        setStatusText(QStringLiteral("Импортировать ВСЕ записи"));
    else
        setStatusText(QStringLiteral("Импортировать только НЕпустые записи"));
}

void ImportWindow::followTargetChoice()
{
    enable({m_newFileCaption, m_newTitleCaption, m_newOwnerCaption, m_newFileName, m_newTitle, m_newOwner},
           m_intoNewDiary->isChecked());
    setStatusText(m_intoNewDiary->isChecked() ? QStringLiteral("Укажите параметры нового дневника")
                                              : QStringLiteral("Импорт записей в текущий дневник"));
}

// The preview of the current entry, locked until now, shows its text at once.
void ImportWindow::unlockSource()
{
    bool accepted = false;
    try {
        accepted = m_source.checkPassword(m_password->text());
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
        return;
    }
    if (!accepted) {
        setPasswordCaption(QStringLiteral("Защита (неверно!) "), Red);
        return;
    }
    m_unlocked = true;
    setPasswordCaption(QStringLiteral("Защита (принято) "), Green);
    enable({m_passwordButton, m_password}, false);
    if (m_document.isOpen())
        m_intoOpenDiary->setEnabled(true);
    previewCurrentEntry();
}

// With no current entry there is nothing to preview.
void ImportWindow::previewCurrentEntry()
{
    m_preview->clear();
    const QModelIndex current = m_entryList->currentIndex();
    if (!current.isValid() || !m_source.isOpen())
        return;
    if (m_source.isProtected() && !m_unlocked) {
        m_preview->setPlainText(LockedPreviewText);
        return;
    }
    try {
        m_preview->setPlainText(toEditorLineBreaks(fromCp1251(m_source.entryText(current.row()))));
    } catch (const QuillnestError& error) {
        showMessage(this, error.text());
    }
}

void ImportWindow::failImport(const QString& error)
{
    m_gauge->hide();
    m_attention->hide();
    m_help->clear();
    showMessage(this, error);
}

// Nothing is written before every check has passed; a failure leaves the window open to try again.
void ImportWindow::importEntries()
{
    // Only the refusal of this click is shown.
    m_attention->hide();
    m_help->clear();
    const auto refuse = [this](const QString& text) {
        m_attention->show();
        m_help->setText(text);
    };
    if (m_pickedEntries->isChecked() && !m_entries->anyPicked()) {
        refuse(QStringLiteral("В выборочном режиме необходимо выбрать записи"));
        return;
    }
    const bool intoNew = m_intoNewDiary->isChecked();
    if (intoNew && m_newFileName->text().isEmpty()) {
        refuse(QStringLiteral("Нужно указать имя файла для нового дневника"));
        return;
    }
    // A character the file cannot hold would be stored as '?'; the user is asked to change it.
    QString unencodable;
    if (intoNew)
        toCp1251(m_newTitle->text() + u' ' + m_newOwner->text(), &unencodable);
    if (!unencodable.isEmpty()) {
        showMessage(this, QStringLiteral("Символы не поддерживаются: ") + unencodable);
        return;
    }

    showProgress(m_gauge, 0, 1);
    m_gauge->show();
    m_attention->show();
    m_help->setText(QStringLiteral("Начался процесс импорта записей"));
    const ImportSelection selection{m_pickedEntries->isChecked()     ? ImportChoice::Picked
                                    : m_entriesWithText->isChecked() ? ImportChoice::NonEmpty
                                                                     : ImportChoice::All,
                                    m_entries->picked()};
    const QString path = newDiaryPath(m_diariesDir, m_newFileName->text());
    const auto progress = [this](qint64 done, qint64 total) { showProgress(m_gauge, done, total); };
    QString completed = CompletedText;
    try {
        if (intoNew)
            importIntoNewDiary(m_source, selection, path, toCp1251(m_newTitle->text()).left(SlotCapacity),
                               toCp1251(m_newOwner->text()).left(SlotCapacity), progress);
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
