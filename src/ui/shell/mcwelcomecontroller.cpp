#include "mcwelcomecontroller.h"

#include "kbbutton.h"
#include "mcoptions.h"
#include "mcwelcomepictures.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Slide
{
    const char *header;
    const char *text;
};

// The tour's slides; each slide's picture is drawn by MCWelcomePictures.
const Slide Slides[MCWelcomeController::SlideCount] = {
    {QT_TRANSLATE_NOOP("MCWelcomeController", "Welcome to Kerlo"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "\nThis tour will guide you through the main features of Kerlo.\nClick the "
                       "arrow button to get started.")},
    {QT_TRANSLATE_NOOP("MCWelcomeController", "The Cloud Experience"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "Kerlo resembles your file manager in its files browsing features making "
                       "it seamless for you to learn how to use it.\n\nAll the files you see are "
                       "not taking any disk space.")},
    {QT_TRANSLATE_NOOP("MCWelcomeController", "Drag Your Files"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "Start by dragging and dropping one or more files to Kerlo from your "
                       "Desktop or from any of your folders.")},
    {QT_TRANSLATE_NOOP("MCWelcomeController", "Keep in Sync"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "Open, edit, delete. Enjoy working with your files like you normally do "
                       "with your computer. All changes made to your files will be synchronized "
                       "with the cloud.")},
    {QT_TRANSLATE_NOOP("MCWelcomeController", "Transfers Management"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "Kerlo gives you fined control to manage your active transfers: you can "
                       "stop, pause and resume them. You also can manage grouped transfers "
                       "altogether.")},
    {QT_TRANSLATE_NOOP("MCWelcomeController", "Share Links"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "Share links to your files. You can even email them from within the "
                       "app.")},
    {QT_TRANSLATE_NOOP("MCWelcomeController", "Account Management"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "Your account status is always available and you can check your used "
                       "space amount, change your profile image or upgrade your plan.")},
    {QT_TRANSLATE_NOOP("MCWelcomeController", "Kerlo is Social"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "Chat with your friends or your colleagues right from within the "
                       "application. Share files with them with ease. Transfers are instant and "
                       "your contacts are not required to be online when sending files to "
                       "them.")},
    {QT_TRANSLATE_NOOP("MCWelcomeController", "Add a friend"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "Adding a contact is easy: type in his e-mail address and send him an "
                       "invitation. As soon as you become contacts you\u2019ll be able to share "
                       "files with him like never before.")},
    {QT_TRANSLATE_NOOP("MCWelcomeController", "Chat with your friends and colleagues"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "Kerlo has a built-in chat that makes it seamless to share files and "
                       "collaborate. Whant to spice up your conversations? Use the emojis.")},
    {QT_TRANSLATE_NOOP("MCWelcomeController", "Create a group"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "Create a group where you can share your files and chat with all the "
                       "partecipants.")},
    {QT_TRANSLATE_NOOP("MCWelcomeController", "File transfers"),
     QT_TRANSLATE_NOOP("MCWelcomeController",
                       "Drag and drop any file onto your contacts/groups to instantly transfer "
                       "them. Your contacts will receive a notification as soon as he is on "
                       "Kerlo. You\u2019ll always be able to track all your shared files.")},
};

constexpr int PictureSide = 300;
constexpr int FirstPictureSide = 200;

} // namespace

MCWelcomeController::MCWelcomeController(MCOptions *options, QWidget *parent)
    : QDialog(parent)
    , m_options(options)
    , m_buttonDoNotShowAgain(new QCheckBox(tr("Do not show this again"), this))
    , m_imageSlide(new QLabel(this))
    , m_textHeader(new QLabel(this))
    , m_textSlide(new QLabel(this))
    , m_boxHeader(new QFrame(this))
    , m_buttonLeave(new KBButton(tr("Leave Tour"), this))
    , m_buttonBack(new QPushButton(tr("Back"), this))
    , m_buttonNext(new QPushButton(tr("Next"), this))
{
    setObjectName(QStringLiteral("welcomeTour"));
    setWindowTitle(tr("Welcome to Kerlo"));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, QColor(0x33, 0x33, 0x33));
    setPalette(white);

    m_buttonDoNotShowAgain->setObjectName(QStringLiteral("buttonDoNotShowAgain"));
    m_imageSlide->setObjectName(QStringLiteral("imageSlide"));
    m_imageSlide->setAlignment(Qt::AlignCenter);
    m_imageSlide->setFixedSize(PictureSide, PictureSide);
    for (QLabel *label : {m_textHeader, m_textSlide}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
    }
    m_textHeader->setObjectName(QStringLiteral("textHeader"));
    m_textHeader->setAlignment(Qt::AlignCenter);
    QFont headerFont = m_textHeader->font();
    headerFont.setPointSizeF(headerFont.pointSizeF() * 1.5);
    headerFont.setBold(true);
    m_textHeader->setFont(headerFont);
    m_textSlide->setObjectName(QStringLiteral("textSlide"));
    m_textSlide->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_textSlide->setMinimumHeight(m_textSlide->fontMetrics().lineSpacing() * 5);
    m_boxHeader->setObjectName(QStringLiteral("boxHeader"));
    m_boxHeader->setFrameShape(QFrame::NoFrame);
    m_buttonLeave->setObjectName(QStringLiteral("buttonLeave"));
    m_buttonLeave->setKBButtonType(4);
    m_buttonBack->setObjectName(QStringLiteral("buttonBack"));
    m_buttonNext->setObjectName(QStringLiteral("buttonNext"));
    m_buttonNext->setDefault(true);
    m_buttonBack->setAutoDefault(false);
    m_buttonLeave->setAutoDefault(false);

    auto *headerLayout = new QVBoxLayout(m_boxHeader);
    headerLayout->addWidget(m_textHeader);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_buttonDoNotShowAgain);
    buttons->addStretch(1);
    buttons->addWidget(m_buttonLeave);
    buttons->addWidget(m_buttonBack);
    buttons->addWidget(m_buttonNext);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_boxHeader);
    layout->addWidget(m_imageSlide, 0, Qt::AlignHCenter);
    layout->addWidget(m_textSlide, 1);
    layout->addLayout(buttons);
    setFixedWidth(560);

    connect(m_buttonNext, &QPushButton::clicked, this, &MCWelcomeController::actionNext);
    connect(m_buttonBack, &QPushButton::clicked, this, &MCWelcomeController::actionBack);
    connect(m_buttonLeave, &QPushButton::clicked, this, &MCWelcomeController::actionLeaveTour);
    connect(m_buttonDoNotShowAgain, &QCheckBox::clicked, this,
            &MCWelcomeController::actionDoNotShowAgain);
    connect(this, &MCWelcomeController::pageIndexChanged, this, &MCWelcomeController::showSlide);
    m_buttonBack->hide();
    showSlide();
}

void MCWelcomeController::setPageIndex(int index)
{
    m_pageIndex = qMax(0, index);
    emit pageIndexChanged(m_pageIndex);
}

void MCWelcomeController::resetView()
{
    setPageIndex(0);
    const bool stored = m_options->contains(MCOptions::AppDelegate, MCOptions::ShowWelcomeTour);
    m_buttonDoNotShowAgain->setChecked(
        stored && !m_options->value(MCOptions::AppDelegate, MCOptions::ShowWelcomeTour).toBool());
}

void MCWelcomeController::actionNext()
{
    setPageIndex(m_pageIndex >= SlideCount - 1 ? 0 : m_pageIndex + 1);
}

void MCWelcomeController::actionBack()
{
    // Back is hidden on the first slide; a call from elsewhere stays there.
    if (m_pageIndex > 0)
        setPageIndex(m_pageIndex - 1);
}

void MCWelcomeController::actionLeaveTour()
{
    close();
}

void MCWelcomeController::actionDoNotShowAgain(bool checked)
{
    m_options->setValue(MCOptions::AppDelegate, MCOptions::ShowWelcomeTour, !checked);
}

QString MCWelcomeController::headerText() const
{
    return m_textHeader->text();
}

QString MCWelcomeController::slideText() const
{
    return m_textSlide->text();
}

QPushButton *MCWelcomeController::backButton() const
{
    return m_buttonBack;
}

QPushButton *MCWelcomeController::nextButton() const
{
    return m_buttonNext;
}

QPushButton *MCWelcomeController::leaveButton() const
{
    return m_buttonLeave;
}

QString MCWelcomeController::slideHeader(int index)
{
    return index >= 0 && index < SlideCount ? tr(Slides[index].header) : QString();
}

QString MCWelcomeController::slideBody(int index)
{
    return index >= 0 && index < SlideCount ? tr(Slides[index].text) : QString();
}

void MCWelcomeController::showSlide()
{
    const bool known = m_pageIndex < SlideCount;
    m_buttonBack->setVisible(m_pageIndex != 0);
    m_buttonNext->setVisible(true);
    const int side = m_pageIndex == 0 ? FirstPictureSide : PictureSide;
    m_imageSlide->setPixmap(
        known ? MCWelcomePictures::picture(m_pageIndex, QSize(side, side), devicePixelRatioF())
              : QPixmap());
    m_textHeader->setText(slideHeader(m_pageIndex));
    m_textSlide->setText(slideBody(m_pageIndex));
    m_boxHeader->update();
}
