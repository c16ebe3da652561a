#include <QApplication>
#include <gtest/gtest.h>

// GoogleTest inside a running Qt application, for timers, widgets and the
// browser engine.
int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
