#ifndef MORLEK_MEDIA_PROBE_H
#define MORLEK_MEDIA_PROBE_H

#include "encoder_tools.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <QProcess>

namespace morlek::reencoding {

/** What ffprobe tells about one stream of a file. */
struct StreamFacts
{
    int index = -1;
    QString type; // "video", "audio", ...
    FrameRate rate;
    double duration = -1; // seconds, -1 when the container does not say
    int filledPackets = 0; // packets that carry data (AVI pads a constant rate with empty ones)
    double packetTime = 0; // sum of the packets' durations, seconds
    double longestPacket = 0;
};

/** What ffprobe tells about a file: its streams and, if asked, their packets summed up. */
struct MediaFacts
{
    double formatDuration = -1;
    QVector<StreamFacts> streams;

    /** The first stream of @p type, or null. */
    const StreamFacts *first(const QString &type) const;
    /** The length of @p stream: its own duration, else the file's. */
    double lengthOf(const StreamFacts &stream) const;
    /** Parses ffprobe's "compact" output with keys. */
    static MediaFacts parse(const QByteArray &compact);
};

/**
 * Runs ffprobe on one file without blocking: probed() or failed() follows probe().
 */
class MediaProbe : public QObject
{
    Q_OBJECT
public:
    explicit MediaProbe(QObject *parent = nullptr);
    ~MediaProbe() override;

    /** Starts probing @p file, abandoning an earlier probe; @p packets also sums its packets. */
    void probe(const QString &file, bool packets);
    /** Stops a probe in progress; it then reports nothing. */
    void abort();
    bool isRunning() const { return process_ != nullptr; }

signals:
    void probed(const morlek::reencoding::MediaFacts &facts);
    void failed(const QString &reason);

private:
    void processEnded(int exitCode);

    QPointer<QProcess> process_;
    QByteArray output_;
};

} // namespace morlek::reencoding

#endif
