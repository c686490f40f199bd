#ifndef MORLEK_METADATA_FS_PERSISTER_H
#define MORLEK_METADATA_FS_PERSISTER_H

#include "video_metadata.pb.h"

class QString;

namespace dravenhol::morlek::metadata {

/**
 * Loads and saves timing records by fingerprint.
 *
 * Failures are thrown as a std::runtime_error raised with BOOST_THROW_EXCEPTION, so that the
 * thrown object is also a boost::exception.
 */
class Persister
{
public:
    virtual ~Persister();

    /** The stored record of the fingerprint @p hash, or a new record holding only @p hash. */
    virtual VideoMetadata load(const QString &hash) = 0;
    /** Stores @p metadata under its own hash, replacing what was stored before. */
    virtual void save(const VideoMetadata &metadata) = 0;
};

/**
 * Stores every record in a file of its own in "morlek/metadata" under the home folder,
 * named by the record's hash, with no extension.
 *
 * A save replaces the file atomically: the file always holds either the old record or the new
 * one, whatever happens to the process or the disk during the write.
 */
class FsPersister : public Persister
{
public:
    /** The folder of the records: "morlek/metadata" in the user's home (from the user
     *  database when HOME is not set). */
    static QString dataFolder();

    VideoMetadata load(const QString &hash) override;
    void save(const VideoMetadata &metadata) override;
};

} // namespace dravenhol::morlek::metadata

#endif
