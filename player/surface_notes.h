#ifndef MORLEK_SURFACE_NOTES_H
#define MORLEK_SURFACE_NOTES_H

#include <QObject>
#include <QString>
#include <QTimer>

class QLabel;
class QWidget;

/**
 * Short texts over the picture while it fills the screen, where the timing table cannot be
 * seen: the confirmation of each recorded time, gone after a moment, and, when asked for, the
 * time of the paused picture in a corner.
 */
class SurfaceNotes : public QObject
{
    Q_OBJECT
public:
    /** Notes over @p surface; they are its children and show only while it is full screen. */
    explicit SurfaceNotes(QWidget *surface);

    /** Shows @p text low in the middle of the picture for a moment. */
    void confirm(const QString &text);
    /** The text of the corner; shown while paused and asked for, never while playing. */
    void setCorner(const QString &text, bool paused);
    /** Shows or hides the corner on request (its key toggles it). */
    void toggleCorner();
    /** Hides every note: the surface left full screen. */
    void hideAll();

    /** The confirmation's label, for tests. */
    QLabel *confirmation() const { return confirmation_; }
    QLabel *corner() const { return corner_; }

private:
    QLabel *makeLabel(int pointSize);
    bool fullScreen() const;
    void placeCorner();

    QWidget *const surface_;
    QLabel *confirmation_ = nullptr;
    QLabel *corner_ = nullptr;
    QTimer confirmationTime_;
    bool cornerWanted_ = false;
    bool paused_ = false;
};

#endif
