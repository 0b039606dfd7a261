#include "mcpathtextfield.h"

#include "mcstring.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>

MCPathTextField::MCPathTextField(QWidget *parent)
    : QLineEdit(parent)
{
    setAcceptDrops(true);
}

void MCPathTextField::setStringValue(const QString &text)
{
    setText(text);
    emit textEdited(text);
}

bool MCPathTextField::autoComplete()
{
    QString typed = text();
    if (typed.isEmpty() ||
        !(typed.startsWith(QLatin1Char('/')) || typed.startsWith(QLatin1Char('~'))))
        return false;
    if (typed.startsWith(QLatin1Char('~')) && m_expandTildeInPath)
        typed = QDir::homePath() + typed.mid(1);
    QString match;
    if (MCString::completePathIntoString(typed, &match) == 0 || match.isEmpty())
        return false;
    const QFileInfo found(match);
    if (match == text() && found.exists() && !found.isDir() && !m_foldersAreValid)
        return false;
    const int typedLength = typed.size();
    setStringValue(match);
    if (m_autocompleteStyle == CompleteWhileTyping)
        setSelection(typedLength, match.size() - typedLength);
    return true;
}

void MCPathTextField::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void MCPathTextField::dropEvent(QDropEvent *event)
{
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            setStringValue(url.toLocalFile());
            break;
        }
    }
    event->setDropAction(Qt::LinkAction);
    event->accept();
}

void MCPathTextField::keyReleaseEvent(QKeyEvent *event)
{
    if (m_autocompleteStyle == CompleteWhileTyping && !event->text().isEmpty()) {
        switch (event->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Left:
        case Qt::Key_Right:
            break;
        default:
            autoComplete();
        }
    }
    QLineEdit::keyReleaseEvent(event);
}

bool MCPathTextField::event(QEvent *event)
{
    // Tab with the cursor at the end and nothing selected completes instead of moving on.
    if (event->type() == QEvent::KeyPress && m_autocompleteStyle == CompleteOnTab) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier && !hasSelectedText() &&
            cursorPosition() == text().size() && autoComplete())
            return true;
    }
    return QLineEdit::event(event);
}
