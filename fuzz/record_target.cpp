#include "record_target.h"

#include "fs_persister.h"
#include "storage.h"
#include "timing_table.h"
#include "video_metadata.pb.h"

#include <google/protobuf/stubs/logging.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSharedPointer>
#include <QTemporaryDir>

#include <boost/exception/exception.hpp>

#include <memory>

namespace morlek::fuzz {

namespace {

const QString fingerprint = QStringLiteral("0123456789abcdef0123456789abcdef01234567");

struct World
{
    std::unique_ptr<QTemporaryDir> home;
    QString dataFile;
};

World &world()
{
    static World instance;
    return instance;
}

} // namespace

void setUp(int *argc, char ***argv)
{
    World &w = world();
    // The library logs every record whose fingerprint is not UTF-8; here that is most inputs.
    google::protobuf::SetLogHandler(nullptr);
    // No window is shown: the table only needs a widget world.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    w.home = std::make_unique<QTemporaryDir>();
    qputenv("HOME", QFile::encodeName(w.home->path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(w.home->path()));
    // Lives as long as the process: libFuzzer ends it with exit(), and Qt cannot end an
    // application from an exit handler.
    static QApplication *const app = new QApplication(*argc, *argv);
    Q_UNUSED(app);
    const QString folder = dravenhol::morlek::metadata::FsPersister::dataFolder();
    QDir().mkpath(folder);
    w.dataFile = QDir(folder).filePath(fingerprint);
}

void feed(const std::uint8_t *data, std::size_t size)
{
    using namespace dravenhol::morlek;
    QFile file(world().dataFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    file.close();

    metadata::FsPersister persister;
    VideoMetadata record;
    try {
        record = persister.load(fingerprint);
    } catch (const boost::exception &) {
        return; // refused cleanly
    }
    // Replayed as the panel replays it, and written back through the storage service.
    metadata::Storage storage{
        QSharedPointer<metadata::Persister>(QSharedPointer<metadata::FsPersister>::create())};
    TimingTable table;
    QObject::connect(&table, &TimingTable::dataUpdated, &storage,
                     &metadata::Storage::requestSaveData);
    table.setData(record);
    table.setSelectionTime(1234);
}

} // namespace morlek::fuzz
