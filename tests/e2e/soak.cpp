// The real program logging in and out against the sandbox, on Netmarble and
// Daum in turn, for as many cycles as asked (default 200). Every caption of
// every cycle is checked. Prints the cycles done, the failures, and the memory
// (PSS), open file descriptors and processes of the program's process tree at
// the start, at cycle 10 (growth is counted from there), every 50 cycles and
// at the end. Exits non-zero when a cycle failed or the tree grew in
// descriptors or processes.

#include "e2e/Driver.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QThread>

#include <cstdio>
#include <optional>

namespace {

struct Portal {
    const char* name;
    QString option;
    QStringList captions;  // one cycle: logging in, logged in, logging out, logged out
};

const Portal Portals[] = {
    {"Netmarble", "optDHONetmarble",
     {"Quaylet - 넷마블 로그인 중..", "Quaylet - 넷마블 로그인 완료", "Quaylet - 넷마블 로그아웃 중..",
      "Quaylet - 넷마블 로그아웃 완료"}},
    {"Daum", "optDHODaum",
     {"Quaylet - 다음 로그인 중..", "Quaylet - 다음 로그인 완료", "Quaylet - 다음 로그아웃 중..",
      "Quaylet - 다음 로그아웃 완료"}},
};

constexpr int StepTimeoutMs = 20000;
constexpr int ReportEvery = 50;
constexpr int GrowthFromCycle = 10;

// The process and every process it started, with what they hold.
struct Tree {
    int processes = 0;
    qint64 pssKiB = 0;
    int descriptors = 0;
};

Tree measure(qint64 root)
{
    QMap<qint64, qint64> parentOf;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        QFile stat("/proc/" + entry + "/stat");
        if (!numeric || !stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid ...; the name may hold blanks and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1)
            parentOf[pid] = rest[1].toLongLong();
    }
    QList<qint64> tree{root};
    for (qsizetype i = 0; i < tree.size(); ++i) {
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it) {
            if (it.value() == tree[i])
                tree.append(it.key());
        }
    }
    Tree result;
    for (const qint64 pid : tree) {
        const QString base = "/proc/" + QString::number(pid);
        QFile rollup(base + "/smaps_rollup");
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        ++result.processes;
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:"))
                result.pssKiB += line.mid(4).trimmed().split(' ').value(0).toLongLong();
        }
        result.descriptors += int(QDir(base + "/fd").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
    }
    return result;
}

void print(const char* when, int cycles, int failures, const Tree& tree)
{
    std::printf("%-10s cycles %4d  failures %3d  PSS %7.1f MiB  descriptors %4d  processes %2d (browser %d)\n", when,
                cycles, failures, tree.pssKiB / 1024.0, tree.descriptors, tree.processes, tree.processes - 1);
    std::fflush(stdout);
}

// One login and logout; an empty text when every caption came as it should.
QString cycle(Quaylet& quaylet, const Portal& portal)
{
    quaylet.captions();
    quaylet.logInThroughDialog("captain", "sea", portal.option);
    if (!quaylet.waitForCaption(portal.captions[1], StepTimeoutMs))
        return "no login: " + quaylet.caption();
    quaylet.click("frmMain", "cmdLogin");
    if (!quaylet.waitForCaption(portal.captions[3], StepTimeoutMs))
        return "no logout: " + quaylet.caption();
    const QStringList seen = quaylet.captions();
    if (seen != portal.captions)
        return "captions: " + seen.join(" / ");
    return {};
}

// After a failed cycle: back to a window that can log in.
void recover(Quaylet& quaylet)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        quaylet.answer("OK");
        if (quaylet.windowOpen("frmLogin"))
            quaylet.key("frmLogin", "txtID", "Escape");
        const QString button = quaylet.control("frmMain", "cmdLogin").value("text").toString();
        if (button == "로그인")
            return;
        quaylet.click("frmMain", "cmdLogin");
        eventually([&] { return quaylet.control("frmMain", "cmdLogin").value("text").toString() == "로그인"; },
                   StepTimeoutMs);
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? QString(argv[1]).toInt() : 200;
    if (cycles < 1) {
        std::fprintf(stderr, "usage: quaylet_soak [CYCLES]\n");
        return 2;
    }

    ProgramDir dir;
    Sandbox sandbox(dir.file("portal.log"));
    if (!sandbox.ready()) {
        std::fprintf(stderr, "the sandbox did not start\n");
        return 1;
    }
    Quaylet quaylet(dir.path());
    if (!quaylet.connected() || !quaylet.waitForCaption("Quaylet")) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    // The browser engine starts once the window has painted.
    QThread::msleep(1000);
    const Tree start = measure(quaylet.processId());
    print("start", 0, 0, start);

    int failures = 0;
    std::optional<Tree> early;
    Tree now = start;
    for (int i = 1; i <= cycles; ++i) {
        const Portal& portal = Portals[(i - 1) % 2];
        const QString failure = cycle(quaylet, portal);
        if (!failure.isEmpty()) {
            ++failures;
            std::printf("cycle %d (%s) failed: %s\n", i, portal.name, qPrintable(failure));
            recover(quaylet);
        }
        if (!quaylet.connected()) {
            std::printf("cycle %d: the program ended\n", i);
            return 1;
        }
        if (i == GrowthFromCycle || i % ReportEvery == 0 || i == cycles) {
            now = measure(quaylet.processId());
            if (i == GrowthFromCycle)
                early = now;
            if ((i == GrowthFromCycle || i % ReportEvery == 0) && i != cycles)
                print(qPrintable(QStringLiteral("cycle %1").arg(i)), i, failures, now);
        }
    }
    print("end", cycles, failures, now);

    const Tree from = early.value_or(start);
    const double growth = 100.0 * double(now.pssKiB - from.pssKiB) / double(from.pssKiB);
    const bool descriptorsKept = now.descriptors <= from.descriptors;
    const bool processesKept = now.processes <= from.processes;
    std::printf("\n%-44s %s\n", QStringLiteral("cycles correct: %1 of %2").arg(cycles - failures).arg(cycles).toUtf8().constData(),
                failures == 0 ? "PASS" : "MISS");
    std::printf("%-44s %s\n", QStringLiteral("PSS from cycle %1 to the end: %2%3 %").arg(early ? GrowthFromCycle : 0)
                    .arg(growth >= 0 ? "+" : "").arg(growth, 0, 'f', 1).toUtf8().constData(),
                growth < 10.0 ? "PASS (< 10 %)" : "MISS (< 10 %)");
    std::printf("%-44s %s\n", QStringLiteral("descriptors %1 -> %2").arg(from.descriptors).arg(now.descriptors).toUtf8().constData(),
                descriptorsKept ? "PASS" : "MISS");
    std::printf("%-44s %s\n", QStringLiteral("processes %1 -> %2").arg(from.processes).arg(now.processes).toUtf8().constData(),
                processesKept ? "PASS" : "MISS");
    return failures == 0 && descriptorsKept && processesKept ? 0 : 1;
}
