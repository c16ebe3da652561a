// The program logs in and out, Netmarble and Daum in turn, every caption
// checked and its engine ended after each logout, for CYCLES cycles (default
// 200) or until one fails. The memory (PSS), descriptors and processes of its
// process tree are printed at the start, at cycle 10 (growth counts from
// there), every 50 cycles and at the end; growth in descriptors or processes fails.

#include "e2e/Driver.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QMultiMap>

#include <cstdio>

namespace {

constexpr int ReportEvery = 50;
constexpr int GrowthFromCycle = 10;

// What a process and every process it started hold.
struct Tree {
    int processes = 0;
    qint64 pssKiB = 0;
    int descriptors = 0;
};

Tree measure(qint64 root)
{
    QMultiMap<qint64, qint64> childrenOf;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        QFile stat("/proc/" + entry + "/stat");
        if (!numeric || !stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid ...; the name may hold blanks and parentheses.
        const QByteArray line = stat.readAll();
        childrenOf.insert(line.mid(line.lastIndexOf(')') + 2).split(' ').value(1).toLongLong(), pid);
    }
    Tree tree;
    QList<qint64> pids{root};
    for (qsizetype i = 0; i < pids.size(); ++i) {
        pids += childrenOf.values(pids[i]);
        const QString base = "/proc/" + QString::number(pids[i]);
        QFile rollup(base + "/smaps_rollup");
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        ++tree.processes;
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:"))
                tree.pssKiB += line.mid(4).trimmed().split(' ').value(0).toLongLong();
        }
        const QDir descriptors(base + "/fd", {}, QDir::NoSort,
                               QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        tree.descriptors += int(descriptors.count());
    }
    return tree;
}

void print(const QString& when, const Tree& tree)
{
    std::printf("%-10s PSS %7.1f MiB  descriptors %4d  processes %2d\n", qPrintable(when),
                tree.pssKiB / 1024.0, tree.descriptors, tree.processes);
    std::fflush(stdout);
}

// One login and logout; an empty text when every caption came as it should.
QString cycle(Quaylet& quaylet, const Portal& portal)
{
    const QStringList expected{portal.caption("로그인 중.."), portal.caption("로그인 완료"),
                               portal.caption("로그아웃 중.."), portal.caption("로그아웃 완료")};
    quaylet.captions();
    quaylet.logInThroughDialog("captain", "sea", portal.option);
    if (!quaylet.waitForCaption(expected[1]))
        return "no login: " + quaylet.caption();
    quaylet.click("frmMain", "cmdLogin");
    if (!quaylet.waitForCaption(expected[3]))
        return "no logout: " + quaylet.caption();
    // Each cycle ends its engine and the next starts one afresh.
    if (!quaylet.waitForIdleBrowser())
        return "the idle engine was not ended";
    if (!eventually([&] { return measure(quaylet.processId()).processes == 1; }, 5000))
        return "the ended engine is still running";
    const QStringList seen = quaylet.captions();
    return seen == expected ? QString() : "captions: " + seen.join(" / ");
}

void verdict(const QString& what, bool pass)
{
    std::printf("%-44s %s\n", qPrintable(what), pass ? "PASS" : "MISS");
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? QString(argv[1]).toInt() : 200;
    if (cycles < 1) {
        std::fprintf(stderr, "usage: quaylet_soak [CYCLES]\n");
        return 2;
    }
    ProgramDir dir;
    Sandbox sandbox(dir.file("portal.log"));
    Quaylet quaylet(dir.path());
    if (!sandbox.ready() || !quaylet.connected() || !quaylet.waitForCaption("Quaylet")) {
        std::fprintf(stderr, "the sandbox or the program did not start\n");
        return 1;
    }
    Tree early = measure(quaylet.processId());
    Tree now = early;
    print("start", now);

    int done = 0;
    while (done < cycles) {
        const Portal& portal = done % 2 ? Daum : Netmarble;
        if (const QString failure = cycle(quaylet, portal); !failure.isEmpty()) {
            std::printf("cycle %d (%s) failed: %s\n", done + 1, portal.name, qPrintable(failure));
            break;
        }
        ++done;
        if (done == GrowthFromCycle || done % ReportEvery == 0 || done == cycles) {
            now = measure(quaylet.processId());
            early = done == GrowthFromCycle ? now : early;
            print(done == cycles ? QStringLiteral("end") : QStringLiteral("cycle %1").arg(done), now);
        }
    }

    const double growth = 100.0 * double(now.pssKiB - early.pssKiB) / double(early.pssKiB);
    const bool kept = now.descriptors <= early.descriptors && now.processes <= early.processes;
    verdict(QStringLiteral("cycles correct: %1 of %2").arg(done).arg(cycles), done == cycles);
    verdict(QString::asprintf("PSS from cycle %d to the end: %+.1f %% (< 10 %%)",
                              cycles >= GrowthFromCycle ? GrowthFromCycle : 0, growth),
            growth < 10.0);
    verdict(QString::asprintf("descriptors %d -> %d, processes %d -> %d", early.descriptors, now.descriptors,
                              early.processes, now.processes),
            kept);
    return done == cycles && kept ? 0 : 1;
}
