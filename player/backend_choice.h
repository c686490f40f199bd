#ifndef MORLEK_BACKEND_CHOICE_H
#define MORLEK_BACKEND_CHOICE_H

namespace Phonon {
class MediaObject;
class MediaObjectInterface;
} // namespace Phonon

namespace dravenhol::morlek::player {

/**
 * Makes Phonon use its GStreamer back-end unless the environment already names one.
 * Call it before the application object exists: Phonon reads the choice once.
 */
void chooseMediaBackend();

/**
 * The back-end object behind a media object, or null before the media graph exists.
 * It knows a failed load's error, which the media object only passes on in its error state.
 */
Phonon::MediaObjectInterface *backendOf(const Phonon::MediaObject *media);

} // namespace dravenhol::morlek::player

#endif
