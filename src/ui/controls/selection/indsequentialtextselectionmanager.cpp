#include "indsequentialtextselectionmanager.h"

#include "mccontrolslog.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMouseEvent>

#include <algorithm>

namespace {

QList<QPointer<INDSequentialTextSelectionManager>> &liveManagers()
{
    static QList<QPointer<INDSequentialTextSelectionManager>> managers;
    return managers;
}

int windowY(const QWidget *view)
{
    return view->mapTo(view->window(), QPoint(0, 0)).y();
}

} // namespace

INDSequentialTextSelectionManager::INDSequentialTextSelectionManager(QObject *parent)
    : QObject(parent)
{
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this,
            &INDSequentialTextSelectionManager::focusChanged);
    liveManagers().append(this);
}

INDSequentialTextSelectionManager::~INDSequentialTextSelectionManager()
{
    qApp->removeEventFilter(this);
    liveManagers().removeAll(this);
    liveManagers().removeAll(nullptr);
}

void INDSequentialTextSelectionManager::registerTextView(
    QWidget *textView, const QString &identifier, const TransformationBlock &transformationBlock)
{
    if (!textView || identifier.isEmpty()) {
        qCCritical(lcControls, "Invalid parameter not satisfying: %s",
                   textView ? "identifier" : "textView");
        return;
    }
    unregisterTextView(textView);
    // A view left under this identifier would show and select the same message twice.
    if (QWidget *previous = m_textViews.value(identifier).textView)
        unregisterTextView(previous);
    INDTextView::ind_setUniqueIdentifier(textView, identifier);
    const auto range = m_currentSession
                           ? m_currentSession->selectionRanges().constFind(identifier)
                           : QHash<QString, INDTextViewSelectionRange>::const_iterator();
    if (m_currentSession && range != m_currentSession->selectionRanges().constEnd())
        INDTextView::ind_highlightSelectedTextInRange(textView, range->range(), m_firstResponder);
    else
        INDTextView::ind_deselectHighlightedText(textView); // a reused view's old highlight
    m_textViews.insert(identifier, {textView, transformationBlock});
    m_sortedTextViews.append(textView);
    sortTextViews();
    connect(textView, &QObject::destroyed, this,
            &INDSequentialTextSelectionManager::textViewDestroyed, Qt::UniqueConnection);
}

void INDSequentialTextSelectionManager::unregisterTextView(QWidget *textView)
{
    const QString identifier = INDTextView::ind_uniqueIdentifier(textView);
    if (identifier.isEmpty())
        return;
    if (m_textViews.value(identifier).textView == textView)
        m_textViews.remove(identifier);
    m_sortedTextViews.removeAll(textView);
    INDTextView::ind_setUniqueIdentifier(textView, QString());
}

void INDSequentialTextSelectionManager::unregisterAllTextViews()
{
    m_textViews.clear();
    m_sortedTextViews.clear();
}

void INDSequentialTextSelectionManager::textViewDestroyed(QObject *textView)
{
    const auto gone = [textView](const QPointer<QWidget> &view) {
        return !view || static_cast<QObject *>(view.data()) == textView;
    };
    m_sortedTextViews.erase(
        std::remove_if(m_sortedTextViews.begin(), m_sortedTextViews.end(), gone),
        m_sortedTextViews.end());
    for (auto it = m_textViews.begin(); it != m_textViews.end();)
        it = gone(it->textView) ? m_textViews.erase(it) : std::next(it);
}

QList<QWidget *> INDSequentialTextSelectionManager::sortedTextViews() const
{
    QList<QWidget *> views;
    for (const QPointer<QWidget> &view : m_sortedTextViews)
        if (view)
            views.append(view);
    return views;
}

void INDSequentialTextSelectionManager::sortTextViews()
{
    m_sortedTextViews.removeAll(nullptr);
    // Views at the same height keep the order they came in.
    std::stable_sort(m_sortedTextViews.begin(), m_sortedTextViews.end(),
                     [](const QPointer<QWidget> &a, const QPointer<QWidget> &b) {
                         return windowY(a) < windowY(b);
                     });
}

QWidget *INDSequentialTextSelectionManager::sessionTextView() const
{
    return m_currentSession ? m_textViews.value(m_currentSession->textViewIdentifier()).textView
                            : nullptr;
}

INDSequentialTextSelectionManager *
INDSequentialTextSelectionManager::firstResponderForWindow(const QWidget *window)
{
    for (const auto &manager : liveManagers())
        if (manager && manager->m_firstResponder && manager->m_currentSession &&
            manager->m_window && manager->m_window->window() == window)
            return manager;
    return nullptr;
}

void INDSequentialTextSelectionManager::setFirstResponder(bool firstResponder)
{
    if (m_firstResponder == firstResponder)
        return;
    m_firstResponder = firstResponder;
    emit firstResponderChanged(firstResponder);
}

bool INDSequentialTextSelectionManager::becomeFirstResponder()
{
    // The keyboard leaves the window's focused widget, so that Copy comes here.
    if (m_window && m_window->window()->focusWidget())
        m_window->window()->focusWidget()->clearFocus();
    rehighlightSelectedRangesAsActive(true);
    setFirstResponder(true);
    return true;
}

bool INDSequentialTextSelectionManager::resignFirstResponder()
{
    rehighlightSelectedRangesAsActive(false);
    setFirstResponder(false);
    return true;
}

void INDSequentialTextSelectionManager::focusChanged(QWidget *old, QWidget *now)
{
    Q_UNUSED(old)
    if (m_firstResponder && now && m_window && now->window() == m_window->window())
        resignFirstResponder();
}

void INDSequentialTextSelectionManager::rehighlightSelectedRangesAsActive(bool active)
{
    if (!m_currentSession)
        return;
    for (const INDTextViewSelectionRange &range : m_currentSession->selectionRanges())
        if (QWidget *view = m_textViews.value(range.textViewIdentifier()).textView)
            INDTextView::ind_highlightSelectedTextInRange(view, range.range(), active);
}

void INDSequentialTextSelectionManager::endSession()
{
    for (const INDTextViewMetadata &metadata : qAsConst(m_textViews))
        if (metadata.textView)
            INDTextView::ind_deselectHighlightedText(metadata.textView);
    m_currentSession.reset();
    m_cachedAttributedText.reset();
    m_readingIndexes.clear();
}

void INDSequentialTextSelectionManager::setSelectionRangeForTextView(QWidget *textView,
                                                                     const INDRange &range)
{
    if (range.location == INDRange::NotFound || range.end() == 0) {
        INDTextView::ind_deselectHighlightedText(textView);
        m_currentSession->removeSelectionRangeForTextView(textView);
    } else {
        const auto held = m_currentSession->selectionRanges().constFind(
            INDTextView::ind_uniqueIdentifier(textView));
        // The same range again keeps the text taken the first time.
        if (held == m_currentSession->selectionRanges().constEnd() || held->range() != range) {
            m_currentSession->addSelectionRange(INDTextViewSelectionRange(textView, range));
            m_readingIndexes.insert(INDTextView::ind_uniqueIdentifier(textView),
                                    m_sortedTextViews.indexOf(textView));
        }
        INDTextView::ind_highlightSelectedTextInRange(textView, range, true);
    }
    m_cachedAttributedText.reset();
}

void INDSequentialTextSelectionManager::processCompleteSelectionsForTargetTextView(
    QWidget *textView)
{
    // Every view strictly between the anchor's view and the target is selected whole, the
    // anchor's view from the anchor towards the target, and every other view is cleared,
    // whichever way the mouse went since the last event: a quick move then never leaves the
    // anchor's view selected beyond the anchor, nor a view on the far side selected.
    const QList<QWidget *> views = sortedTextViews();
    const int s = views.indexOf(sessionTextView());
    const int t = views.indexOf(textView);
    if (!m_currentSession || s < 0 || t < 0)
        return;
    const int anchor = m_currentSession->characterIndex();
    for (int i = 0; i < views.size(); ++i) {
        if (i == t)
            continue;
        INDRange range;
        if (i == s && t > s)
            range = INDRange{anchor, INDTextView::length(views[i]) - anchor};
        else if (i == s)
            range = INDRange{0, anchor};
        else if ((s < i && i < t) || (t < i && i < s))
            range = INDRange{0, INDTextView::length(views[i])};
        setSelectionRangeForTextView(views[i], range);
    }
}

QString INDSequentialTextSelectionManager::buildAttributedStringForCurrentSession() const
{
    if (!m_currentSession)
        return QString();
    QStringList identifiers = m_currentSession->selectionRanges().keys();
    std::sort(identifiers.begin(), identifiers.end(), [&](const QString &a, const QString &b) {
        return m_readingIndexes.value(a) < m_readingIndexes.value(b);
    });
    QString text;
    for (int i = 0; i < identifiers.size(); ++i) {
        const INDTextViewMetadata metadata = m_textViews.value(identifiers[i]);
        const QString part =
            m_currentSession->selectionRanges().value(identifiers[i]).attributedText();
        text += metadata.transformationBlock ? metadata.transformationBlock(part) : part;
        if (!text.isEmpty() && i + 1 < identifiers.size())
            text += QLatin1Char('\n');
    }
    return text;
}

QString INDSequentialTextSelectionManager::cachedAttributedText()
{
    if (!m_cachedAttributedText)
        m_cachedAttributedText = buildAttributedStringForCurrentSession();
    return *m_cachedAttributedText;
}

void INDSequentialTextSelectionManager::copy()
{
    // A click that selected nothing must not wipe what the user copied before.
    if (!m_currentSession || m_currentSession->selectionRanges().isEmpty())
        return;
    QGuiApplication::clipboard()->setText(cachedAttributedText());
}

QMenu *INDSequentialTextSelectionManager::menuForEvent(const QMouseEvent *event)
{
    QWidget *view = m_window ? validTextViewForEvent(m_window, event->globalPos()) : nullptr;
    if (!view)
        return nullptr;
    // No system sharing services here: the menu holds Copy only.
    auto *menu = new QMenu(tr("Text Actions"), view);
    menu->setObjectName(QStringLiteral("ind_textActions"));
    QAction *copyItem = menu->addAction(tr("Copy"));
    connect(copyItem, &QAction::triggered, this, &INDSequentialTextSelectionManager::copy);
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    return menu;
}
