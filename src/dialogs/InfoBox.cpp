#include "dialogs/InfoBox.h"

#include "core/Texts.h"
#include "core/Twips.h"
#include "dialogs/Placement.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

namespace dialogs {

namespace {

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
    setWindowTitle(text::InfoWindowTitle);
    setFixedSize(twipsSize(2190, 1335));

    addLine(this, "Label1", text::InfoVersion, 240);
    // No contact lines to give: what the program is, in its own words.
    addLine(this, "Label3", text::GameName, 600);
    addLine(this, "Label2", text::InfoProgramKind, 960);

    centreOnActiveWindow(this);
}

void InfoBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        close();
}

void InfoBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        close();
    else
        QWidget::keyPressEvent(event);
}

}  // namespace dialogs
