#include "dialogs/InfoBox.h"

#include "app/Twips.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace dialogs {

namespace {

// Shown without an owner: centre on the window the user clicked in, which is
// the main window, or on the screen when there is none.
void centreOnActiveWindow(QWidget* window)
{
    QRect area;
    if (const QWidget* active = QApplication::activeWindow())
        area = active->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    else
        return;
    QRect frame(QPoint(), window->size());
    frame.moveCenter(area.center());
    window->move(frame.topLeft());
}

void addLine(QWidget* box, const char* name, const QString& text, int top)
{
    auto* label = new QLabel(text, box);
    label->setObjectName(QString::fromLatin1(name));
    label->move(twips(240), twips(top));
    label->adjustSize();
    // Clicks on a line fall through to the box, which closes on any click.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
}

}  // namespace

InfoBox::InfoBox(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("정보"));
    setFixedSize(twipsSize(2190, 1335));

    addLine(this, "Label1", QStringLiteral("Ver 1.1 - 09/02/07"), 240);
    addLine(this, "Label3", QStringLiteral("quaylet@gmail.com"), 600);
    addLine(this, "Label2", QStringLiteral("quaylet.github.io"), 960);

    centreOnActiveWindow(this);
}

void InfoBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        close();
}

}  // namespace dialogs
