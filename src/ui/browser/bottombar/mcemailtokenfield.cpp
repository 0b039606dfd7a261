#include "mcemailtokenfield.h"

#include "mcemailtoken.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QMenu>
#include <QStringListModel>

MCEmailTokenField::MCEmailTokenField(QWidget *parent)
    : QLineEdit(parent)
    , m_completer(new QCompleter(this))
    , m_completions(new QStringListModel(this))
{
    setObjectName(QStringLiteral("tokenField"));
    setPlaceholderText(tr("Add names or emails"));
    m_completer->setModel(m_completions);
    m_completer->setWidget(this);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    connect(this, &QLineEdit::textEdited, this, &MCEmailTokenField::offerCompletions);
    connect(m_completer, QOverload<const QString &>::of(&QCompleter::activated), this,
            &MCEmailTokenField::completionChosen);
    connect(this, &QLineEdit::editingFinished, this, &MCEmailTokenField::tokenizeEntries);
}

void MCEmailTokenField::setContacts(const QList<MCEmailToken::Contact> &contacts)
{
    m_contacts = contacts;
}

QStringList MCEmailTokenField::entries() const
{
    QStringList result;
    for (const QString &entry : text().split(QLatin1Char(','))) {
        if (!entry.trimmed().isEmpty())
            result.append(entry.trimmed());
    }
    return result;
}

QStringList MCEmailTokenField::recipients() const
{
    return MCEmailToken::recipientsOf(entries(), m_contacts);
}

void MCEmailTokenField::tokenizeEntries()
{
    QStringList shown;
    for (const QString &entry : entries()) {
        const auto token =
            MCEmailToken::tokenFromEmail(MCEmailToken::reducedEntry(entry), m_contacts);
        shown.append(token ? token->displayString() : entry);
    }
    const QString joined = shown.join(QStringLiteral(", "));
    if (joined != text().trimmed())
        setText(joined);
}

bool MCEmailTokenField::editEntryAt(int position)
{
    const QString line = text();
    const int start = line.lastIndexOf(QLatin1Char(','), qMax(0, position - 1)) + 1;
    int end = line.indexOf(QLatin1Char(','), position);
    if (end < 0)
        end = line.size();
    const QString entry = line.mid(start, end - start).trimmed();
    const auto token = MCEmailToken::tokenFromEmail(MCEmailToken::reducedEntry(entry), m_contacts);
    if (!token || token->name().isEmpty() || entry == token->email())
        return false;
    const int entryStart = start + line.mid(start).indexOf(entry);
    setText(line.left(entryStart) + token->email() + line.mid(entryStart + entry.size()));
    setSelection(entryStart, token->email().size());
    return true;
}

void MCEmailTokenField::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    const int position = cursorPositionAt(event->pos());
    QAction *edit = new QAction(tr("Edit…"), menu);
    connect(edit, &QAction::triggered, this, [this, position] { editEntryAt(position); });
    menu->insertAction(menu->actions().value(0), edit);
    menu->insertSeparator(menu->actions().value(1));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void MCEmailTokenField::offerCompletions()
{
    const QString typed = text().section(QLatin1Char(','), -1).trimmed();
    const QStringList found = MCEmailToken::completions(typed, m_contacts);
    m_completions->setStringList(found);
    if (found.isEmpty()) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->setCompletionPrefix(QString());
    m_completer->complete();
    m_completer->popup()->setCurrentIndex(m_completions->index(0));
}

void MCEmailTokenField::completionChosen(const QString &completion)
{
    QStringList parts = text().split(QLatin1Char(','));
    parts.removeLast();
    for (QString &part : parts)
        part = part.trimmed();
    parts.removeAll(QString());
    const auto token =
        MCEmailToken::tokenFromEmail(MCEmailToken::reducedEntry(completion), m_contacts);
    parts.append(token ? token->displayString() : MCEmailToken::reducedEntry(completion));
    setText(parts.join(QStringLiteral(", ")) + QStringLiteral(", "));
}
