// Turns the Markdown manual and its pictures into a PDF with Qt's own text layout, so that
// building the manual needs nothing besides Qt.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <cstdio>

namespace {

// Screenshots are wider than a page: every picture is shrunk to the text width.
void fitImages(QTextDocument &document, qreal maxWidth)
{
    const QUrl base = document.baseUrl();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            if (!format.isValid())
                continue;
            const QString file = base.resolved(QUrl(format.name())).toLocalFile();
            const QImage image(file);
            if (image.isNull()) {
                std::fprintf(stderr, "manual_pdf: picture %s cannot be read\n",
                             qPrintable(format.name()));
                ::exit(1);
            }
            // The printed copy of the document does not keep the base URL: an absolute name.
            format.setName(file);
            const qreal width = qMin<qreal>(maxWidth, image.width());
            format.setWidth(width);
            format.setHeight(width * image.height() / image.width());
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: manual_pdf <manual.md> <manual.pdf>\n");
        return 2;
    }
    QFile source(args.at(1));
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "manual_pdf: %s cannot be read\n", qPrintable(args.at(1)));
        return 1;
    }

    QPdfWriter writer(args.at(2));
    writer.setTitle(QStringLiteral("Morlek user manual"));
    writer.setCreator(QStringLiteral("Morlek"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter));

    QTextDocument document;
    document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(args.at(1)).absolutePath() + QLatin1Char('/')));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10); // layout units are points here
    document.setDefaultFont(font);
    document.setMarkdown(QString::fromUtf8(source.readAll()));
    // Laid out on the page's text area in points; print() scales that to the page.
    const QSizeF page = writer.pageLayout().paintRect(QPageLayout::Point).size();
    document.setPageSize(page);
    fitImages(document, page.width() - 2 * document.documentMargin());
    document.print(&writer);
    return 0;
}
