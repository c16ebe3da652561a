// Built only into the end-to-end test build of the program. It lets the tests
// see and work the windows as a user does (clicks, keys, pasted text, message
// box answers), through a local socket in the program directory.

#include <QAbstractButton>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <functional>

namespace {

QWidget* findWindow(const QString& name)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->objectName() == name)
            return window;
    }
    return nullptr;
}

QWidget* findControl(const QJsonObject& request, QString* error)
{
    QWidget* window = findWindow(request.value("window").toString());
    if (!window) {
        *error = "no visible window " + request.value("window").toString();
        return nullptr;
    }
    const QString control = request.value("control").toString();
    if (control.isEmpty())
        return window;
    auto* widget = window->findChild<QWidget*>(control);
    if (!widget)
        *error = "no control " + control;
    return widget;
}

QMessageBox* openMessageBox()
{
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

Qt::Key keyNamed(const QString& name)
{
    if (name == "Return")
        return Qt::Key_Return;
    if (name == "Escape")
        return Qt::Key_Escape;
    if (name == "Tab")
        return Qt::Key_Tab;
    return Qt::Key_Space;
}

// Actions run after the answer has gone out: a click may open a modal window
// whose event loop lasts until a later command closes it.
QJsonObject later(QWidget* target, std::function<void()> action)
{
    QTimer::singleShot(0, target, std::move(action));
    return {{"ok", true}};
}

QJsonObject describe(QWidget* widget)
{
    QJsonObject out{{"ok", true},
                    {"title", widget->windowTitle()},
                    {"enabled", widget->isEnabled()},
                    {"visible", widget->isVisible()},
                    {"minimized", widget->window()->isMinimized()}};
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        out["text"] = button->text();
        out["checked"] = button->isChecked();
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        out["text"] = edit->text();
    }
    out["focused"] = QApplication::focusWidget() == widget;
    return out;
}

// Every caption the main window took, in order, since the last time they were asked for.
QStringList& captionsSeen()
{
    static QStringList captions;
    return captions;
}

// A window's caption with the caption and state of each of its buttons, seen at one moment.
QJsonObject buttonsOf(QWidget* window)
{
    QJsonObject buttons;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        // Dialogs owned by the window have buttons of their own.
        if (button->window() == window)
            buttons[button->objectName()] = QJsonObject{{"text", button->text()}, {"enabled", button->isEnabled()}};
    }
    return {{"ok", true}, {"title", window->windowTitle()}, {"buttons", buttons}};
}

QJsonObject handle(const QJsonObject& request)
{
    const QString command = request.value("command").toString();
    QString error;
    if (command == "captions") {
        const QJsonArray captions = QJsonArray::fromStringList(captionsSeen());
        captionsSeen().clear();
        return {{"ok", true}, {"captions", captions}};
    }
    if (command == "windows") {
        QJsonArray windows;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible())
                windows.append(QJsonObject{{"name", window->objectName()}, {"title", window->windowTitle()}});
        }
        return {{"ok", true}, {"windows", windows}};
    }
    if (command == "messagebox") {
        QMessageBox* box = openMessageBox();
        if (!box)
            return {{"ok", true}, {"open", false}};
        return {{"ok", true}, {"open", true}, {"title", box->windowTitle()}, {"text", box->text()},
                {"icon", int(box->icon())}};
    }
    if (command == "browser") {
        // Whether the main window's hidden browser holds a page, and with it a renderer.
        const QObject* web = QCoreApplication::instance()->findChild<QObject*>("Web", Qt::FindDirectChildrenOnly);
        return {{"ok", web != nullptr}, {"page", web && web->findChild<QWebEnginePage*>()}};
    }
    if (command == "answer") {
        QMessageBox* box = openMessageBox();
        if (!box)
            return {{"ok", false}, {"error", "no message box"}};
        const QString name = request.value("button").toString();
        QAbstractButton* button = box->button(name == "Yes"      ? QMessageBox::Yes
                                              : name == "No"     ? QMessageBox::No
                                              : name == "Cancel" ? QMessageBox::Cancel
                                                                 : QMessageBox::Ok);
        if (!button)
            return {{"ok", false}, {"error", "no button " + name}};
        return later(button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    }
    QWidget* widget = findControl(request, &error);
    if (!widget)
        return {{"ok", false}, {"error", error}};
    if (command == "get")
        return describe(widget);
    if (command == "buttons")
        return buttonsOf(widget);
    if (command == "click")
        return later(widget, [widget] { QTest::mouseClick(widget, Qt::LeftButton); });
    if (command == "paste") {
        auto* edit = qobject_cast<QLineEdit*>(widget);
        if (!edit)
            return {{"ok", false}, {"error", "not a text box"}};
        edit->setFocus();
        edit->selectAll();
        edit->insert(request.value("text").toString());
        return {{"ok", true}};
    }
    if (command == "key") {
        if (auto* view = qobject_cast<QWebEngineView*>(widget); view && view->focusProxy())
            widget = view->focusProxy();
        const Qt::Key key = keyNamed(request.value("key").toString());
        return later(widget, [widget, key] {
            widget->window()->activateWindow();
            widget->setFocus();
            QTest::keyClick(widget, key);
        });
    }
    if (command == "close")
        return later(widget, [widget] { widget->window()->close(); });
    return {{"ok", false}, {"error", "unknown command " + command}};
}

class ControlSurface : public QObject {
public:
    explicit ControlSurface(QObject* parent) : QObject(parent)
    {
        QCoreApplication::instance()->installEventFilter(this);
        const QString path = QCoreApplication::applicationDirPath() + "/quaylet-control";
        QLocalServer::removeServer(path);
        server_.listen(path);
        connect(&server_, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QLocalSocket::readyRead, socket, [socket] {
                    while (socket->canReadLine()) {
                        const QJsonObject request = QJsonDocument::fromJson(socket->readLine()).object();
                        socket->write(QJsonDocument(handle(request)).toJson(QJsonDocument::Compact) + "\n");
                        socket->flush();
                    }
                });
            }
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The type first: events also reach objects that are half destroyed,
        // which must not be cast.
        if (event->type() == QEvent::WindowTitleChange) {
            auto* window = qobject_cast<QWidget*>(watched);
            if (window && window->objectName() == "frmMain")
                captionsSeen().append(window->windowTitle());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QLocalServer server_;
};

void startControlSurface()
{
    new ControlSurface(QCoreApplication::instance());
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startControlSurface)
