#include "app/MainWindow.h"

#include "app/Artwork.h"
#include "app/WindowHost.h"
#include "core/Texts.h"
#include "core/Twips.h"
#include "dialogs/EnterClicks.h"
#include "portal/PortalSession.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

// The keys that press a focused button.
bool pressesButton(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Drawn over a picture while it has the keyboard's focus, which a picture
// does not show by itself.
class FocusRing : public QWidget {
public:
    explicit FocusRing(QWidget* picture) : QWidget(picture)
    {
        setObjectName(picture->objectName() + QStringLiteral("Focus"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(picture->rect());
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        // Dotted and light, as on the desktop the program comes from: the
        // style's own ring is lost on the dark painting.
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::HighlightedText), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
};

}  // namespace

MainWindow::MainWindow(WindowHost& windows, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint),
      windows_(windows)
{
    setObjectName(QStringLiteral("frmMain"));
    waitLimit_.setSingleShot(true);
    connect(&waitLimit_, &QTimer::timeout, this, [this] {
        if (session_)
            session_->WaitLimit_Elapsed();
    });
    setWindowTitle(text::AppTitle);
    setFixedSize(twipsSize(6855, 2250));

    // Created back to front: the pictures lie behind the buttons.
    image1_ = new QLabel(this);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setGeometry(twipsRect(0, 0, 5400, 2250));
    image1_->setToolTip(text::SitesTooltip);
    image1_->setCursor(Qt::PointingHandCursor);
    // It acts as a button does: named for a screen reader, and Tab reaches it.
    image1_->setAccessibleName(text::SitesPictureName);
    image1_->setAccessibleDescription(text::SitesTooltip);
    image1_->setFocusPolicy(Qt::TabFocus);
    image1Focus_ = new FocusRing(image1_);
    image1_->installEventFilter(this);

    image2_ = new QLabel(this);
    image2_->setObjectName(QStringLiteral("Image2"));
    image2_->setGeometry(twipsRect(5400, 0, 1440, 2250));
    // The pictures take a moment to paint: the window is up before them.
    QTimer::singleShot(0, this, [this] {
        image1_->setPixmap(artwork::harbourAtDusk(devicePixelRatioF()));
        image2_->setPixmap(artwork::chartPanel(devicePixelRatioF()));
    });

    cmdConfig_ = addButton("cmdConfig", text::ConfigCaption, 1200);
    cmdGameStart_ = addButton("cmdGameStart", text::GameStartCaption, 720);
    cmdLogin_ = addButton("cmdLogin", text::LoginCaption, 240);
    cmdInfo_ = addButton("cmdInfo", text::InfoCaption, 1680);
    cmdGameStart_->setEnabled(false);

    setTabOrder(image1_, cmdLogin_);
    setTabOrder(cmdLogin_, cmdGameStart_);
    setTabOrder(cmdGameStart_, cmdConfig_);
    setTabOrder(cmdConfig_, cmdInfo_);
    cmdLogin_->setFocus();
    dialogs::enterClicksFocusedButtons(this);

    // Pressed comes before clicked (a key's click is animated for 100 ms): the
    // browser's start-up runs beside the rest.
    connect(cmdLogin_, &QPushButton::pressed, this, [this] { windows_.browserNeededSoon(); });
    connect(cmdLogin_, &QPushButton::clicked, this, [this] {
        if (session_)
            session_->cmdLogin_Click();
    });
    connect(cmdGameStart_, &QPushButton::clicked, this, [this] {
        if (session_)
            session_->GameStart();
    });
    connect(cmdConfig_, &QPushButton::clicked, this, [this] { windows_.showConfigDialog(); });
    connect(cmdInfo_, &QPushButton::clicked, this, [this] { windows_.showInfoBox(); });

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

QPushButton* MainWindow::addButton(const char* name, const QString& caption, int top)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twipsRect(5520, top, 1215, 375));
    button->setAutoDefault(false);
    return button;
}

void MainWindow::startWaitLimit(int milliseconds)
{
    waitLimit_.start(milliseconds);
}

void MainWindow::stopWaitLimit()
{
    waitLimit_.stop();
}

void MainWindow::setSession(portal::PortalSession* session)
{
    session_ = session;
}

void MainWindow::setCaption(const QString& caption)
{
    setWindowTitle(caption);
}

QString MainWindow::loginCaption() const
{
    return cmdLogin_->text();
}

void MainWindow::setLoginCaption(const QString& caption)
{
    cmdLogin_->setText(caption);
}

void MainWindow::setLoginEnabled(bool enabled)
{
    cmdLogin_->setEnabled(enabled);
}

void MainWindow::setGameStartEnabled(bool enabled)
{
    cmdGameStart_->setEnabled(enabled);
}

void MainWindow::minimise()
{
    setWindowState(windowState() | Qt::WindowMinimized);
}

void MainWindow::beginEnding()
{
    if (ending_)
        return;
    ending_ = true;
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
}

void MainWindow::endProgram()
{
    QCoreApplication::exit(0);
}

void MainWindow::showLoginDialog()
{
    windows_.showLoginDialog();
}

void MainWindow::showUnlockWindow()
{
    windows_.showUnlockWindow();
}

void MainWindow::closeUnlockWindow()
{
    windows_.closeUnlockWindow();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Whatever the reason, the program ends now: no question, no logout, no save.
    event->accept();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this)
            window->hide();
    }
    endProgram();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != image1_)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        image1Focus_->setVisible(event->type() == QEvent::FocusIn);
    const bool clicked = event->type() == QEvent::MouseButtonRelease
                         && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    const bool pressed = event->type() == QEvent::KeyPress && pressesButton(static_cast<QKeyEvent*>(event)->key());
    if (clicked || pressed) {
        windows_.showWebDialog();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
