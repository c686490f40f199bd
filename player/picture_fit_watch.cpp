#include "picture_fit_watch.h"

namespace dravenhol::morlek::player {

bool PictureFitWatch::look(bool fits, bool moving)
{
    if (fits)
        refitsLeft_ = maxRefits;
    if (fits || moving || !misfitSeen_) {
        misfitSeen_ = !fits && !moving;
        return false;
    }
    misfitSeen_ = false;
    if (refitsLeft_ <= 0)
        return false;
    --refitsLeft_;
    return true;
}

void PictureFitWatch::resized()
{
    refitsLeft_ = maxRefits;
    misfitSeen_ = false;
}

} // namespace dravenhol::morlek::player
