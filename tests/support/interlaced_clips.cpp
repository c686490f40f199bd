#include "interlaced_clips.h"

#include "test_support.h"

#include <QStringList>

#include <algorithm>
#include <limits>

namespace morlek::test {

namespace {

QStringList words(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Rows of "a,b" numbers from ffprobe's csv output; blank lines (side data) are skipped.
QList<QPair<double, double>> numberPairs(const QByteArray &csv)
{
    QList<QPair<double, double>> pairs;
    for (const QByteArray &line : csv.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        bool ok = false;
        const double first = fields.value(0).toDouble(&ok);
        if (ok && fields.size() >= 2)
            pairs.append({first, fields.at(1).toDouble()});
    }
    return pairs;
}

// Last end minus first start: MPEG-PS starts its clock near half a second.
// Reads compact lines "key=value|key=value": each frame's start and length. ffmpeg 5.1 calls
// a frame's length pkt_duration_time, later versions duration_time; each is asked for both.
QList<QPair<double, double>> framePairs(const QByteArray &compact)
{
    QList<QPair<double, double>> pairs;
    for (const QByteArray &line : compact.split('\n')) {
        double start = -1, length = -1;
        for (const QByteArray &field : line.trimmed().split('|')) {
            const int eq = field.indexOf('=');
            const QByteArray key = field.left(eq);
            bool ok = false;
            const double value = field.mid(eq + 1).toDouble(&ok);
            if (!ok)
                continue;
            if (key == "best_effort_timestamp_time")
                start = value;
            else if (key == "duration_time" || key == "pkt_duration_time")
                length = value;
        }
        if (start >= 0 && length >= 0)
            pairs.append({start, length});
    }
    return pairs;
}

double span(const QList<QPair<double, double>> &startsAndDurations)
{
    double first = std::numeric_limits<double>::max();
    double last = 0;
    for (const auto &pair : startsAndDurations) {
        first = std::min(first, pair.first);
        last = std::max(last, pair.first + pair.second);
    }
    return startsAndDurations.isEmpty() ? 0 : last - first;
}

ProgramResult probe(const QString &arguments, const QString &path)
{
    return runProgram(QStringLiteral("ffprobe"),
                      words(QStringLiteral("-v error ") + arguments) << path);
}

} // namespace

bool makeInterlacedClip(InterlacedClip kind, const QString &path, double seconds, QString *error)
{
    const QString length = QString::number(seconds);
    const QString sound = QStringLiteral(" -f lavfi -i sine=frequency=440:sample_rate=48000 -t ")
                          + length;
    const QString weave = QStringLiteral(" -vf tinterlace=mode=interleave_top,setfield=tff ");
    const QString args = kind == InterlacedClip::PalDv
            ? QStringLiteral("-f lavfi -i testsrc2=s=720x576:r=50") + sound + weave
                      + QStringLiteral("-c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -r 25")
            : QStringLiteral("-f lavfi -i testsrc2=s=720x480:r=60000/1001") + sound + weave
                      + QStringLiteral("-c:v mpeg2video -flags +ilme+ildct -b:v 8M -c:a mp2 "
                                       "-r 30000/1001");
    return makeVideo(path, words(args), error);
}

ClipMeasure measureClip(const QString &path)
{
    ClipMeasure measure;
    const ProgramResult count = probe(
            QStringLiteral("-count_frames -select_streams v:0 "
                           "-show_entries stream=nb_read_frames,r_frame_rate -of csv=p=0"),
            path);
    const ProgramResult pictures = probe(
            QStringLiteral("-select_streams v:0 "
                           "-show_entries frame=best_effort_timestamp_time,duration_time,pkt_duration_time "
                           "-of compact=p=0"),
            path);
    const ProgramResult sound = probe(
            QStringLiteral("-select_streams a:0 -show_entries packet=pts_time,duration_time "
                           "-of csv=p=0"),
            path);
    for (const ProgramResult *result : {&count, &pictures, &sound}) {
        if (!result->ok()) {
            measure.problem = QString::fromUtf8(result->output);
            return measure;
        }
    }
    // "r_frame_rate,nb_read_frames"
    const QStringList fields = QString::fromUtf8(count.output).trimmed().split(QLatin1Char(','));
    measure.rate = fields.value(0);
    measure.frames = fields.value(1).toInt();
    measure.videoLength = span(framePairs(pictures.output));
    measure.soundLength = span(numberPairs(sound.output));
    measure.ok = measure.frames > 0;
    return measure;
}

int repeatedPictures(const QString &path)
{
    // The mean difference of each picture from the one before: zero for a repeat; two fields
    // of moving test pictures differ by more than one level on average.
    const ProgramResult result = runProgram(
            QStringLiteral("ffmpeg"),
            words(QStringLiteral("-nostdin -v error -i")) << path
                    << words(QStringLiteral(
                               "-map 0:v:0 -vf tblend=all_mode=difference,signalstats,"
                               "metadata=print:key=lavfi.signalstats.YAVG:file=- -f null -")));
    if (!result.ok())
        return -1;
    int repeats = 0;
    int pairs = 0;
    for (const QByteArray &line : result.output.split('\n')) {
        const int at = line.indexOf("YAVG=");
        if (at < 0)
            continue;
        ++pairs;
        if (line.mid(at + 5).toDouble() < 0.3)
            ++repeats;
    }
    return pairs > 0 ? repeats : -1;
}

} // namespace morlek::test
