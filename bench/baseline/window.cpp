// The bare Qt window Quaylet's start is measured against: the same caption
// and size as the main window, nothing else, not even the browser engine's
// libraries.

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quaylet"));
    window.setFixedSize(457, 150);
    window.show();
    return app.exec();
}
