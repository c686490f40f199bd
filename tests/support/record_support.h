#ifndef MORLEK_RECORD_SUPPORT_H
#define MORLEK_RECORD_SUPPORT_H

#include "video_metadata.pb.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace boost {
class exception;
}

namespace morlek::test {

/** A timing record of one video: its fingerprint, its file names and one time measure. */
dravenhol::morlek::VideoMetadata timingRecord(const QString &hash, const QList<qint32> &marks,
                                              const QStringList &paths = {});

/** The bytes a record is stored as. */
QByteArray encode(const dravenhol::morlek::VideoMetadata &metadata);

/** The marks of one time measure, by default the last; empty when there is no such measure. */
QList<qint32> marksOf(const dravenhol::morlek::VideoMetadata &metadata, int sequence = -1);

/** The message an error record carries, "<not a runtime_error>" when it carries none. */
QString errorMessage(const boost::exception &error);

/** The one data file in @p dataDir; empty when there is none or there are more. */
QString onlyDataFile(const QString &dataDir);

/**
 * The record in the one data file in @p dataDir; an empty record when there is no single
 * data file or it does not parse.
 */
dravenhol::morlek::VideoMetadata onlyStoredRecord(const QString &dataDir);

} // namespace morlek::test

#endif
