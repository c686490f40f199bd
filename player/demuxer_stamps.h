#ifndef MORLEK_DEMUXER_STAMPS_H
#define MORLEK_DEMUXER_STAMPS_H

// GStreamer's own declaration, repeated so that users of this header need no GStreamer headers.
typedef struct _GstElement GstElement;

namespace dravenhol::morlek::player {

/**
 * Puts right what two of GStreamer's demuxers (1.22 to 1.26) tell of the stamps, so that a
 * frame is told by the same time whether a seek brought it or not.
 *
 * Matroska (MKV, WebM): before the first seek, the demuxer counts the stream's time from
 * the first frame's stamp (a frame stamped 23 ms, behind an AAC sound's priming, is told at
 * 0), while every seek counts it from the file's zero (the same frame at 23 ms, as the file
 * and ffprobe stamp it). The first segment is made to count as the seeks' do.
 *
 * MP4: puts right the stamps of the first fragment of a fragmented MP4 after a seek into it.
 * Screen recorders write MP4 in fragments, each with the decoding time of its first frame.
 * The first fragment's is 0, which GStreamer's MP4 demuxer (1.22 to 1.26) takes for "none"
 * after a seek: it then stamps the fragment from the seek table's time of its first frame,
 * a presentation time, so that with B-frames every frame of it comes stamped a few frames
 * late (frame 0 as frame 2 at 30 fps), and a seek there shows a frame too early under the
 * stamp of the one wanted. The demuxer's video stamps are watched from the start of the
 * file: after a seek whose first frame comes with its decoding time equal to the first
 * frame's presentation time, the difference is taken off until the next fragment, whose
 * own decoding time is told.
 *
 * Watches the demuxers made in @p pipeline from now on; the pipeline keeps the watch.
 */
void mendDemuxerStamps(GstElement *pipeline);

} // namespace dravenhol::morlek::player

#endif
