#include "backend_choice.h"

#include <phonon/MediaObject>
#include <phonon/MediaObjectInterface>

#include <QtGlobal>

namespace dravenhol::morlek::player {

void chooseMediaBackend()
{
    // Other back-ends show a frame other than the one asked for after a paused seek, and
    // report a current time that does not match the picture; frame stepping needs this one.
    if (qEnvironmentVariableIsEmpty("PHONON_BACKEND"))
        qputenv("PHONON_BACKEND", "phonon_gstreamer");
}

Phonon::MediaObjectInterface *backendOf(const Phonon::MediaObject *media)
{
    const auto children = media->findChildren<QObject *>(QString(), Qt::FindDirectChildrenOnly);
    for (QObject *child : children) {
        if (auto *backend = qobject_cast<Phonon::MediaObjectInterface *>(child))
            return backend;
    }
    return nullptr;
}

} // namespace dravenhol::morlek::player
