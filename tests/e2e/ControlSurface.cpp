// Built only into the end-to-end test build of the program and of its engine:
// lets the tests see and work their windows as a user does, through a local
// socket in the program directory or, for an installed program whose
// directory is read-only, where QUAYLET_CONTROL_SOCKET says. The engine's
// socket has "-engine" added to the name.

#include "platform/engine/RemoteBrowser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

// Every caption the main window took, in order, since the last time they were asked for.
QStringList captionsSeen;

QWidget* visibleWindow(const QString& name)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->objectName() == name)
            return window;
    }
    return nullptr;
}

// The named visible windows with the text and state of their own buttons,
// text boxes and web views, the open message box, and the process id of the
// program's engine (0 while none runs), all seen at one moment.
QJsonObject state()
{
    QJsonObject windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->objectName().isEmpty())
            continue;
        QJsonObject controls;
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            // A web view's text is its page's title, there once the page is parsed that far.
            const QVariant text =
                widget->property("text").isValid() ? widget->property("text") : widget->property("title");
            // Dialogs owned by the window have controls of their own.
            if (text.isValid() && widget->window() == window) {
                controls[widget->objectName()] = QJsonObject{{"text", text.toString()},
                                                             {"enabled", widget->isEnabled()},
                                                             {"checked", widget->property("checked").toBool()}};
            }
        }
        windows[window->objectName()] = QJsonObject{{"title", window->windowTitle()}, {"controls", controls}};
    }
    QJsonObject now{{"windows", windows}};
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        now["message"] = QJsonObject{{"title", box->windowTitle()}, {"text", box->text()}};
    if (auto* web = QCoreApplication::instance()->findChild<platform::RemoteBrowser*>("Web", Qt::FindDirectChildrenOnly))
        now["engine"] = web->connection().engineId();
    return now;
}

// The control a command works: a message box's button, or a window's control.
QWidget* target(const QJsonObject& request)
{
    if (request["command"] == "answer") {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box ? box->button(QMessageBox::StandardButton(request["button"].toInt())) : nullptr;
    }
    QWidget* window = visibleWindow(request["window"].toString());
    return window ? window->findChild<QWidget*>(request["control"].toString()) : nullptr;
}

QJsonObject handle(const QJsonObject& request)
{
    // The main window lives as long as the program; its captions are noted from the first request on.
    static QPointer<QWidget> noted;
    if (QWidget* main = visibleWindow("frmMain"); main && main != noted) {
        noted = main;
        QObject::connect(main, &QWidget::windowTitleChanged,
                         [](const QString& title) { captionsSeen.append(title); });
    }
    const QString command = request["command"].toString();
    if (command == "state")
        return state();
    if (command == "captions") {
        const QJsonArray captions = QJsonArray::fromStringList(captionsSeen);
        captionsSeen.clear();
        return {{"captions", captions}};
    }
    if (command == "close") {
        QWidget* window = visibleWindow(request["window"].toString());
        if (!window)
            return {{"error", "no window to close"}};
        QTimer::singleShot(0, window, [window] { window->close(); });
        return {{"ok", true}};
    }
    QWidget* widget = target(request);
    if (!widget)
        return {{"error", "nothing to " + command}};
    if (auto* edit = qobject_cast<QLineEdit*>(widget); edit && command == "paste") {
        edit->setFocus();
        edit->selectAll();
        edit->insert(request["text"].toString());
    } else if (command == "click" || command == "answer") {
        // After the answer has gone out: a click may open a modal window
        // whose event loop lasts until a later command closes it.
        QTimer::singleShot(0, widget, [widget] { QTest::mouseClick(widget, Qt::LeftButton); });
    } else if (command == "key") {
        // A web view takes keys through its focus proxy.
        if (widget->focusProxy())
            widget = widget->focusProxy();
        const auto key = Qt::Key(request["key"].toInt());
        QTimer::singleShot(0, widget, [widget, key] {
            widget->window()->activateWindow();
            widget->setFocus();
            QTest::keyClick(widget, key);
        });
    } else {
        return {{"error", "cannot " + command}};
    }
    return {{"ok", true}};
}

void startControlSurface()
{
    const QString path = qEnvironmentVariable("QUAYLET_CONTROL_SOCKET",
                                              QCoreApplication::applicationDirPath() + "/quaylet-control")
                         + QUAYLET_CONTROL_SUFFIX;
    QLocalServer::removeServer(path);
    auto* server = new QLocalServer(QCoreApplication::instance());
    server->listen(path);
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
                while (socket->canReadLine()) {
                    const QJsonObject request = QJsonDocument::fromJson(socket->readLine()).object();
                    socket->write(QJsonDocument(handle(request)).toJson(QJsonDocument::Compact) + "\n");
                    socket->flush();
                }
            });
        }
    });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startControlSurface)
