#ifndef MORLEK_PICTURE_FIT_WATCH_H
#define MORLEK_PICTURE_FIT_WATCH_H

namespace dravenhol::morlek::player {

/**
 * Decides when a picture that the video sink draws at another size than its surface asks for
 * is refitted (and, paused, made again). A resize brings its own redraw a moment later, so
 * only a misfit that outlasts a whole look is mended here, and a few times at most until the
 * picture fits again: a size the pipeline cannot make must not seek for ever.
 */
class PictureFitWatch
{
public:
    static constexpr int maxRefits = 3;

    /**
     * One look at the picture: whether it fits the surface, and whether a move of the
     * picture is under way (its picture is still to come). True: refit it now.
     */
    bool look(bool fits, bool moving);
    /** The surface was resized and its own redraw is on its way: the tries start again. */
    void resized();

private:
    int refitsLeft_ = maxRefits;
    bool misfitSeen_ = false;
};

} // namespace dravenhol::morlek::player

#endif
