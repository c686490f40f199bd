// Times the two operations of the timing table that the user waits for, each with its save
// through a real storage service into a temporary home folder:
//   - loading a record of 1,000 marks (the replay and its one save);
//   - recording one time (the entry and its save), on a growing table and on a long one.
// Run: bench_timing [repetitions]   (on the offscreen platform unless QT_QPA_PLATFORM is set)

#include "fs_persister.h"
#include "storage.h"
#include "timing_table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSharedPointer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using dravenhol::morlek::VideoMetadata;
using dravenhol::morlek::metadata::FsPersister;
using dravenhol::morlek::metadata::Persister;
using dravenhol::morlek::metadata::Storage;

namespace {

const char fingerprint[] = "0123456789abcdef0123456789abcdef01234567";

long peakMemoryMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

VideoMetadata record(int marks)
{
    VideoMetadata metadata;
    metadata.set_hash(fingerprint);
    metadata.add_filename("/videos/bench.avi");
    auto *measure = metadata.add_time_sequence();
    for (int i = 0; i < marks; ++i)
        measure->add_timestamp(1000 + 1700 * i);
    return metadata;
}

struct Stats
{
    double median;
    double p99;
    double max;
};

Stats stats(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double q) {
        return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * (ms.size() - 1) + 0.5))];
    };
    return {at(0.5), at(0.99), ms.back()};
}

void report(const char *what, std::size_t runs, const Stats &s, double target)
{
    std::printf("%-48s runs %5zu  median %7.3f ms  p99 %7.3f ms  max %7.3f ms  target %4.0f ms: %s\n",
                what, runs, s.median, s.p99, s.max, target, s.median <= target ? "met" : "MISSED");
}

double elapsedMs(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 50;

    // Every save goes to a data folder under this home, never the user's own.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", QFile::encodeName(home.path()));

    Storage storage(QSharedPointer<Persister>(new FsPersister));
    int failures = 0;
    QObject::connect(&storage, &Storage::dataSaveFailed, &storage, [&failures] { ++failures; });
    TimingTable table;
    QObject::connect(&table, &TimingTable::dataUpdated, &storage, &Storage::requestSaveData);

    const VideoMetadata thousand = record(1000);
    std::vector<double> loads;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        table.setData(thousand);
        loads.push_back(elapsedMs(timer));
    }
    report("load a record of 1,000 marks (replay + save)", loads.size(), stats(loads), 50);

    // A hostile or very long record: the replay must stay linear.
    for (const int marks : {150000, 1000000}) {
        const VideoMetadata big = record(marks);
        QElapsedTimer timer;
        timer.start();
        table.setData(big);
        const double ms = elapsedMs(timer);
        std::printf("load a record of %d marks (replay + save): %.0f ms, peak memory %ld MB\n",
                    marks, ms, peakMemoryMb());
        std::fflush(stdout);
    }

    const auto recordTimes = [&table](int count) {
        std::vector<double> entries;
        qint64 now = 2000000;
        for (int i = 0; i < count; ++i) {
            now += 1300;
            QElapsedTimer timer;
            timer.start();
            table.setSelectionTime(now);
            entries.push_back(elapsedMs(timer));
        }
        return entries;
    };

    table.setData(record(0));
    const std::vector<double> growing = recordTimes(1000);
    report("record one time, table growing 0 -> 1,000 marks", growing.size(), stats(growing), 5);

    table.setData(thousand);
    const std::vector<double> longTable = recordTimes(200);
    report("record one time onto 1,000 marks", longTable.size(), stats(longTable), 5);

    if (failures > 0) {
        std::printf("%d saves failed: the figures are not valid\n", failures);
        return 1;
    }
    return 0;
}
