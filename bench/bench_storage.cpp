// Measures what the storage service costs the GUI thread: the fingerprint of a huge video
// against a small one and against hashing the whole file, and the latency of a save.
//
//   bench_storage [folder]   works in a temporary folder inside <folder> (default: the system
//                            temporary folder), which it removes at the end
#include "fs_persister.h"
#include "storage.h"
#include "video_metadata.pb.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSharedPointer>
#include <QTemporaryDir>

#include <boost/exception/exception.hpp>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

using dravenhol::morlek::VideoMetadata;
using dravenhol::morlek::metadata::FsPersister;
using dravenhol::morlek::metadata::Persister;
using dravenhol::morlek::metadata::Storage;

namespace {

constexpr qint64 sparseSize = qint64(4) << 30;
constexpr qint64 smallSize = qint64(1) << 20;
constexpr int fingerprintRuns = 201;
constexpr int saves = 1000;
constexpr int marks = 1000;

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * double(values.size() - 1) + 0.5);
    return values[index];
}

bool fail(const char *what)
{
    std::fprintf(stderr, "bench_storage: %s\n", what);
    return false;
}

// Median time in microseconds of the load request that opening the video makes.
bool timeLoads(Storage &storage, const QString &video, double *median)
{
    int failures = 0;
    const auto connection = QObject::connect(
            &storage, &Storage::dataLoadFailed, &storage,
            [&failures](const QString &, const boost::exception &) { ++failures; });
    std::vector<double> times;
    for (int i = 0; i < fingerprintRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        storage.requestLoadData(video);
        times.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    QObject::disconnect(connection);
    *median = percentile(times, 0.5);
    return failures == 0 || fail("a load request failed");
}

// Seconds to hash the whole file with SHA-1, read in pieces of 1 MiB.
bool timeWholeFile(const QString &path, double *seconds)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail("cannot read the sparse file");
    QElapsedTimer timer;
    timer.start();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QByteArray buffer(int(smallSize), Qt::Uninitialized);
    qint64 got = 0;
    while ((got = file.read(buffer.data(), buffer.size())) > 0)
        hash.addData(buffer.constData(), int(got));
    hash.result();
    *seconds = double(timer.nsecsElapsed()) / 1e9;
    return got == 0 || fail("reading the sparse file failed");
}

bool benchFingerprints(const QDir &work)
{
    const QString sparse = work.filePath(QStringLiteral("sparse-4GiB.bin"));
    const QString small = work.filePath(QStringLiteral("random-1MiB.bin"));
    {
        QFile file(sparse);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(sparseSize))
            return fail("cannot make the sparse file");
        file.seek(sparseSize / 2);
        file.write("a few bytes in the middle");
    }
    {
        QByteArray bytes(int(smallSize), Qt::Uninitialized);
        for (char &byte : bytes)
            byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
        QFile file(small);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return fail("cannot make the 1 MiB file");
    }

    Storage storage(QSharedPointer<Persister>(QSharedPointer<FsPersister>::create()));
    double sparseUs = 0;
    double smallUs = 0;
    double wholeSeconds = 0;
    if (!timeLoads(storage, sparse, &sparseUs) || !timeLoads(storage, small, &smallUs)
        || !timeWholeFile(sparse, &wholeSeconds))
        return false;
    QFile::remove(sparse);
    QFile::remove(small);

    std::printf("fingerprint (load request, median of %d):\n", fingerprintRuns);
    std::printf("  sparse 4 GiB file             %10.1f us\n", sparseUs);
    std::printf("  1 MiB file                    %10.1f us\n", smallUs);
    std::printf("  ratio 4 GiB / 1 MiB           %10.2f\n", sparseUs / smallUs);
    std::printf("whole 4 GiB file with QCryptographicHash (SHA-1, once):\n");
    std::printf("  time                          %10.2f s\n", wholeSeconds);
    std::printf("  ratio whole file / fingerprint%10.0f\n", wholeSeconds * 1e6 / sparseUs);
    return true;
}

bool benchSaves(const QDir &work)
{
    // The record of a long performance: 1,000 marks spread over an hour.
    VideoMetadata record;
    record.set_hash("0123456789abcdef0123456789abcdef01234567");
    record.add_filename(work.filePath(QStringLiteral("videos/performance.mkv")).toStdString());
    auto *sequence = record.add_time_sequence();
    for (int i = 0; i < marks; ++i)
        sequence->add_timestamp(i * 3600 + 17);

    Storage storage(QSharedPointer<Persister>(QSharedPointer<FsPersister>::create()));
    int failures = 0;
    QObject::connect(&storage, &Storage::dataSaveFailed, &storage,
                     [&failures](const VideoMetadata &, const boost::exception &) { ++failures; });
    std::vector<double> times;
    for (int i = 0; i < saves; ++i) {
        sequence->set_timestamp(i % marks, i); // every save stores a changed record
        QElapsedTimer timer;
        timer.start();
        storage.requestSaveData(record);
        times.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    if (failures > 0)
        return fail("a save failed");
    std::printf("save of a record of %d marks (%zu bytes), %d saves:\n", marks,
                record.ByteSizeLong(), saves);
    std::printf("  median                        %10.1f us\n", percentile(times, 0.5));
    std::printf("  99th percentile               %10.1f us\n", percentile(times, 0.99));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QTemporaryDir work(QDir(base).filePath(QStringLiteral("bench_storage-XXXXXX")));
    // The records go to a HOME inside the work folder, never to the user's own.
    if (!work.isValid() || !QDir(work.path()).mkpath(QStringLiteral("home"))) {
        fail("cannot make the work folder");
        return 1;
    }
    qputenv("HOME", QFile::encodeName(QDir(work.path()).filePath(QStringLiteral("home"))));

    std::printf("working in %s\n", qPrintable(work.path()));
    return benchFingerprints(QDir(work.path())) && benchSaves(QDir(work.path())) ? 0 : 1;
}
