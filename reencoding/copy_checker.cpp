#include "copy_checker.h"

#include <QtMath>

namespace morlek::reencoding {

namespace {

// Room for the rounding of the times that the tools print.
constexpr double slack = 0.002;

QString secondsText(double value)
{
    return QString::number(value, 'f', 3);
}

} // namespace

CopyChecker::CopyChecker(QObject *parent)
    : QObject(parent)
{
    connect(&probe_, &MediaProbe::probed, this, [this](const MediaFacts &facts) {
        if (probingInput_)
            inputProbed(facts);
        else
            copyProbed(facts);
    });
    connect(&probe_, &MediaProbe::failed, this, [this](QString reason) {
        // ffprobe starts its complaint with the file name, which the user knows already.
        const QString file = probingInput_ ? inputFile_ : copy_;
        if (reason.startsWith(file + QStringLiteral(": ")))
            reason.remove(0, file.size() + 2);
        emit failed(probingInput_ ? tr("The input cannot be read: %1").arg(reason)
                                  : tr("The copy cannot be read: %1").arg(reason));
    });
}

void CopyChecker::check(const QString &input, const QString &copy)
{
    inputFile_ = input;
    copy_ = copy;
    probingInput_ = true;
    probe_.probe(input, false);
}

void CopyChecker::abort()
{
    probe_.abort();
}

void CopyChecker::inputProbed(const MediaFacts &facts)
{
    input_ = facts;
    probingInput_ = false;
    probe_.probe(copy_, true);
}

void CopyChecker::copyProbed(const MediaFacts &facts)
{
    const QString reason = judge(input_, facts);
    if (reason.isEmpty())
        emit passed();
    else
        emit failed(reason);
}

QString CopyChecker::judge(const MediaFacts &input, const MediaFacts &copy)
{
    const StreamFacts *inVideo = input.first(QStringLiteral("video"));
    const StreamFacts *outVideo = copy.first(QStringLiteral("video"));
    if (!inVideo || !inVideo->rate.isValid() || input.lengthOf(*inVideo) <= 0)
        return tr("The input holds no video of known rate and length.");
    if (!outVideo)
        return tr("The copy holds no video.");

    const double inLength = input.lengthOf(*inVideo);
    const double frame = 1.0 / inVideo->rate.doubled().fps();
    const int wanted = qRound(inLength * inVideo->rate.doubled().fps());
    if (qAbs(outVideo->filledPackets - wanted) > 1)
        return tr("The copy holds %1 frames instead of %2.").arg(outVideo->filledPackets).arg(wanted);

    const double outLength = copy.lengthOf(*outVideo);
    if (qAbs(outLength - inLength) > frame + slack)
        return tr("The copy's video lasts %1 s instead of %2 s.")
                .arg(secondsText(outLength), secondsText(inLength));

    const StreamFacts *inAudio = input.first(QStringLiteral("audio"));
    if (!inAudio)
        return {};
    const StreamFacts *outAudio = copy.first(QStringLiteral("audio"));
    if (!outAudio || outAudio->packetTime <= 0)
        return tr("The copy has lost the sound.");
    // Sound comes in blocks that may be longer than a frame.
    const double soundSlack = qMax(frame, outAudio->longestPacket) + slack;
    const double inSound = input.lengthOf(*inAudio);
    if (qAbs(outAudio->packetTime - inSound) > soundSlack)
        return tr("The copy's sound lasts %1 s instead of %2 s.")
                .arg(secondsText(outAudio->packetTime), secondsText(inSound));
    return {};
}

} // namespace morlek::reencoding
