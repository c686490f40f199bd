#include "storage.h"

#include "fs_persister.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QString>

#include <boost/throw_exception.hpp>

#include <stdexcept>
#include <string>
#include <utility>

namespace dravenhol::morlek::metadata {

namespace {

// Files up to five pieces long are hashed whole; larger ones by five pieces spread over the
// file, so that a fingerprint costs the same for any size of video.
constexpr qint64 pieceSize = 0x20000;
constexpr qint64 wholeFileLimit = 5 * pieceSize;

QString calcHash(const QString &filename)
{
    QFile file(filename);
    const QFileInfo info(filename);
    // A device, a pipe or a folder (/dev/zero given as a video) has no contents to fingerprint.
    if (info.exists() && !info.isFile())
        BOOST_THROW_EXCEPTION(std::runtime_error(
                "Only a video file can be timed: this is a device, a pipe or a folder"));
    if (!file.open(QIODevice::ReadOnly)) {
        // Bytes of a name that the system's language setting cannot read come back as U+FFFD,
        // and the name no longer leads to the file: the name is the problem, not the video.
        if (filename.contains(QChar::ReplacementCharacter))
            BOOST_THROW_EXCEPTION(std::runtime_error(
                    "The video's file name holds characters this system cannot read; rename "
                    "the file"));
        BOOST_THROW_EXCEPTION(std::runtime_error("Can't open video file for hash calculation"));
    }

    const qint64 size = file.size();
    if (size == 0)
        BOOST_THROW_EXCEPTION(
                std::runtime_error("I can't work with empty video files, give me some data"));
    if (file.isSequential())
        BOOST_THROW_EXCEPTION(
                std::runtime_error("This file doesn't support seeks, can't calculate hash"));

    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (size <= wholeFileLimit) {
        hash.addData(file.readAll());
    } else {
        const qint64 offsets[] = {0, size / 5, 2 * size / 5, 3 * size / 5, size - pieceSize};
        bool first = true;
        for (const qint64 offset : offsets) {
            if (!first)
                file.seek(offset);
            first = false;
            hash.addData(file.read(pieceSize));
        }
    }
    return QString::fromLatin1(hash.result().toHex());
}

QByteArray bytesOf(const VideoMetadata &metadata)
{
    std::string bytes;
    // Deterministic, so that the same record always gives the same bytes.
    metadata.SerializeToString(&bytes);
    return QByteArray(bytes.data(), static_cast<int>(bytes.size()));
}

} // namespace

Storage::Storage(QSharedPointer<Persister> persister, QObject *parent)
    : QObject(parent)
    , persister_(std::move(persister))
{
}

Storage::~Storage() = default;

void Storage::holdRecord(const QString &hash)
{
    if (lock_ && lockedHash_ == hash)
        return;
    lock_.reset();
    lockedHash_.clear();
    // The locks live with the user's session, not in the records' folder, which a load must
    // leave untouched.
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/morlek");
    if (!QDir().mkpath(folder))
        return;
    auto lock = std::make_unique<QLockFile>(folder + QLatin1Char('/') + hash + QStringLiteral(".lock"));
    // Only a lock whose process has ended is taken over, however old it is.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError)
            BOOST_THROW_EXCEPTION(std::runtime_error(
                    "The timings of this video are open in another window; close it there first"));
        // A lock that cannot be made at all (no session folder) guards nothing, and must not
        // keep the user from his timings.
        return;
    }
    lock_ = std::move(lock);
    lockedHash_ = hash;
}

// Both requests work on copies of their arguments: the caller's objects may change while the
// signals are being received (a failure report may reset the table that owns the record).
void Storage::requestLoadData(const QString &filename)
{
    const QString path = filename;
    try {
        const QString hash = calcHash(path);
        holdRecord(hash);
        VideoMetadata metadata = persister_->load(hash);
        // A new video has no record on disk yet; its first save is always written.
        if (metadata.filename_size() > 0 || metadata.time_sequence_size() > 0)
            stored_.insert(hash, bytesOf(metadata));
        const QByteArray utf8 = path.toUtf8();
        const std::string entry(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        bool known = false;
        for (int i = 0; i < metadata.filename_size() && !known; ++i)
            known = metadata.filename(i) == entry;
        if (!known)
            metadata.add_filename(entry);
        emit dataLoaded(metadata);
    } catch (const boost::exception &error) {
        emit dataLoadFailed(path, error);
    }
}

void Storage::requestSaveData(const VideoMetadata &metadata)
{
    const VideoMetadata record = metadata;
    try {
        const QString hash = QString::fromStdString(record.hash());
        const QByteArray bytes = bytesOf(record);
        const auto known = stored_.constFind(hash);
        if (known == stored_.constEnd() || *known != bytes) {
            persister_->save(record);
            stored_.insert(hash, bytes);
        }
        emit dataSaved(record);
    } catch (const boost::exception &error) {
        emit dataSaveFailed(record, error);
    }
}

} // namespace dravenhol::morlek::metadata
