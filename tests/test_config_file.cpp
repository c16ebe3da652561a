#include "storage/ConfigFile.h"
#include "storage/Fields.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace storage;

namespace {

// The six settings and the portal loaded from the directory, in file order,
// one digit each.
std::string loaded(const ProgramDir& dir)
{
    AppState s;
    ConfigLoad(SettingsFolder(dir.path()), s);
    std::string digits;
    for (const int value :
         {int(s.Config.WindowRun), int(s.Config.IDSave), int(s.Config.PWDSave), int(s.Config.AutoLogin),
          int(s.Config.AutoRun), int(s.Config.GSA), int(s.Temp.DHOPortal)})
        digits += std::to_string(value);
    return digits;
}

TEST(ConfigFile, EachValueIsReadOnItsOwnAndWhatIsUnusableIsZero)
{
    const QByteArray allSet(" 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\nDaum\r\n");
    const std::pair<QByteArray, std::string> cases[] = {
        {"", "0000000"},
        {"\r\n\r\n\r\n", "0000000"},
        {QByteArray("\xff\xfe\x00garbage\x81", 12), "0000000"},
        {"yes\r\nno\r\n-1\r\n256\r\n1.5\r\nthree\r\ndaum\r\n", "0000000"},       // the portal word is exact
        {" 2 \r\n 1 \r\n 7 \r\n 1 \r\n 1 \r\n 2 \r\nNetmarble\r\n", "0101120"},  // a bad line shifts nothing
        {"word\r\n1\r\n0\r\n0\r\n0\r\n 3 \r\nDaum\r\n", "0100001"},
        {"-1\r\n 1 \r\n", "0100000"},
        {" 0 \r\n 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\nNetmarble\r\n", "0011000"},  // inconsistent, loaded as written
        {"1,0\r\n 1 , 1 \r\n1,2\r\nDaum\r\nextra\r\n 1 \r\n", "1011121"},        // commas separate values too
        {"0\r\n0\r\n0\r\n0\r\n0\r\n0\r\nDaum", "0000001"},  // no line end after the last value
        {"0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n  Daum  \r\n", "0000001"},
        // More than 64 KiB is not read at all: it would fill the memory.
        {allSet.leftJustified(64 * 1024, ' '), "1111111"},
        {allSet.leftJustified(64 * 1024 + 1, ' '), "0000000"},
    };
    for (const auto& [bytes, expected] : cases) {
        ProgramDir dir;
        dir.write("config.ini", bytes);
        EXPECT_EQ(loaded(dir), expected) << bytes.left(80).toStdString();
    }

    ProgramDir dir;
    EXPECT_EQ(loaded(dir), "0000000");
    EXPECT_FALSE(dir.exists("config.ini")) << "loading must never create the file";
}

// Nothing but a regular file is read: a pipe or a device would hang the
// start. Each reading must end in time.
TEST(ConfigFile, WhatIsNoRegularFileGivesDefaultsWithoutWaiting)
{
    const std::pair<const char*, std::function<void(const QByteArray& path)>> cases[] = {
        {"FIFO", [](const QByteArray& path) { ::mkfifo(path, 0600); }},
        {"link to /dev/zero", [](const QByteArray& path) { ::symlink("/dev/zero", path); }},
        {"directory", [](const QByteArray& path) { ::mkdir(path, 0700); }},
    };
    for (const auto& [what, make] : cases) {
        ProgramDir dir;
        const QByteArray path = QFile::encodeName(dir.file("config.ini"));
        make(path);
        auto loading = std::async(std::launch::async, [&] { return loaded(dir); });
        if (loading.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            ADD_FAILURE() << what << ": still reading after 5 s";
            // A writer that comes and goes lets a reader waiting on a FIFO end.
            ::close(::open(path, O_WRONLY | O_NONBLOCK));
        }
        EXPECT_EQ(loading.get(), "0000000") << what;
    }
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
