#include "mcmenuedit.h"

#include "indsequentialtextselectionmanager.h"
#include "mcfileactions.h"
#include "mcmenutitles.h"
#include "mcpasteboard.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

enum class Content { Nothing, Files, Text, Remote };

// The first kind of content on the clipboard, in the order given.
Content firstContent(std::initializer_list<Content> order)
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    for (Content content : order) {
        if (content == Content::Files && !MCPasteboard::localFilePaths(data).isEmpty())
            return content;
        if (content == Content::Text && data && data->hasText() && !data->hasUrls())
            return content;
        if (content == Content::Remote && !MCPasteboard::remotePaths(data).isEmpty())
            return content;
    }
    return Content::Nothing;
}

template<class Function> bool forText(QWidget *widget, Function function)
{
    if (auto *line = qobject_cast<QLineEdit *>(widget))
        return function(line), true;
    if (auto *text = qobject_cast<QTextEdit *>(widget))
        return function(text), true;
    if (auto *plain = qobject_cast<QPlainTextEdit *>(widget))
        return function(plain), true;
    return false;
}

} // namespace

MCMenuEdit::MCMenuEdit(QWidget *parent)
    : MCSelectionMenu(tr("&Edit"), QStringLiteral("menuEdit"), parent)
    , m_window(parent ? parent->window() : nullptr)
{
    menuItemCopy = addItem(tr("Copy"), QStringLiteral("menuItemCopy"));
    menuItemPaste = addItem(tr("Paste"), QStringLiteral("menuItemPaste"));
    connect(menuItemCopy, &QAction::triggered, this, &MCMenuEdit::copy);
    connect(menuItemPaste, &QAction::triggered, this, &MCMenuEdit::paste);
}

void MCMenuEdit::bindKeys(QWidget *window)
{
    m_window = window;
    bindKey(menuItemCopy, QKeySequence::Copy, window);
    bindKey(menuItemPaste, QKeySequence::Paste, window);
}

QWidget *MCMenuEdit::focusedText() const
{
    QWidget *focus = m_window ? m_window->focusWidget() : nullptr;
    return forText(focus, [](auto *) {}) ? focus : nullptr;
}

void MCMenuEdit::menuNeedsUpdate()
{
    const Content first = firstContent({Content::Files, Content::Text, Content::Remote});
    if (focusedText()) {
        menuItemCopy->setText(tr("Copy"));
        menuItemCopy->setEnabled(true);
        menuItemPaste->setText(tr("Paste"));
        menuItemPaste->setEnabled(first == Content::Text);
        return;
    }
    const MCNodeList nodes = selectedItems();
    menuItemCopy->setText(MCMenuTitles::forSelection(tr("Copy"), nodes));
    menuItemCopy->setEnabled(!nodes.isEmpty());
    // Items are pasted into the folder shown: none while a page is.
    const qsizetype entries = folderShown() && (first == Content::Files || first == Content::Remote)
                                  ? pasteboardCount()
                                  : 0;
    menuItemPaste->setText(MCMenuTitles::paste(entries));
    menuItemPaste->setEnabled(entries > 0);
    // The chat's text selection takes Copy from the browser's items.
    if (INDSequentialTextSelectionManager::firstResponderForWindow(m_window)) {
        menuItemCopy->setText(tr("Copy"));
        menuItemCopy->setEnabled(true);
    }
}

void MCMenuEdit::copy()
{
    if (auto *selection = INDSequentialTextSelectionManager::firstResponderForWindow(m_window))
        return selection->copy();
    if (forText(focusedText(), [](auto *text) { text->copy(); }))
        return;
    if (fileActions())
        fileActions()->copyNodes(selectedItems());
}

void MCMenuEdit::paste()
{
    switch (firstContent({Content::Files, Content::Remote, Content::Text})) {
    case Content::Files:
    case Content::Remote:
        if (fileActions())
            fileActions()->paste();
        break;
    case Content::Text:
        forText(focusedText(), [](auto *text) { text->paste(); });
        break;
    case Content::Nothing:
        break;
    }
}
