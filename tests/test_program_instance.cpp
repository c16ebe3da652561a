// One running program a user on Linux: the lock in the user's runtime folder,
// the door a later start knocks at, and the folder used instead of a runtime
// folder that others could reach.

#include "platform/ProgramInstance.h"
#include "support/EnvironmentPatch.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QString doorFolder()
{
    return QFileInfo(QString::fromStdU16String(platform::instanceDoorName())).path();
}

TEST(ProgramInstance, ALaterStartFindsTheLockHeldAndReachesTheFirstOnesDoor)
{
    ProgramDir runtime;
    EnvironmentPatch environment;
    environment.set("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    ASSERT_EQ(doorFolder(), runtime.path());
    ASSERT_TRUE(platform::takeInstanceLock());
    EXPECT_FALSE(platform::takeInstanceLock());

    // No door open yet: the knock gives up in its time.
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(platform::knockOnInstanceDoor(200));
    EXPECT_LT(timer.elapsed(), 2000);

    const QByteArray path = QFile::encodeName(QString::fromStdU16String(platform::instanceDoorName()));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int door = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(door, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(door, 1), 0);
    EXPECT_TRUE(platform::knockOnInstanceDoor(200));
    const int knock = ::accept(door, nullptr, nullptr);
    EXPECT_GE(knock, 0);
    ::close(knock);
    ::close(door);
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
