#include "storage/ConfigFile.h"
#include "storage/Fields.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace storage;

namespace {

AppState loadFrom(const ProgramDir& dir)
{
    AppState state;
    ConfigLoad(dir.path(), state);
    return state;
}

AppState load(const QByteArray& bytes)
{
    ProgramDir dir;
    dir.write("config.ini", bytes);
    return loadFrom(dir);
}

void expectDefaults(const AppState& s)
{
    EXPECT_EQ(s.Config.WindowRun, 0);
    EXPECT_EQ(s.Config.IDSave, 0);
    EXPECT_EQ(s.Config.PWDSave, 0);
    EXPECT_EQ(s.Config.AutoLogin, 0);
    EXPECT_EQ(s.Config.AutoRun, 0);
    EXPECT_EQ(s.Config.GSA, AfterStart(0));
    EXPECT_EQ(s.Temp.DHOPortal, Portal(0));
}

TEST(ConfigFile, MissingEmptyOrGarbledFilesLeaveDefaults)
{
    ProgramDir none;
    expectDefaults(loadFrom(none));
    EXPECT_FALSE(none.exists("config.ini")) << "loading must never create the file";

    expectDefaults(load(""));
    expectDefaults(load("\r\n\r\n\r\n"));
    expectDefaults(load(QByteArray("\xff\xfe\x00garbage\x81", 12)));
    expectDefaults(load("yes\r\nno\r\n-1\r\n256\r\n1.5\r\nthree\r\ndaum\r\n"));
}

TEST(ConfigFile, ADirectoryNamedConfigIniCountsAsAbsent)
{
    ProgramDir dir;
    QDir(dir.path()).mkdir("config.ini");
    expectDefaults(loadFrom(dir));
}

TEST(ConfigFile, ReadsTheSevenValuesInOrder)
{
    const AppState s = load(" 0 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n 1 \r\nDaum\r\n");
    EXPECT_EQ(s.Config.WindowRun, 0);
    EXPECT_EQ(s.Config.IDSave, 1);
    EXPECT_EQ(s.Config.PWDSave, 1);
    EXPECT_EQ(s.Config.AutoLogin, 0);
    EXPECT_EQ(s.Config.AutoRun, 1);
    EXPECT_EQ(s.Config.GSA, AfterStart(1));
    EXPECT_EQ(s.Temp.DHOPortal, Portal(1));
}

TEST(ConfigFile, ValidatesEachValueOnItsOwn)
{
    AppState s = load(" 2 \r\n 1 \r\n 7 \r\n 1 \r\n 1 \r\n 2 \r\nNetmarble\r\n");
    EXPECT_EQ(s.Config.WindowRun, 0);
    EXPECT_EQ(s.Config.IDSave, 1) << "a bad line must not shift the lines after it";
    EXPECT_EQ(s.Config.PWDSave, 0);
    EXPECT_EQ(s.Config.AutoLogin, 1);
    EXPECT_EQ(s.Config.GSA, AfterStart(2));

    s = load("word\r\n1\r\n0\r\n0\r\n0\r\n 3 \r\nDaum\r\n");
    EXPECT_EQ(s.Config.WindowRun, 0);
    EXPECT_EQ(s.Config.IDSave, 1);
    EXPECT_EQ(s.Config.GSA, AfterStart(0));
    EXPECT_EQ(s.Temp.DHOPortal, Portal(1));

    s = load("-1\r\n 1 \r\n");
    EXPECT_EQ(s.Config.WindowRun, 0);
    EXPECT_EQ(s.Config.IDSave, 1);
}

TEST(ConfigFile, PortalWordIsExact)
{
    const QByteArray numbers = " 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n";
    EXPECT_EQ(load(numbers + "Daum\r\n").Temp.DHOPortal, Portal(1));
    EXPECT_EQ(load(numbers + "Daum").Temp.DHOPortal, Portal(1)) << "no line end after the last value";
    EXPECT_EQ(load(numbers + "daum\r\n").Temp.DHOPortal, Portal(0));
    EXPECT_EQ(load(numbers + "DAUM\r\n").Temp.DHOPortal, Portal(0));
    EXPECT_EQ(load(numbers + "\"Daum\"\r\n").Temp.DHOPortal, Portal(1));
    EXPECT_EQ(load(numbers + "  Daum  \r\n").Temp.DHOPortal, Portal(1));
    EXPECT_EQ(load(numbers).Temp.DHOPortal, Portal(0)) << "six lines: Netmarble";
}

TEST(ConfigFile, CommasSeparateValuesAndExtraLinesAreIgnored)
{
    const AppState s = load("1,0\r\n 1 , 1 \r\n1,2\r\nDaum\r\nextra\r\n 1 \r\n");
    EXPECT_EQ(s.Config.WindowRun, 1);
    EXPECT_EQ(s.Config.IDSave, 0);
    EXPECT_EQ(s.Config.PWDSave, 1);
    EXPECT_EQ(s.Config.AutoLogin, 1);
    EXPECT_EQ(s.Config.AutoRun, 1);
    EXPECT_EQ(s.Config.GSA, AfterStart(2));
    EXPECT_EQ(s.Temp.DHOPortal, Portal(1));
}

TEST(ConfigFile, InconsistentDependenciesAreLoadedAsWritten)
{
    const AppState s = load(" 0 \r\n 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\nNetmarble\r\n");
    EXPECT_EQ(s.Config.IDSave, 0);
    EXPECT_EQ(s.Config.PWDSave, 1);
    EXPECT_EQ(s.Config.AutoLogin, 1);
}

TEST(ConfigFile, SavesExactBytes)
{
    EXPECT_EQ(configFileBytes({{0, 0, 0, 0, 0, AfterStart(0)}, PortalChoice::Netmarble}),
              QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\nNetmarble\r\n"));
    EXPECT_EQ(configFileBytes({{0, 1, 1, 0, 1, AfterStart(1)}, PortalChoice::Daum}),
              QByteArray(" 0 \r\n 1 \r\n 1 \r\n 0 \r\n 1 \r\n 1 \r\nDaum\r\n"));
    EXPECT_EQ(configFileBytes({{1, 1, 1, 1, 1, AfterStart(2)}, PortalChoice::None}),
              QByteArray(" 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 2 \r\n"));
}

TEST(ConfigFile, SaveThenLoadRoundTripsAndReplacesTheFile)
{
    ProgramDir dir;
    dir.write("config.ini", "something much longer than the new file will be\r\n\r\n\r\n");
    ASSERT_TRUE(ConfigSave(dir.path(), {{1, 1, 0, 0, 1, AfterStart(2)}, PortalChoice::Daum}).ok);
    EXPECT_EQ(dir.read("config.ini"), QByteArray(" 1 \r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\n 2 \r\nDaum\r\n"));
    const AppState s = loadFrom(dir);
    EXPECT_EQ(s.Config.WindowRun, 1);
    EXPECT_EQ(s.Config.IDSave, 1);
    EXPECT_EQ(s.Config.PWDSave, 0);
    EXPECT_EQ(s.Config.AutoRun, 1);
    EXPECT_EQ(s.Config.GSA, AfterStart(2));
    EXPECT_EQ(s.Temp.DHOPortal, Portal(1));
}

TEST(Fields, SplitLikeTheStoredFilesExpect)
{
    EXPECT_EQ(readFields(""), QStringList());
    EXPECT_EQ(readFields("\r\n"), QStringList{""});
    EXPECT_EQ(readFields("a\r\n"), QStringList{"a"});
    EXPECT_EQ(readFields("a,b\r\nc"), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(readFields("a\nb\rc"), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(readFields("  \"x, y\" tail,z"), (QStringList{"x, y", "z"}));
    EXPECT_EQ(readFields("\"open"), QStringList{"open"});
    EXPECT_EQ(readFields("a\r\n\r\nb"), (QStringList{"a", "", "b"}));
}

}  // namespace
