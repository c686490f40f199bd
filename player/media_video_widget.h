#ifndef MORLEK_MEDIA_VIDEO_WIDGET_H
#define MORLEK_MEDIA_VIDEO_WIDGET_H

#include <QAction>
#include <QBasicTimer>
#include <QList>
#include <QUrl>

#include <phonon/VideoWidget>

class SurfaceNotes;

/**
 * The surface the video is shown on, with the player's gestures: a click or Space toggles
 * playback, a double click or Alt+Return toggles full screen, Escape leaves it, the cursor
 * hides after a second without movement in full screen, and dropped files are opened. In
 * full screen it shows notes over the picture; I toggles the time of the paused picture.
 */
class MediaVideoWidget : public Phonon::VideoWidget
{
    Q_OBJECT
public:
    explicit MediaVideoWidget(QWidget *parent = nullptr);
    ~MediaVideoWidget() override;

    /** The checkable action that carries the full-screen shortcut. */
    QAction *fullScreenAction() { return &action_; }
    /** The action that shows or hides the time in the corner of the picture (I). */
    QAction *cornerAction() { return &cornerAction_; }
    /** The key that toggles playback here when no shortcut takes it (Space at first). */
    void setPlayPauseKey(const QKeySequence &key) { playPauseKey_ = key; }
    /** The size the video is meant to be seen at; the window fits itself to it. */
    void setNaturalSize(const QSize &size);
    QSize sizeHint() const override;
    /** The notes shown over the picture in full screen. */
    SurfaceNotes *notes() const { return notes_; }

signals:
    /** A click or Space: playback should start or pause. */
    void playPauseRequested();
    /** Files or a folder were dropped on the surface. */
    void filesDropped(const QList<QUrl> &urls);
    /** The surface has settled at a new size: the paused picture should be shown again. */
    void resized();

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
    QBasicTimer timer_;
    QBasicTimer exposeTimer_;
    QAction action_;
    QAction cornerAction_;
    SurfaceNotes *notes_ = nullptr;
    QSize naturalSize_;
    QKeySequence playPauseKey_{Qt::Key_Space};
};

#endif
