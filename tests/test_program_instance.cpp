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

// The package test sees a later start reach the running program's door.
TEST(ProgramInstance, ALaterStartFindsTheLockHeldAndGivesUpOnADoorNobodyOpens)
{
    ProgramDir runtime;
    EnvironmentPatch environment;
    environment.set("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    ASSERT_EQ(doorFolder(), runtime.path());
    ASSERT_TRUE(platform::takeInstanceLock());
    EXPECT_FALSE(platform::takeInstanceLock());
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(platform::knockOnInstanceDoor(200));
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST(ProgramInstance, ARuntimeFolderOthersCouldReachGivesWayToOneOfTheUsersOwn)
{
    ProgramDir scratch;
    QDir(scratch.path()).mkpath("open");
    QFile::setPermissions(scratch.file("open"), QFile::Permissions(0x7777));
    QDir(scratch.path()).mkpath("private");
    QFile::link(scratch.file("private"), scratch.file("link"));
    const QString own = "/tmp/quaylet-" + QString::number(::geteuid());
    for (const QString& runtime : {scratch.file("open"), scratch.file("link"), QString("relative"), QString()}) {
        EnvironmentPatch environment;
        environment.set("XDG_RUNTIME_DIR", runtime.isEmpty() ? QByteArray() : QFile::encodeName(runtime));
        EXPECT_EQ(doorFolder(), own) << runtime.toStdString();
    }
    EXPECT_EQ(QFileInfo(own).permissions() & 0x0077, 0) << "the fallback is the user's alone";
}

}  // namespace
