#include <QApplication>
#include <gtest/gtest.h>

// GoogleTest inside a running Qt application, for timers, widgets and the browser engine.
int main(int argc, char* argv[])
{
    // Listing the tests at build time needs no display either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
