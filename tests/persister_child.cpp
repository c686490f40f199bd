// Child process for the save-safety tests: saves timing records through the storage service
// the way the program does, so that the test can kill it or limit its file size.
//
//   persister_child grow <video>                 saves a growing record until it is killed
//   persister_child limit <bytes> <video> <marks> saves <marks> marks under a file-size limit
//   persister_child hold <video>                 opens the record, as a window does, and
//                                                keeps it open until it is killed
#include "fs_persister.h"
#include "record_support.h"
#include "storage.h"
#include "video_metadata.pb.h"

#include <QElapsedTimer>
#include <QSharedPointer>
#include <QString>
#include <QThread>

#include <boost/exception/exception.hpp>

#include <sys/resource.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>

using dravenhol::morlek::VideoMetadata;
using dravenhol::morlek::metadata::FsPersister;
using dravenhol::morlek::metadata::Persister;
using dravenhol::morlek::metadata::Storage;

namespace {

// Marks added by every save of the growing record.
constexpr int growStep = 16;
// Bounds the loop in case the test dies before it kills the child.
constexpr qint64 growLimitMs = 20000;

void fail(const char *what, const boost::exception &error)
{
    std::printf("%s: %s\n", what, qPrintable(morlek::test::errorMessage(error)));
    std::fflush(stdout);
    std::exit(1);
}

void grow(Storage &storage, VideoMetadata record)
{
    if (record.time_sequence_size() == 0)
        record.add_time_sequence();
    auto *marks = record.mutable_time_sequence(record.time_sequence_size() - 1);
    std::printf("ready %d\n", marks->timestamp_size());
    std::fflush(stdout);

    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < growLimitMs) {
        // Mark i is i * 3, so that a mixture of two states cannot pass for one.
        for (int i = 0; i < growStep; ++i)
            marks->add_timestamp(marks->timestamp_size() * 3);
        storage.requestSaveData(record);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const bool oneVideo = mode == QLatin1String("grow") || mode == QLatin1String("hold");
    if (!((oneVideo && argc == 3) || (mode == QLatin1String("limit") && argc == 5))) {
        std::fprintf(stderr, "usage: %s grow|hold <video> | limit <bytes> <video> <marks>\n",
                     argv[0]);
        return 2;
    }

    if (mode == QLatin1String("limit")) {
        // With SIGXFSZ ignored, a write beyond the limit fails with EFBIG like on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = std::strtoull(argv[2], nullptr, 10);
        const rlimit fileSize{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0) {
            std::perror("setrlimit");
            return 2;
        }
    }

    Storage storage(QSharedPointer<Persister>(QSharedPointer<FsPersister>::create()));
    VideoMetadata record;
    bool loaded = false;
    QObject::connect(&storage, &Storage::dataLoaded, &storage, [&](const VideoMetadata &metadata) {
        record = metadata;
        loaded = true;
    });
    QObject::connect(&storage, &Storage::dataLoadFailed, &storage,
                     [](const QString &, const boost::exception &error) { fail("load", error); });
    QObject::connect(&storage, &Storage::dataSaveFailed, &storage,
                     [](const VideoMetadata &, const boost::exception &error) { fail("save", error); });
    storage.requestLoadData(QString::fromLocal8Bit(argv[oneVideo ? 2 : 3]));
    if (!loaded)
        return 2;

    if (mode == QLatin1String("hold")) {
        std::printf("held\n");
        std::fflush(stdout);
        QThread::sleep(20);
        return 0;
    }

    if (mode == QLatin1String("grow")) {
        grow(storage, record);
        return 0;
    }

    record.clear_time_sequence();
    auto *marks = record.add_time_sequence();
    const int count = std::atoi(argv[4]);
    for (int i = 0; i < count; ++i)
        marks->add_timestamp(i * 3);
    storage.requestSaveData(record);
    std::printf("saved\n");
    return 0;
}
