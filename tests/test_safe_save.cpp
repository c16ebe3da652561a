#include "platform/SafeSave.h"
#include "support/FaultyFiles.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <unistd.h>

using storage::FileAccess;
using storage::saveFile;

namespace {

using Fault = FaultyFiles::Fault;

QStringList entries(const ProgramDir& dir)
{
    QStringList names = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

TEST(SafeSave, WritesTheWholeFileAndLeavesNothingBeside)
{
    ProgramDir dir;
    dir.write("User.ini", "old\r\n");
    ASSERT_TRUE(saveFile(dir.file("User.ini"), "45:7=3\r\n45:7=3\r\n", FileAccess::OwnerOnly).ok);
    EXPECT_EQ(dir.read("User.ini"), "45:7=3\r\n45:7=3\r\n");
    ASSERT_TRUE(saveFile(dir.file("config.ini"), "", FileAccess::Everyone).ok);
    EXPECT_TRUE(dir.exists("config.ini"));
    EXPECT_EQ(entries(dir), (QStringList{"User.ini", "config.ini"}));
}

TEST(SafeSave, AFaultAnywhereKeepsThePreviousFileWholeAndLeavesNoTemporaryFile)
{
    for (const Fault fault : {Fault::DiskFullWhileWriting, Fault::DiskFullWhileFlushing, Fault::RenameRefused}) {
        SCOPED_TRACE(int(fault));
        ProgramDir dir;
        dir.write("config.ini", " 0 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n 1 \r\nDaum\r\n");
        FaultyFiles files(fault);
        const storage::SaveResult result =
            saveFile(dir.file("config.ini"), " 1 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 2 \r\nNetmarble\r\n", FileAccess::Everyone);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, FaultyFiles::reason(fault));
        EXPECT_EQ(files.faults, 1);
        ASSERT_EQ(files.created.size(), 1);
        EXPECT_TRUE(QFileInfo(files.created[0]).dir() == QDir(dir.path())) << "beside the file, on its disk";
        EXPECT_EQ(dir.read("config.ini"), " 0 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n 1 \r\nDaum\r\n");
        EXPECT_EQ(entries(dir), QStringList{"config.ini"});

        // Without a previous file, none is left either.
        EXPECT_FALSE(saveFile(dir.file("User.ini"), "45:7=3\r\n", FileAccess::OwnerOnly).ok);
        EXPECT_EQ(entries(dir), QStringList{"config.ini"});
    }
}

TEST(SafeSave, AnUnwritableDirectoryOrFileIsReportedAndLeftAsItWas)
{
    ProgramDir dir;
    dir.write("config.ini", " 1 \r\n");
    storage::SaveResult result;
    {
        WithoutWriteAccess readOnly(dir.path());
        result = saveFile(dir.file("config.ini"), " 0 \r\n", FileAccess::Everyone);
    }
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(dir.read("config.ini"), " 1 \r\n");
    EXPECT_EQ(entries(dir), QStringList{"config.ini"});

    // A file the user made read-only is not replaced behind his back, though
    // its directory would allow it. Root may write anything: the save then
    // runs as the user "nobody", who may become root again.
    const QFile::Permissions everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                        | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                        | QFile::WriteOther | QFile::ExeOther;
    QFile::setPermissions(dir.path(), everyone);
    QFile::setPermissions(dir.file("config.ini"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const bool root = ::geteuid() == 0;
    ASSERT_TRUE(!root || ::setresuid(65534, 65534, 0) == 0);
    result = saveFile(dir.file("config.ini"), " 0 \r\n", FileAccess::Everyone);
    ASSERT_TRUE(!root || ::setresuid(0, 0, 0) == 0);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains("read-only")) << result.error.toStdString();
    EXPECT_EQ(dir.read("config.ini"), " 1 \r\n");
    EXPECT_EQ(entries(dir), QStringList{"config.ini"});
}

}  // namespace
