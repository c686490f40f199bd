#ifndef MORLEK_METADATA_STORAGE_H
#define MORLEK_METADATA_STORAGE_H

#include "video_metadata.pb.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSharedPointer>

#include <memory>

#include <boost/exception/exception.hpp>

class QLockFile;
class QString;

namespace dravenhol::morlek::metadata {

class Persister;

/**
 * Loads the timing record of a video file and saves records, through a persister.
 *
 * Every request runs to its end inside the slot call and answers with one signal. The failure
 * signals carry the error by reference: it is valid only during the emission, and its message
 * is read with dynamic_cast to std::runtime_error and what(). All connections must be direct.
 */
class Storage : public QObject
{
    Q_OBJECT
public:
    explicit Storage(QSharedPointer<Persister> persister, QObject *parent = nullptr);
    ~Storage() override;

signals:
    /** A load succeeded: the record of the video, its path included. */
    void dataLoaded(const dravenhol::morlek::VideoMetadata &metadata);
    /** A save succeeded. */
    void dataSaved(const dravenhol::morlek::VideoMetadata &metadata);
    /** Loading the record of the video at @p filename failed. */
    void dataLoadFailed(const QString &filename, const boost::exception &error);
    /** Saving @p metadata failed; the stored record is unchanged. */
    void dataSaveFailed(const dravenhol::morlek::VideoMetadata &metadata,
                        const boost::exception &error);

public slots:
    /**
     * Fingerprints the video at @p filename, loads its record and adds the path to the
     * record's path list if the list lacks it. Nothing is written to the record. The record
     * is held for this storage until another is loaded: a load of a record that another
     * storage (another window, another process) holds fails.
     */
    void requestLoadData(const QString &filename);
    /**
     * Saves @p metadata, unless it is the very record last loaded or saved for its video:
     * then nothing is written (a load that changes nothing must not rewrite the file).
     */
    void requestSaveData(const dravenhol::morlek::VideoMetadata &metadata);

private:
    void holdRecord(const QString &hash);

    QSharedPointer<Persister> persister_;
    // The record open here: no other window may open it meanwhile, or the last one to save
    // would silently drop the other's marks.
    std::unique_ptr<QLockFile> lock_;
    QString lockedHash_;
    // The stored bytes of the record last loaded or saved, by fingerprint.
    QHash<QString, QByteArray> stored_;
};

} // namespace dravenhol::morlek::metadata

#endif
