#ifndef MCPATHTEXTFIELD_H
#define MCPATHTEXTFIELD_H

#include <QLineEdit>

// A field for a local path: a file dropped on it puts its path in it, a leading "~" stands for
// the home folder, and the path is completed to the longest matching entry, on Tab (style
// CompleteOnTab, the default) or while typing (CompleteWhileTyping, with the completed part
// selected so that typing on replaces it). Text set by the program is announced like typing.
class MCPathTextField : public QLineEdit
{
    Q_OBJECT
public:
    enum AutocompleteStyle : quint8 {
        NoCompletion = 0,
        CompleteOnTab = 1,
        CompleteWhileTyping = 2
    };

    explicit MCPathTextField(QWidget *parent = nullptr);

    AutocompleteStyle autocompleteStyle() const { return m_autocompleteStyle; }
    void setAutocompleteStyle(AutocompleteStyle style) { m_autocompleteStyle = style; }
    // Whether a completion may end on a folder (a file that is matched whole is left as it is
    // unless this is set).
    bool foldersAreValid() const { return m_foldersAreValid; }
    void setFoldersAreValid(bool valid) { m_foldersAreValid = valid; }
    bool expandTildeInPath() const { return m_expandTildeInPath; }
    void setExpandTildeInPath(bool expand) { m_expandTildeInPath = expand; }

    // Sets the text and tells the listeners as typing would (textEdited).
    void setStringValue(const QString &text);
    // Completes the text; false when nothing changed.
    bool autoComplete();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    AutocompleteStyle m_autocompleteStyle = CompleteOnTab;
    bool m_foldersAreValid = false;
    bool m_expandTildeInPath = true;
};

#endif // MCPATHTEXTFIELD_H
