#include "gapless_wait_guard.h"

#include <gst/gst.h>

namespace dravenhol::morlek::player {

GaplessWaitGuard::GaplessWaitGuard(GstElement *pipeline)
{
    if (!pipeline)
        return;
    signal_ = g_signal_lookup("about-to-finish", G_OBJECT_TYPE(pipeline));
    if (!signal_)
        return;
    pipeline_ = static_cast<GstElement *>(gst_object_ref(pipeline));
    setBlocked(true);
}

GaplessWaitGuard::~GaplessWaitGuard()
{
    if (!pipeline_)
        return;
    setBlocked(false);
    gst_object_unref(pipeline_);
}

void GaplessWaitGuard::setQueueEmpty(bool empty)
{
    setBlocked(empty);
}

void GaplessWaitGuard::setBlocked(bool blocked)
{
    if (!pipeline_ || blocked == blocked_)
        return;
    // GLib's handler blocking is safe against the signal being emitted in another thread.
    if (blocked)
        g_signal_handlers_block_matched(pipeline_, G_SIGNAL_MATCH_ID, signal_, 0, nullptr,
                                        nullptr, nullptr);
    else
        g_signal_handlers_unblock_matched(pipeline_, G_SIGNAL_MATCH_ID, signal_, 0, nullptr,
                                          nullptr, nullptr);
    blocked_ = blocked;
}

} // namespace dravenhol::morlek::player
