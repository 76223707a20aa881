#include "entryeditor.h"

#include "document/diarydocument.h"
#include "draftkeeper.h"
#include "passwordprompt.h"
#include "store/stamp.h"
#include "widgets/messagebox.h"

#include <QPlainTextEdit>

#include <utility>

EntryEditor::EntryEditor(DiaryDocument& document, QPlainTextEdit* textBox, QWidget* window, Attempt attempt)
    : QObject(window), m_document(document), m_textBox(textBox), m_window(window),
      m_draft(new DraftKeeper(document, textBox, window)), m_attempt(std::move(attempt))
{
    m_draft->setParent(this);
    connect(m_draft, &DraftKeeper::failed, this,
            [this](const QString& error) { emit told(QStringLiteral(" Черновик не записан: ") + error); });
}

QString EntryEditor::text() const
{
    return typedText(m_textBox);
}

void EntryEditor::setMode(Mode mode)
{
    m_mode = mode;
    emit modeChanged();
}

void EntryEditor::addEntry()
{
    if (!m_document.isOpen())
        return;
    setMode(Mode::Adding);
    m_textBox->clear();
    m_draft->beginEntry(false);
    emit told(QStringLiteral(" Добавление новой записи"));
    m_textBox->setFocus();
}

void EntryEditor::changeEntry()
{
    if (!m_document.isOpen() || m_document.view().viewedRecord() == 0)
        return;
    setMode(Mode::Changing);
    m_draft->beginEntry(true);
    m_textBox->setFocus();
    emit told(QStringLiteral(" Изменение записи"));
}

// A new entry goes to the end of the file, so the list shows every entry again before it is added,
// whether the adding then succeeds or not. Only the record on view is changed, and only while its stamp
// still reads as its label says.
void EntryEditor::saveNewEntry()
{
    if (m_mode == Mode::Adding)
        save();
}

void EntryEditor::saveChangedEntry()
{
    if (m_mode == Mode::Changing)
        save();
}

// Where another program replaced the diary's file since it was opened, the diary is opened again from its
// path, its password asked for, and the text saved there; the text and its draft stay until then.
bool EntryEditor::save()
{
    if (m_mode == Mode::Viewing)
        return false;
    bool reopened = true;
    if (m_document.view().wasReplaced() &&
        !m_attempt([&] { reopened = m_document.reopen(PasswordPrompt::askerOver(m_window)); }))
        return false;
    if (!reopened)
        return false;
    const bool adding = m_mode == Mode::Adding;
    const bool listedEveryEntry = m_document.view().listsEveryEntry();
    const bool saved = m_attempt([&] { adding ? m_document.add(text()) : m_document.change(text()); });
    if (adding && !listedEveryEntry && m_document.view().listsEveryEntry())
        emit everyEntryListed();
    if (!saved)
        return false;
    m_draft->endEntry();
    setMode(Mode::Viewing);
    emit told(adding ? QStringLiteral(" Новая запись успешно добавлена") : QStringLiteral(" Запись успешно изменена"));
    return true;
}

void EntryEditor::discardEntry()
{
    if (!m_document.isOpen())
        return;
    m_draft->endEntry();
    setMode(Mode::Viewing);
    m_textBox->clear();
    emit discarded();
}

void EntryEditor::leaveEntry()
{
    m_draft->leaveEntry();
    setMode(Mode::Viewing);
}

void EntryEditor::offerDraft()
{
    DraftReading reading;
    m_attempt([&] { reading = m_document.readDraft(); });
    if (!reading.takenName.isEmpty() && !m_toldOfTakenNames.contains(reading.takenName)) {
        m_toldOfTakenNames.insert(reading.takenName);
        showMessage(m_window,
                    QStringLiteral("Рядом с дневником лежит чужой файл с именем его черновика:\r%1\rПрограмма "
                                   "его не трогает; несохранённый текст этого дневника хранится в папке\r%2")
                        .arg(reading.takenName, reading.keptIn));
    }
    if (reading.found == DraftFound::SetAside)
        showMessage(m_window, QStringLiteral("Несохранённый текст записи не читается с паролем этого дневника, "
                                             "оставлен другим дневником или повреждён. Он сохранён как\r") +
                                  reading.setAsideAs);
    const Draft& draft = reading.draft;
    const QString question = QStringLiteral("Найден несохранённый текст записи от %1. Восстановить?");
    const Answer answer = reading.found == DraftFound::Readable
                              ? askYesNo(m_window, question.arg(stampText(draft.writtenAt)))
                              : Answer::Cancel;
    if (answer == Answer::No)
        m_attempt([&] { m_document.forgetDraft(); });
    if (answer != Answer::Yes)
        return;
    std::optional<int> row;
    if (draft.changing && m_attempt([&] { row = m_document.listAllFinding(draft.entryRecord, draft.entryStamp); }) &&
        row)
        emit entryWanted(*row);
    m_document.view().viewedRecord() != 0 ? changeEntry() : addEntry();
    m_textBox->setPlainText(draft.text);
    emit told(QStringLiteral(" Восстановлен несохранённый текст"));
}

void EntryEditor::keepDraftNow()
{
    m_draft->keepNow();
}

bool EntryEditor::mayLeaveTypedText()
{
    if (!m_draft->typed())
        return true;
    switch (askYesNoCancel(m_window, QStringLiteral("Сохранить запись?"))) {
    case Answer::Yes:
        return save();
    case Answer::No:
        discardEntry();
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}
