#ifndef INDSEQUENTIALTEXTSELECTIONMANAGER_H
#define INDSEQUENTIALTEXTSELECTIONMANAGER_H

#include "indtextviewmetadata.h"
#include "indtextviewselectionsession.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <memory>
#include <optional>

class QMenu;
class QMouseEvent;

// One text selection dragged across many read-only text views in reading order (top to
// bottom), such as the message views of a conversation.
//
// The owner registers each view under an identifier of what it shows (a message's id, never
// its row number), and registers a reused view again under its new identifier: the selection
// follows the identifier, so a view registered under an identifier the selection holds shows
// that part again. A view may be a QTextEdit, a QTextBrowser or a QPlainTextEdit (read-only,
// selectable by mouse), or any widget that also inherits INDSelectableText. Views destroyed
// while registered leave by themselves. Texts are plain: what is copied is the views' text.
// Give the views Qt::NoFocus (a view with the keyboard focus handles its own clicks) and show
// message text with setPlainText(). The views may sit in a scroll area; rows laid out after
// they were registered are put in order when a selection begins. Typical use:
//
//     auto *view = new QTextBrowser(row);
//     view->setPlainText(message.text);
//     view->setFocusPolicy(Qt::NoFocus);
//     view->setOpenLinks(false); // anchorClicked() then decides what a link opens
//     selectionManager->registerTextView(view, messageId);
//
// The manager watches the application's mouse events (it installs itself as an application
// event filter) instead of living in the views:
// - a single left press on a registered view that does not have the keyboard focus ends the
//   current selection and anchors a new one at the character under the mouse; a press anywhere
//   else (outside menus) only ends it; a double click goes to the view;
// - dragging selects from the anchor to the character under the mouse, completing the views
//   between;
// - the release makes the manager its window's first responder: the window's focus widget
//   loses the focus and the selection shows in the highlight colour; when another widget of
//   the window takes the focus, the selection turns grey and the manager is no longer first
//   responder. A release on a link calls the view's link handler (QTextBrowser::anchorClicked);
// - a right press with a selection opens the "Text Actions" menu with "Copy";
// - Ctrl+C (QKeySequence::Copy) in the window copies while the manager is first responder
//   with a selection begun; otherwise the key goes where it would have gone.
// Copy puts the selected parts, in reading order, joined by "\n", on the clipboard as plain
// text. The Edit menu asks firstResponderForWindow() to send its Copy here.
//
// Main thread only.
class INDSequentialTextSelectionManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool firstResponder READ isFirstResponder NOTIFY firstResponderChanged)
public:
    using TransformationBlock = INDTextViewMetadata::TransformationBlock;

    explicit INDSequentialTextSelectionManager(QObject *parent = nullptr);
    ~INDSequentialTextSelectionManager() override;

    // Registers textView under identifier (both required), taking the identifier over from a
    // view registered under it before.
    void registerTextView(QWidget *textView, const QString &identifier,
                          const TransformationBlock &transformationBlock = {});
    // The highlight painted in the view stays until the selection ends.
    void unregisterTextView(QWidget *textView);
    void unregisterAllTextViews();

    const QHash<QString, INDTextViewMetadata> &textViews() const { return m_textViews; }
    // The registered views in reading order.
    QList<QWidget *> sortedTextViews() const;
    void sortTextViews();

    bool isFirstResponder() const { return m_firstResponder; }
    // The selection being made or shown; null when none.
    const INDTextViewSelectionSession *currentSession() const { return m_currentSession.get(); }
    // The selected parts as copied; empty without a selection.
    QString cachedAttributedText();

    // The "Text Actions" menu, a child of the view under the event; null when there is none.
    QMenu *menuForEvent(const QMouseEvent *event);

    // The manager that is first responder of window (a top-level widget) with a selection
    // begun, if any.
    static INDSequentialTextSelectionManager *firstResponderForWindow(const QWidget *window);

public slots:
    // Leaves the clipboard as it is when nothing is selected.
    void copy();
    bool becomeFirstResponder();
    bool resignFirstResponder();
    void endSession();

signals:
    void firstResponderChanged(bool firstResponder);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setSelectionRangeForTextView(QWidget *textView, const INDRange &range);
    void processCompleteSelectionsForTargetTextView(QWidget *textView);
    QString buildAttributedStringForCurrentSession() const;
    void rehighlightSelectedRangesAsActive(bool active);
    QWidget *validTextViewForEvent(QWidget *receiver, const QPoint &globalPoint) const;
    QWidget *sessionTextView() const;
    void setFirstResponder(bool firstResponder);
    void textViewDestroyed(QObject *textView);
    void focusChanged(QWidget *old, QWidget *now);

    bool handleLeftMouseDown(QWidget *receiver, QMouseEvent *event);
    bool handleLeftMouseUp(QWidget *receiver, QMouseEvent *event);
    bool handleRightMouseDown(QWidget *receiver, QMouseEvent *event);
    bool handleLeftMouseDragged(QWidget *receiver, QMouseEvent *event);
    bool handleKey(QWidget *receiver, QEvent *event);

    bool m_firstResponder = false;
    QHash<QString, INDTextViewMetadata> m_textViews;
    QList<QPointer<QWidget>> m_sortedTextViews;
    std::unique_ptr<INDTextViewSelectionSession> m_currentSession;
    std::optional<QString> m_cachedAttributedText;
    // Where each selected part stood in reading order when it was taken: the parts keep their
    // order after their views are destroyed or reused.
    QHash<QString, int> m_readingIndexes;
    QPointer<QWidget> m_window;
    // The last single press, to tell the second press of a double click.
    qulonglong m_lastPressTimestamp = 0;
    bool m_pressed = false;
    QPoint m_lastPressPoint;
};

#endif // INDSEQUENTIALTEXTSELECTIONMANAGER_H
