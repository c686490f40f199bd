#ifndef MORLEK_KEPT_PICTURE_VIEW_H
#define MORLEK_KEPT_PICTURE_VIEW_H

#include <QImage>
#include <QWidget>

/**
 * A picture kept from earlier, drawn over the video surface in place of the back-end's own,
 * fitted as the back-end fits its pictures: the whole picture, its shape kept, centred on
 * black. A window of its own, so that the video sink's drawing stays beneath it. Clicks and
 * drops go on to the surface.
 */
class KeptPictureView : public QWidget
{
    Q_OBJECT
public:
    /** A view over @p surface, hidden until a picture is shown; it follows the surface's size. */
    explicit KeptPictureView(QWidget *surface);

    /** Shows @p picture over the surface at once. */
    void showPicture(const QImage &picture);
    /** Hides the picture: the surface's own shows again. */
    void hidePicture();

    /** Where a picture of @p pictureSize lies in an area of @p area, as the sink puts it. */
    static QRect fittedRect(const QSize &pictureSize, const QRect &area);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QImage picture_;
};

#endif
