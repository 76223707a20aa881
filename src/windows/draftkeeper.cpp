#include "draftkeeper.h"

#include "document/diarydocument.h"
#include "store/error.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>

namespace
{

constexpr int PauseMs = 1000;
// Less than two seconds, so that the draft, once written, holds all but the last two seconds of typing.
constexpr int DeadlineMs = 1800;

} // namespace

QString typedText(const QPlainTextEdit* box)
{
    QString text = box->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

DraftKeeper::DraftKeeper(DiaryDocument& document, QPlainTextEdit* box, QWidget* window)
    : QObject(window), m_document(document), m_box(box), m_pause(new QTimer(this)), m_deadline(new QTimer(this))
{
    for (QTimer* timer : {m_pause, m_deadline}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, &DraftKeeper::keepNow);
    }
    connect(box, &QPlainTextEdit::textChanged, this, &DraftKeeper::textChanged);
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &DraftKeeper::keepNow);
    // A new password or an import rebuilds the diary: the draft goes under its key and entry again.
    connect(&document, &DiaryDocument::reloaded, this, &DraftKeeper::keepNow);
    // The document goes before the window that holds both; nothing is kept after it.
    connect(&document, &QObject::destroyed, this, [this, window] {
        leaveEntry();
        window->removeEventFilter(this);
    });
    window->installEventFilter(this);
}

void DraftKeeper::beginEntry(bool changing)
{
    m_active = true;
    m_changing = changing;
    m_beganWith = typedText(m_box);
}

void DraftKeeper::endEntry()
{
    if (m_active)
        forget();
    leaveEntry();
}

void DraftKeeper::forget()
{
    try {
        m_document.forgetDraft();
    } catch (const QuillnestError& error) {
        emit failed(error.text());
    }
}

void DraftKeeper::leaveEntry()
{
    m_active = false;
    m_pause->stop();
    m_deadline->stop();
}

bool DraftKeeper::typed() const
{
    return m_active && typedText(m_box) != m_beganWith;
}

// Typing on and on still writes the draft within every two seconds.
void DraftKeeper::textChanged()
{
    if (!m_active)
        return;
    m_pause->start(PauseMs);
    if (!m_deadline->isActive())
        m_deadline->start(DeadlineMs);
}

void DraftKeeper::keepNow()
{
    if (!m_active || !m_document.isOpen())
        return;
    m_pause->stop();
    m_deadline->stop();
    if (!typed()) {
        forget();
        return;
    }
    const QString text = typedText(m_box);
    try {
        m_document.keepDraft(m_changing, text);
    } catch (const QuillnestError& error) {
        emit failed(error.text());
        return;
    }
    emit kept(text.size());
}

bool DraftKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !static_cast<QWidget*>(watched)->isActiveWindow() &&
        (m_pause->isActive() || m_deadline->isActive()))
        keepNow();
    return QObject::eventFilter(watched, event);
}
