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
    refresh();
}

GaplessWaitGuard::~GaplessWaitGuard()
{
    if (!pipeline_)
        return;
    for (const gulong handler : qAsConst(blocked_)) {
        if (g_signal_handler_is_connected(pipeline_, handler))
            g_signal_handler_unblock(pipeline_, handler);
    }
    gst_object_unref(pipeline_);
}

void GaplessWaitGuard::refresh()
{
    if (!pipeline_)
        return;
    // The back-end may connect its handler late: each one found is blocked once. GLib's
    // handler blocking is safe against the signal being emitted in another thread.
    for (;;) {
        const gulong handler = g_signal_handler_find(
            pipeline_, GSignalMatchType(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_UNBLOCKED), signal_,
            0, nullptr, nullptr, nullptr);
        if (!handler)
            break;
        g_signal_handler_block(pipeline_, handler);
        blocked_.append(handler);
    }
}

} // namespace dravenhol::morlek::player
