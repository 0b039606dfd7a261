#ifndef MCWELCOMECONTROLLER_H
#define MCWELCOMECONTROLLER_H

#include <QDialog>

class KBButton;
class MCOptions;
class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

// The guided tour: twelve slides (header, text, picture) stepped through with Back and Next;
// Next on the last slide starts over. Its check box keeps the tour from opening at the next
// sign-in ("ShowWelcomeTour" of the application's options); leaving changes nothing.
class MCWelcomeController : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(int pageIndex READ pageIndex WRITE setPageIndex NOTIFY pageIndexChanged)
public:
    static constexpr int SlideCount = 12;

    explicit MCWelcomeController(MCOptions *options, QWidget *parent = nullptr);

    int pageIndex() const { return m_pageIndex; }
    // Shows slide index; an index past the last shows an empty slide with both buttons.
    void setPageIndex(int index);
    // Back to the first slide, the check box showing the stored choice.
    void resetView();

    void actionNext();
    void actionBack();
    void actionLeaveTour();

    // The shown slide's texts and picture, and the controls, for tests.
    QString headerText() const;
    QString slideText() const;
    QCheckBox *doNotShowAgainBox() const { return m_buttonDoNotShowAgain; }
    QPushButton *backButton() const;
    QPushButton *nextButton() const;
    QPushButton *leaveButton() const;

    // The tour's header and text of a slide (empty past the last).
    static QString slideHeader(int index);
    static QString slideBody(int index);

signals:
    void pageIndexChanged(int index);

private:
    void actionDoNotShowAgain(bool checked);
    void showSlide();

    MCOptions *m_options;
    QCheckBox *m_buttonDoNotShowAgain;
    QLabel *m_imageSlide;
    QLabel *m_textHeader;
    QLabel *m_textSlide;
    QFrame *m_boxHeader;
    KBButton *m_buttonLeave;
    QPushButton *m_buttonBack;
    QPushButton *m_buttonNext;
    int m_pageIndex = 0;
};

#endif // MCWELCOMECONTROLLER_H
