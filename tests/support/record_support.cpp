#include "record_support.h"

#include <QDir>
#include <QFile>

#include <boost/exception/exception.hpp>

#include <stdexcept>

using dravenhol::morlek::VideoMetadata;

namespace morlek::test {

VideoMetadata timingRecord(const QString &hash, const QList<qint32> &marks,
                           const QStringList &paths)
{
    VideoMetadata metadata;
    metadata.set_hash(hash.toStdString());
    for (const QString &path : paths)
        metadata.add_filename(path.toStdString());
    auto *measure = metadata.add_time_sequence();
    for (const qint32 mark : marks)
        measure->add_timestamp(mark);
    return metadata;
}

QByteArray encode(const VideoMetadata &metadata)
{
    return QByteArray::fromStdString(metadata.SerializeAsString());
}

QList<qint32> marksOf(const VideoMetadata &metadata, int sequence)
{
    if (sequence < 0)
        sequence = metadata.time_sequence_size() - 1;
    QList<qint32> marks;
    if (sequence < 0 || sequence >= metadata.time_sequence_size())
        return marks;
    for (const qint32 mark : metadata.time_sequence(sequence).timestamp())
        marks << mark;
    return marks;
}

QString errorMessage(const boost::exception &error)
{
    const auto *failure = dynamic_cast<const std::runtime_error *>(&error);
    return failure ? QString::fromLatin1(failure->what()) : QStringLiteral("<not a runtime_error>");
}

QString onlyDataFile(const QString &dataDir)
{
    const QDir dir(dataDir);
    const QStringList files = dir.entryList(QDir::Files);
    return files.size() == 1 ? dir.filePath(files.first()) : QString();
}

VideoMetadata onlyStoredRecord(const QString &dataDir)
{
    VideoMetadata metadata;
    QFile file(onlyDataFile(dataDir));
    if (!file.open(QIODevice::ReadOnly))
        return metadata;
    const QByteArray bytes = file.readAll();
    if (!metadata.ParseFromArray(bytes.constData(), bytes.size()))
        metadata.Clear();
    return metadata;
}

} // namespace morlek::test
