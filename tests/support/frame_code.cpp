#include "frame_code.h"

#include <QImage>
#include <QtMath>

namespace morlek::test {

namespace {

constexpr int gridSide = 4;
constexpr int indexBits = 12;

int checkNibble(int index)
{
    return ((index & 0xF) + ((index >> 4) & 0xF) + ((index >> 8) & 0xF)) & 0xF;
}

// Mean luminance of the central half of one block; the block edges blur under compression.
int blockLuma(const QImage &image, int column, int row)
{
    const qreal w = qreal(image.width()) / gridSide;
    const qreal h = qreal(image.height()) / gridSide;
    const int x0 = qFloor(column * w + w / 4), x1 = qFloor(column * w + 3 * w / 4);
    const int y0 = qFloor(row * h + h / 4), y1 = qFloor(row * h + 3 * h / 4);
    qint64 sum = 0;
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            sum += qGray(image.pixel(x, y));
            ++count;
        }
    }
    return count ? int(sum / count) : -1;
}

} // namespace

QString frameCodeFilter()
{
    const QString cell = QStringLiteral("(floor(Y*4/H)*4+floor(X*4/W))");
    const QString check =
        QStringLiteral("mod(mod(N,16)+mod(floor(N/16),16)+mod(floor(N/256),16),16)");
    return QStringLiteral("geq=lum='255*if(lt(%1,%2),mod(floor(N/pow(2,%1)),2),"
                          "mod(floor(%3/pow(2,%1-%2)),2))':cb=128:cr=128,format=yuv420p")
        .arg(cell)
        .arg(indexBits)
        .arg(check);
}

int decodeFrameCode(const QImage &picture)
{
    if (picture.width() < gridSide * 2 || picture.height() < gridSide * 2)
        return -1;
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    int bits = 0;
    for (int cell = 0; cell < gridSide * gridSide; ++cell) {
        const int luma = blockLuma(image, cell % gridSide, cell / gridSide);
        // A block between black and white is a picture in transition, not a code.
        if (luma > 160)
            bits |= 1 << cell;
        else if (luma >= 96)
            return -1;
    }
    const int index = bits & ((1 << indexBits) - 1);
    return (bits >> indexBits) == checkNibble(index) ? index : -1;
}

QRect fittedPictureRect(const QSize &area, const QSize &video)
{
    if (video.isEmpty() || area.isEmpty())
        return {};
    const QSize scaled = video.scaled(area, Qt::KeepAspectRatio);
    return QRect(QPoint((area.width() - scaled.width()) / 2, (area.height() - scaled.height()) / 2),
                 scaled);
}

} // namespace morlek::test
