// One running program a user on Linux: the lock in the user's runtime folder,
// and the folder used instead of a runtime folder that others could reach.

#include "platform/ProgramInstance.h"
#include "support/EnvironmentPatch.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QString doorFolder()
{
    return QFileInfo(QString::fromStdU16String(platform::instanceDoorName())).path();
}

// A runtime folder others could reach, even through a link, gives way to
// one of the user's own. The package test sees a later start reach the
// running program's door.
TEST(ProgramInstance, OnlyAPrivateRuntimeFolderIsUsedWhereALaterStartFindsTheLockHeld)
{
    ProgramDir runtime;
    QDir(runtime.path()).mkpath("open");
    QFile::setPermissions(runtime.file("open"), QFile::Permissions(0x7777));
    QFile::link(runtime.path(), runtime.file("link"));
    const QString own = "/tmp/quaylet-" + QString::number(::geteuid());
    EnvironmentPatch environment;
    const std::pair<QString, QString> rows[] = {
        {runtime.file("open"), own}, {runtime.file("link"), own}, {"relative", own}, {"", own},
        {runtime.path(), runtime.path()},
    };
    for (const auto& [set, used] : rows) {
        environment.set("XDG_RUNTIME_DIR", set.isEmpty() ? QByteArray() : QFile::encodeName(set));
        EXPECT_EQ(doorFolder(), used) << set.toStdString();
    }
    EXPECT_EQ(QFileInfo(own).permissions() & 0x0077, 0) << "the fallback is the user's alone";

    ASSERT_TRUE(platform::takeInstanceLock());
    EXPECT_FALSE(platform::takeInstanceLock());
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(platform::knockOnInstanceDoor(200));
    EXPECT_LT(timer.elapsed(), 2000);
}

}  // namespace
