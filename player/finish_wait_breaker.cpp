#include "finish_wait_breaker.h"

#include "backend_choice.h"

#include <phonon/MediaObject>
#include <phonon/MediaObjectInterface>

#include <QDateTime>

namespace {

// The back-end waits at most 1.5 s after each question; watch a little longer.
constexpr qint64 watchMs = 1700;
// A GUI thread that has not run a queued call for this long is stuck.
constexpr int stuckMs = 40;

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

FinishWaitBreaker::FinishWaitBreaker(Phonon::MediaObject *media, QObject *parent)
    : QObject(parent)
{
    Phonon::MediaObjectInterface *backend = dravenhol::morlek::player::backendOf(media);
    auto *object = dynamic_cast<QObject *>(backend);
    if (!object || !object->inherits("Phonon::Gstreamer::MediaObject"))
        return;
    backend_ = backend;
    backendObject_ = object;
    worker_.moveToThread(&thread_);
    thread_.setObjectName(QStringLiteral("finish wait breaker"));
    thread_.start();
    // The back-end's class is not in any header, so its signal can only be named as text;
    // the call must be direct because the streaming thread emits it.
    connect(backendObject_, SIGNAL(aboutToFinish()), this, SLOT(backendAboutToFinish()),
            Qt::DirectConnection);
}

FinishWaitBreaker::~FinishWaitBreaker()
{
    closing_ = true;
    if (backendObject_)
        disconnect(backendObject_, nullptr, this, nullptr);
    thread_.quit();
    thread_.wait();
}

void FinishWaitBreaker::backendAboutToFinish()
{
    if (closing_ || !queueEmpty_)
        return;
    watchUntil_ = nowMs() + watchMs;
    if (!watching_.exchange(true))
        QMetaObject::invokeMethod(&worker_, [this] { watch(); }, Qt::QueuedConnection);
}

void FinishWaitBreaker::watch()
{
    while (!closing_) {
        if (nowMs() >= watchUntil_) {
            watching_ = false;
            // A question that came while the flag was being cleared starts the watch again.
            if (nowMs() >= watchUntil_ || watching_.exchange(true))
                return;
        }
        if (queueEmpty_ && !guiAnswers(stuckMs)) {
            requestCurrentState();
            // Once the GUI thread is free again, the watch goes on as before.
            while (!closing_ && !guiAnswers(stuckMs)) {
            }
        }
        QThread::msleep(10);
    }
    watching_ = false;
}

bool FinishWaitBreaker::guiAnswers(int withinMs)
{
    const int ping = ++pings_;
    QMetaObject::invokeMethod(this, [this, ping] { pongs_ = ping; }, Qt::QueuedConnection);
    const qint64 until = nowMs() + withinMs;
    while (pongs_ < ping) {
        if (closing_ || nowMs() >= until)
            return false;
        QThread::msleep(2);
    }
    return true;
}

void FinishWaitBreaker::requestCurrentState()
{
    // The GUI thread is stuck, so nothing can change the state meanwhile: asking for the
    // state the back-end is in only ends its wait.
    switch (backend_->state()) {
    case Phonon::PausedState:
        backend_->pause();
        break;
    case Phonon::PlayingState:
        backend_->play();
        break;
    default:
        return;
    }
    ++answered_;
}
