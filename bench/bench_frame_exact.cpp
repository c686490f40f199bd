// Frame-exactness and responsiveness benchmark of the player.
//
// Makes (and caches) a matrix of frame-numbered videos, then measures each of them in a child
// process per player: "baseline" (a plain Phonon player stepping by whole milliseconds, this
// program itself) and "player" (the program's MediaPlayer, driven by bench_frame_player).
// Run it under an X server, e.g. through bench/run_frame_bench.sh.
//
//   bench_frame_exact [--quick] [--modes baseline,player] [--only TEXT,TEXT...] [--make-only]
//                     [--cache DIR] [--work DIR] [--out FILE]

#include "bench_frame_baseline.h"
#include "bench_frame_child.h"
#include "bench_frame_matrix.h"
#include "bench_frame_report.h"
#include "test_support.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QSaveFile>
#include <QTextStream>
#include <QThread>

#include <algorithm>

namespace {

// The last occurrence wins, so that options given to the script override its defaults.
QString option(const QStringList &arguments, const QString &name, const QString &fallback)
{
    const int at = arguments.lastIndexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : fallback;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

QString firstLineWith(const QString &path, const QString &key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("?");
    // Files under /proc report no size: read them whole instead of testing atEnd().
    const QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines)
        if (line.startsWith(key))
            return line.section(QLatin1Char(':'), 1).trimmed();
    return QStringLiteral("?");
}

QString machineText()
{
    QString text = QStringLiteral("- Machine: %1 processors, %2 memory, CPU %3\n")
                       .arg(QThread::idealThreadCount())
                       .arg(firstLineWith(QStringLiteral("/proc/meminfo"), QStringLiteral("MemTotal")),
                            firstLineWith(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name")));
    const QStringList packages = {
        QStringLiteral("libqt5core5a"), QStringLiteral("libqt5widgets5"),
        QStringLiteral("libphonon4qt5-4"), QStringLiteral("phonon4qt5-backend-gstreamer"),
        QStringLiteral("libgstreamer1.0-0"), QStringLiteral("gstreamer1.0-plugins-base"),
        QStringLiteral("gstreamer1.0-plugins-good"), QStringLiteral("gstreamer1.0-libav"),
        QStringLiteral("ffmpeg"), QStringLiteral("xvfb")};
    const morlek::test::ProgramResult dpkg = morlek::test::runProgram(
        QStringLiteral("dpkg-query"),
        QStringList{QStringLiteral("-W"), QStringLiteral("-f=${Package} ${Version}\\n")} + packages);
    text += QStringLiteral("- Packages: ");
    QStringList versions;
    for (const QByteArray &line : dpkg.output.split('\n'))
        if (!line.trimmed().isEmpty())
            versions << QStringLiteral("%1").arg(QString::fromLocal8Bit(line.trimmed()));
    text += versions.join(QStringLiteral("; ")) + QStringLiteral(" (Qt at run time %1)\n").arg(qVersion());
    return text;
}

QJsonObject runChild(const QString &program, const QStringList &arguments, int timeoutMs,
                     const QString &jsonPath, const QString &logPath)
{
    QFile::remove(jsonPath);
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setStandardOutputFile(logPath);
    child.start(program, arguments);
    QJsonObject result;
    if (!child.waitForStarted(10000)) {
        result[QStringLiteral("error")] = QStringLiteral("could not start %1").arg(program);
        return result;
    }
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished(5000);
        result[QStringLiteral("error")] =
            QStringLiteral("no result after %1 s (log: %2)").arg(timeoutMs / 1000).arg(logPath);
        return result;
    }
    QFile json(jsonPath);
    if (child.exitStatus() != QProcess::NormalExit || !json.open(QIODevice::ReadOnly)) {
        result[QStringLiteral("error")] = QStringLiteral("the player process ended with %1 (log: %2)")
                                              .arg(child.exitStatus() == QProcess::CrashExit
                                                       ? QStringLiteral("a crash")
                                                       : QStringLiteral("code %1").arg(child.exitCode()),
                                                   logPath);
        return result;
    }
    return QJsonDocument::fromJson(json.readAll()).object();
}

int runAll(const QStringList &arguments)
{
    QTextStream out(stdout);
    const bool quick = arguments.contains(QStringLiteral("--quick"));
    const QString here = QCoreApplication::applicationDirPath();
    const QString cache = option(arguments, QStringLiteral("--cache"), here + QStringLiteral("/frame-videos"));
    const QString work = option(arguments, QStringLiteral("--work"), here + QStringLiteral("/frame-results"));
    const QString outPath = option(arguments, QStringLiteral("--out"), here + QStringLiteral("/results.md"));
    // Files whose name holds one of the comma-separated texts.
    const QStringList only = option(arguments, QStringLiteral("--only"), QString())
                                 .split(QLatin1Char(','), Qt::SkipEmptyParts);
    const auto chosen = [&only](const FrameBenchVideo &video) {
        return only.isEmpty()
            || std::any_of(only.begin(), only.end(),
                           [&video](const QString &text) { return video.fileName().contains(text); });
    };
    QStringList modes = option(arguments, QStringLiteral("--modes"), QStringLiteral("baseline,player"))
                            .split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QString playerProgram = QDir(here).filePath(QStringLiteral("bench_frame_player"));
    QStringList notes;
    if (modes.contains(QStringLiteral("player")) && !QFileInfo(playerProgram).isExecutable()) {
        modes.removeAll(QStringLiteral("player"));
        notes << QStringLiteral("bench_frame_player was not built: the program's player is not measured.");
    }
    QDir().mkpath(work);

    const QString startLoad = loadAverage();
    const QDateTime started = QDateTime::currentDateTimeUtc();
    QElapsedTimer clock;
    clock.start();
    FrameBenchReport report;
    const QList<FrameBenchVideo> matrix = FrameBenchMatrix::videos(quick);
    for (int i = 0; i < matrix.size(); ++i) {
        const FrameBenchVideo &video = matrix.at(i);
        if (!chosen(video))
            continue;
        out << "[" << clock.elapsed() / 1000 << " s] " << video.fileName() << Qt::endl;
        QString error;
        const QString path = FrameBenchMatrix::ensure(video, cache, &error);
        for (const QString &mode : qAsConst(modes)) {
            if (arguments.contains(QStringLiteral("--make-only")))
                break;
            const QString base = QDir(work).filePath(mode + QLatin1Char('_') + video.fileName());
            QJsonObject result;
            const QString loadBefore = loadAverage();
            if (path.isEmpty()) {
                result[QStringLiteral("error")] = QStringLiteral("video not made: %1").arg(error);
            } else {
                QStringList childArguments = {QStringLiteral("--run-one"), QString::number(i),
                                              QStringLiteral("--video"), path,
                                              QStringLiteral("--json"), base + QStringLiteral(".json")};
                if (quick)
                    childArguments << QStringLiteral("--quick");
                const QString program = mode == QLatin1String("player")
                    ? playerProgram
                    : QCoreApplication::applicationFilePath();
                result = runChild(program, childArguments, quick ? 120000 : 240000,
                                  base + QStringLiteral(".json"), base + QStringLiteral(".log"));
            }
            result[QStringLiteral("mode")] = mode;
            result[QStringLiteral("file")] = video.fileName();
            result[QStringLiteral("label")] = video.label();
            result[QStringLiteral("latencyFile")] = video.isLatencyFile();
            result[QStringLiteral("loadBefore")] = loadBefore;
            result[QStringLiteral("loadAfter")] = loadAverage();
            report.add(result);
            QFile json(base + QStringLiteral(".json"));
            if (json.open(QIODevice::WriteOnly))
                json.write(QJsonDocument(result).toJson());
            out << "    " << mode << ": "
                << (result.contains(QStringLiteral("error")) ? result.value(QStringLiteral("error")).toString()
                                                             : QStringLiteral("measured"))
                << Qt::endl;
        }
    }
    if (arguments.contains(QStringLiteral("--make-only")))
        return 0;

    // A player not measured in this run keeps the figures of its last run, so that the
    // report always sets the program's player beside the baseline.
    for (const QString &mode : {QStringLiteral("baseline"), QStringLiteral("player")}) {
        if (modes.contains(mode))
            continue;
        bool found = false;
        for (int i = 0; i < matrix.size(); ++i) {
            const FrameBenchVideo &video = matrix.at(i);
            if (!chosen(video))
                continue;
            QFile json(QDir(work).filePath(mode + QLatin1Char('_') + video.fileName() + QStringLiteral(".json")));
            if (!json.open(QIODevice::ReadOnly))
                continue;
            QJsonObject result = QJsonDocument::fromJson(json.readAll()).object();
            result[QStringLiteral("mode")] = mode;
            result[QStringLiteral("latencyFile")] = video.isLatencyFile();
            report.add(result);
            found = true;
        }
        if (found)
            notes << QStringLiteral("The %1 figures come from an earlier run (the date stands with each file).").arg(mode);
    }

    QString preamble = QStringLiteral("- Run: %1 UTC, %2 run (%3), %4 min; players: %5\n")
                           .arg(started.toString(QStringLiteral("yyyy-MM-dd hh:mm")),
                                quick ? QStringLiteral("quick") : QStringLiteral("full"),
                                QStringList(arguments.mid(1)).join(QLatin1Char(' ')))
                           .arg(clock.elapsed() / 60000.0, 0, 'f', 1)
                           .arg(modes.join(QStringLiteral(", ")));
    preamble += QStringLiteral("- Load average (1, 5, 15 min): %1 at the start, %2 at the end\n")
                    .arg(startLoad, loadAverage());
    preamble += machineText();
    preamble += QStringLiteral("- Display: %1, %2 back-end\n")
                    .arg(QString::fromLocal8Bit(qgetenv("DISPLAY")),
                         QString::fromLocal8Bit(qgetenv("PHONON_BACKEND")));
    for (const QString &note : qAsConst(notes))
        preamble += QStringLiteral("- %1\n").arg(note);
    report.setPreamble(preamble);

    const QString markdown = report.markdown();
    out << '\n' << markdown;
    QSaveFile file(outPath);
    const QByteArray bytes = markdown.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        out << "cannot write " << outPath << Qt::endl;
        return 1;
    }
    out << "\nwritten to " << outPath << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (FrameBenchChild::wanted(arguments))
        return FrameBenchChild::run(arguments, [](const FrameBenchVideo &video) {
            return std::make_unique<FrameBenchBaseline>(video.size);
        });
    return runAll(arguments);
}
