// A stand-in engine for the scripted-engine tests: it proves itself to the
// program as the engine does, then relays every byte between the program's
// link and the test, which says what an engine would. Arguments: LINK TEST

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString token = QTextStream(stdin).readLine();
    QLocalSocket program, test;
    program.connectToServer(QString::fromLocal8Bit(argv[1]));
    test.connectToServer(QString::fromLocal8Bit(argv[2]));
    if (!program.waitForConnected(5000) || !test.waitForConnected(5000))
        return 1;
    program.write(token.toUtf8() + '\n');
    for (auto [from, to] : {std::pair(&program, &test), std::pair(&test, &program)}) {
        QObject::connect(from, &QLocalSocket::readyRead, to, [from, to] { to->write(from->readAll()); });
        QObject::connect(from, &QLocalSocket::disconnected, &app, &QCoreApplication::quit);
    }
    return app.exec();
}
