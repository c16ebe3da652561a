// Which Wine prefix registers a launcher's scheme, read from its registry
// files as Wine writes them.

#include "platform/posix/SchemeHandlers.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const QByteArray Command = "[Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command] 1796700836\n"
                           "#time=1dd86c4f4b5fcb0\n@=\"\\\"C:\\\\launcher.exe\\\" \\\"%1\\\"\"\n";

struct Registry {
    const char* what;
    const char* file;
    QByteArray text;
    qint64 bound;
    bool registers;
};

TEST(WineRegistry, OnlyTheSchemesOwnCommandKeyWithinTheBoundCounts)
{
    const QByteArray padding = QByteArray(4000, ';') + '\n';
    const Registry cases[] = {
        {"as wine writes it", "system.reg", "WINE REGISTRY Version 2\n\n" + Command, 1 << 20, true},
        {"the user's classes", "user.reg", Command, 1 << 20, true},
        {"keys compare without case", "system.reg",
         "[software\\\\CLASSES\\\\DHO-Sandbox\\\\Shell\\\\open\\\\COMMAND] 1\n", 1 << 20, true},
        {"hex escapes", "system.reg",
         "[Software\\\\Classes\\\\dho\\x2dsandbo\\x0078\\\\shell\\\\open\\\\command]\n", 1 << 20, true},
        {"a control escape is not its letter", "system.reg",
         "[Software\\\\Classes\\\\dho-s\\andbox\\\\shell\\\\open\\\\command]\n", 1 << 20, false},
        {"an escaped bracket does not end the key", "system.reg",
         "[Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command\\]x]\n", 1 << 20, false},
        {"named only in values", "system.reg",
         "[Software\\\\Classes\\\\other\\\\shell\\\\open\\\\command] 1\n@=\"dho-sandbox://start\"\n"
         "\"Key\"=\"[Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command]\"\n"
         "  [Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command]\n",
         1 << 20, false},
        {"the scheme's key without its command", "system.reg",
         "[Software\\\\Classes\\\\dho-sandbox] 1\n\"URL Protocol\"=\"\"\n"
         "[Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command\\\\more] 1\n"
         "[Software\\\\Classes\\\\dho-sandbox2\\\\shell\\\\open\\\\command] 1\n",
         1 << 20, false},
        {"no closing bracket", "system.reg", "[Software\\\\Classes\\\\dho-sandbox\\\\shell\\\\open\\\\command\n",
         1 << 20, false},
        {"within the bound", "system.reg", padding + Command, padding.size() + Command.size(), true},
        {"beyond the bound", "user.reg", padding + Command, padding.size() + 40, false},
    };
    for (const Registry& registry : cases) {
        SCOPED_TRACE(registry.what);
        ProgramDir dir;
        dir.write("prefix/" + QString::fromLatin1(registry.file), registry.text);
        // A prefix that does not exist is passed over.
        const QStringList prefixes{dir.file("absent"), dir.file("prefix")};
        EXPECT_EQ(platform::winePrefixRegistering("dho-sandbox", prefixes, registry.bound),
                  registry.registers ? dir.file("prefix") : QString());
    }
}

}  // namespace
