#ifndef MORLEK_MEDIA_VIDEO_WIDGET_H
#define MORLEK_MEDIA_VIDEO_WIDGET_H

#include <QAction>
#include <QBasicTimer>

#include <phonon/VideoWidget>

class MediaPlayer;

/**
 * The surface the video is shown on, with the player's gestures: a click or Space toggles
 * playback, a double click or Alt+Return toggles full screen, Escape leaves it, the cursor
 * hides after a second without movement in full screen, and dropped files are opened.
 */
class MediaVideoWidget : public Phonon::VideoWidget
{
public:
    /** player receives the gestures; it is not owned. */
    explicit MediaVideoWidget(MediaPlayer *player, QWidget *parent = nullptr);
    ~MediaVideoWidget() override;

    /** The checkable action that carries the full-screen shortcut. */
    QAction *fullScreenAction() { return &action_; }

protected:
    bool event(QEvent *e) override;
    void timerEvent(QTimerEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    MediaPlayer *const player_;
    QBasicTimer timer_;
    QBasicTimer exposeTimer_;
    QAction action_;
};

#endif
