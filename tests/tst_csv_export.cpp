#include "file_support.h"
#include "panel_fixture.h"
#include "record_support.h"
#include "test_support.h"
#include "time_format.h"
#include "timer_widget.h"
#include "timing_table.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#include <sys/resource.h>

using dravenhol::morlek::VideoMetadata;
using morlek::test::ModalAnswerer;
using morlek::test::PanelFixture;

namespace {

VideoMetadata record(const QList<qint32> &marks)
{
    return morlek::test::timingRecord(QStringLiteral("0123456789abcdef0123456789abcdef01234567"),
                                      marks);
}

/**
 * The file at @p path as Python's csv module reads it (UTF-8), turned by @p expression over
 * its list of rows ("rows") into JSON; @p error says why when it could not be read.
 */
QJsonArray readCsvWithPython(const QString &python, const QString &path, const QString &expression,
                             QString *error)
{
    const auto result = morlek::test::runProgram(
        python, {QStringLiteral("-c"),
                 QStringLiteral("import csv, json, sys\n"
                                "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                "    rows = list(csv.reader(f))\n"
                                "print(json.dumps(%1))\n")
                     .arg(expression),
                 path});
    if (!result.ok())
        *error = QString::fromLocal8Bit(result.output);
    return QJsonDocument::fromJson(result.output).array();
}

const QString header = QStringLiteral("\"Start time\",\"End time\",\"Duration\",\"Sum\",\n");
const QString openRow = QStringLiteral("\"'\",\"'\",\"'\",\"'\",\n");

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void modelToCsvBytes_data();
    void modelToCsvBytes();
    void linesAndFields_data();
    void linesAndFields();
    void exportWritesFile();
    void exportReplacesExistingFile();
    void failedWriteKeepsExistingFile();
    void cancelledDialogWritesNothing();
    void missingFolderIsReported();
    void dialogStartsInOpenFolder();
    void pythonCsvReadsExport();
    void elementsCsvBytes_data();
    void elementsCsvBytes();
    void spreadsheetExportReadsAsNumbers();

private:
    TimingTable *table() const { return timing_->table(); }
    /**
     * Queues the answer that types @p path into the export dialog, chooses the filter that
     * starts with @p filter (the first when empty) and accepts it.
     */
    void expectFileDialog(const QString &path, const QString &filter = QString());
    void clickExport();

    std::unique_ptr<PanelFixture> timing_;
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<ModalAnswerer> answerer_;
};

void TestCsvExport::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tovashel"));
    QCoreApplication::setApplicationName(QStringLiteral("Morlek"));
}

void TestCsvExport::init()
{
    timing_ = std::make_unique<PanelFixture>([] { return qint64(0); });
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(timing_->isValid() && folder_->isValid());
    QSettings().remove(QStringLiteral("open_file_dir"));
    answerer_ = std::make_unique<ModalAnswerer>();
    timing_->panel()->show();
}

void TestCsvExport::cleanup()
{
    QVERIFY2(answerer_->unexpected().isEmpty(), qPrintable(answerer_->unexpected().join('\n')));
    QCOMPARE(answerer_->pending(), 0);
    answerer_.reset();
    timing_.reset();
    folder_.reset();
}

void TestCsvExport::expectFileDialog(const QString &path, const QString &filter)
{
    answerer_->expect([path, filter](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog)
            return;
        for (const QString &offered : dialog->nameFilters())
            if (!filter.isEmpty() && offered.startsWith(filter))
                dialog->selectNameFilter(offered);
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            edit->setText(path);
        // As if the user pressed the dialog's Save button.
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
}

void TestCsvExport::clickExport()
{
    if (QPushButton *button = timing_->button(QStringLiteral("Export data")))
        button->click();
}

void TestCsvExport::modelToCsvBytes_data()
{
    QTest::addColumn<QList<qint32>>("marks");
    QTest::addColumn<QString>("rows");

    QTest::addRow("one element and the open row")
        << QList<qint32>{1000, 4500}
        << "\"'0:01:000\",\"'0:04:500\",\"'03:500\",\"'0:03:500\",\n" + openRow;
    QTest::addRow("only the open first row") << QList<qint32>{} << openRow;
    QTest::addRow("duration and sum of 83,456 ms")
        << QList<qint32>{0, 83456}
        << "\"'0:00:000\",\"'1:23:456\",\"'23:456\",\"'1:23:456\",\n" + openRow;
    QTest::addRow("start past an hour") << QList<qint32>{3723004}
                                        << QStringLiteral("\"'2:03:004\",\"'\",\"'\",\"'\",\n");
}

void TestCsvExport::modelToCsvBytes()
{
    QFETCH(QList<qint32>, marks);
    QFETCH(QString, rows);
    table()->setData(record(marks));
    QCOMPARE(timing::modelToCsv(*table()->model(), QStringLiteral(",")), header + rows);
}

void TestCsvExport::linesAndFields_data()
{
    QTest::addColumn<int>("rows");
    for (const int rows : {1, 2, 7, 40})
        QTest::addRow("%d rows", rows) << rows;
}

void TestCsvExport::linesAndFields()
{
    QFETCH(int, rows);
    QList<qint32> marks;
    for (int i = 0; i < 2 * (rows - 1); ++i)
        marks << 1000 * (i + 1);
    table()->setData(record(marks));
    QCOMPARE(table()->model()->rowCount(), rows);

    const QString text = timing::modelToCsv(*table()->model(), QStringLiteral(","));
    QVERIFY(text.endsWith(QLatin1Char('\n')));
    const QStringList lines = text.chopped(1).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), rows + 1);
    const QRegularExpression fourFields(QStringLiteral("^(\"[^\"]*\",){4}$"));
    for (const QString &line : lines) {
        QVERIFY2(fourFields.match(line).hasMatch(), qPrintable(line));
        QCOMPARE(line.count(QLatin1Char(',')), 4);
    }
}

void TestCsvExport::exportWritesFile()
{
    table()->setData(record({1000, 4500}));
    const QString path = folder_->filePath(QStringLiteral("times.csv"));
    expectFileDialog(path);
    clickExport();
    QCOMPARE(answerer_->seen().size(), 1);
    QCOMPARE(morlek::test::readFile(path),
             (header + "\"'0:01:000\",\"'0:04:500\",\"'03:500\",\"'0:03:500\",\n" + openRow)
                 .toUtf8());
    // Nothing but the file itself is left in the folder.
    QCOMPARE(QDir(folder_->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("times.csv")});
}

void TestCsvExport::exportReplacesExistingFile()
{
    const QString path = folder_->filePath(QStringLiteral("times.csv"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(10000, 'x'));
    }
    table()->setData(record({}));
    expectFileDialog(path);
    // The dialog asks before replacing the file.
    answerer_->expect([](QWidget *modal) { ModalAnswerer::clickButton(modal, QMessageBox::Yes); });
    clickExport();
    QCOMPARE(answerer_->seen().size(), 2);
    QCOMPARE(morlek::test::readFile(path), (header + openRow).toUtf8());
}

void TestCsvExport::failedWriteKeepsExistingFile()
{
    const QString path = folder_->filePath(QStringLiteral("times.csv"));
    const QByteArray old = QByteArrayLiteral("\"Start time\",\n\"'0:01:000\",\n");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    QList<qint32> marks;
    for (int i = 0; i < 40; ++i)
        marks << 1000 * (i + 1);
    table()->setData(record(marks));

    // A file size limit makes the write of the long new text fail half way, as a full disk would.
    QString text;
    expectFileDialog(path);
    answerer_->expect([](QWidget *modal) { ModalAnswerer::clickButton(modal, QMessageBox::Yes); });
    answerer_->expect([&text](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            text = box->text();
        ModalAnswerer::clickButton(modal, QMessageBox::Ok);
    });
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 200;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    clickExport();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(answerer_->seen().size(), 3);
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
    QCOMPARE(morlek::test::readFile(path), old);
    QCOMPARE(QDir(folder_->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("times.csv")});
}

void TestCsvExport::cancelledDialogWritesNothing()
{
    table()->setData(record({1000, 4500}));
    answerer_->expect([](QWidget *modal) {
        if (auto *dialog = qobject_cast<QFileDialog *>(modal))
            dialog->reject();
    });
    clickExport();
    QCOMPARE(answerer_->seen().size(), 1);
    QVERIFY(answerer_->seen().first().startsWith(QLatin1String("QFileDialog")));
    QVERIFY(QDir(folder_->path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

void TestCsvExport::missingFolderIsReported()
{
    table()->setData(record({1000, 4500}));
    const QString missing = folder_->filePath(QStringLiteral("not/there"));
    const QString path = missing + QStringLiteral("/times.csv");
    expectFileDialog(path);

    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QWidget *parent = nullptr;
    answerer_->expect([&](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            icon = box->icon();
            text = box->text();
            parent = box->parentWidget();
        }
        ModalAnswerer::clickButton(modal, QMessageBox::Ok);
    });
    clickExport();
    QCOMPARE(answerer_->seen().size(), 2);
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(parent, timing_->panel());
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
    // The reason comes after the file name.
    QVERIFY2(text.section(QDir::toNativeSeparators(path), 1).size() > 4, qPrintable(text));
    QVERIFY(!QDir(missing).exists());
    QVERIFY(QDir(folder_->path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

void TestCsvExport::dialogStartsInOpenFolder()
{
    QString shown;
    const auto cancel = [&shown](QWidget *modal) {
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            shown = dialog->directory().absolutePath();
            dialog->reject();
        }
    };

    // Without the setting the dialog starts at home, and the export does not write it.
    answerer_->expect(cancel);
    clickExport();
    QCOMPARE(shown, QDir(timing_->home()->path()).absolutePath());
    QVERIFY(!QSettings().contains(QStringLiteral("open_file_dir")));

    QSettings().setValue(QStringLiteral("open_file_dir"), folder_->path());
    answerer_->expect(cancel);
    clickExport();
    QCOMPARE(shown, QDir(folder_->path()).absolutePath());

    // Exporting elsewhere leaves the setting as it was.
    QTemporaryDir other;
    expectFileDialog(other.filePath(QStringLiteral("elsewhere.csv")));
    clickExport();
    QVERIFY(QFile::exists(other.filePath(QStringLiteral("elsewhere.csv"))));
    QCOMPARE(QSettings().value(QStringLiteral("open_file_dir")).toString(), folder_->path());
}

void TestCsvExport::pythonCsvReadsExport()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed: the export is not checked with a real CSV reader");

    table()->setData(record({1000, 4500, 61000, 144456, 3723004}));
    const QString path = folder_->filePath(QStringLiteral("times.csv"));
    expectFileDialog(path);
    clickExport();
    QVERIFY(QFile::exists(path));

    QString error;
    const QJsonArray lines = readCsvWithPython(python, path, QStringLiteral("rows"), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    const QAbstractItemModel *model = table()->model();
    QCOMPARE(lines.size(), model->rowCount() + 1);
    for (int line = 0; line < lines.size(); ++line) {
        const QJsonArray cells = lines.at(line).toArray();
        // The comma after the last field gives the reader an empty fifth cell.
        QCOMPARE(cells.size(), 5);
        QCOMPARE(cells.at(4).toString(), QString());
        for (int column = timing::StartColumn; column <= timing::SumColumn; ++column) {
            const QString cell = cells.at(column - 1).toString();
            if (line == 0) {
                QCOMPARE(cell, model->headerData(column, Qt::Horizontal).toString());
                continue;
            }
            QVERIFY(cell.startsWith(QLatin1Char('\'')));
            QCOMPARE(cell.mid(1), timing::timeText(model->index(line - 1, column).data(), column));
        }
    }
    QCOMPARE(lines.at(3).toArray().at(0).toString(), QStringLiteral("'2:03:004"));
}

void TestCsvExport::elementsCsvBytes_data()
{
    QTest::addColumn<QList<qint64>>("marks");
    QTest::addColumn<QString>("lines");
    // Frames of 40 ms: 4500 ms is frame 112.
    QTest::addRow("two elements, the last open")
        << QList<qint64>{1000, 4500, 61000}
        << "1,1,25,112,1.000,4.500,3.500,3.500\n1,2,1525,,61.000,,,\n";
    // Past a minute and an hour: plain seconds, never a clock.
    QTest::addRow("long elements")
        << QList<qint64>{59999, 144456, 3600000, 3723004}
        << "1,1,1499,3611,59.999,144.456,84.457,84.457\n"
           "1,2,90000,93075,3600.000,3723.004,123.004,207.461\n";
    // An end before its start has no duration, and the sum stops there.
    QTest::addRow("end before start")
        << QList<qint64>{5000, 4000, 6000, 7000}
        << "1,1,125,100,5.000,4.000,,\n1,2,150,175,6.000,7.000,1.000,\n";
    QTest::addRow("no marks") << QList<qint64>{} << "";
}

// The spreadsheet export: plain numbers, "." as the decimal point, fields empty where no time.
void TestCsvExport::elementsCsvBytes()
{
    QFETCH(QList<qint64>, marks);
    QFETCH(QString, lines);
    const QString text = timing::elementsCsv(
        1, QVector<qint64>(marks.begin(), marks.end()), [](qint64 ms) { return ms / 40; });
    QCOMPARE(text, QStringLiteral("run,element,start frame,end frame,start (s),end (s),"
                                  "duration (s),sum (s)\n")
                       + lines);
}

// Chosen in the dialog, the export is read by a real CSV reader as numbers that give back the
// marks; the table's own export keeps its bytes when its filter stays chosen.
void TestCsvExport::spreadsheetExportReadsAsNumbers()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed: the export is not checked with a real CSV reader");
    const QList<qint32> marks{1000, 4500, 61000, 144456, 3723004};
    table()->setData(record(marks));
    timing_->panel()->setFrameNumbering([](qint64 ms) { return ms * 25 / 1000; });
    const QString path = folder_->filePath(QStringLiteral("figures.csv"));
    expectFileDialog(path, QStringLiteral("CSV with frame numbers"));
    clickExport();
    QVERIFY(QFile::exists(path));

    // Every field after the header as a number, an empty one as none.
    QString error;
    const QJsonArray rows = readCsvWithPython(
        python, path,
        QStringLiteral("[rows[0]] + [[float(c) if c else None for c in r] for r in rows[1:]]"),
        &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(rows.size(), 1 + 3);
    QCOMPARE(rows.at(0).toArray().size(), 8);
    double sum = 0;
    for (int element = 0; element < 3; ++element) {
        const QJsonArray row = rows.at(element + 1).toArray();
        QCOMPARE(row.at(0).toDouble(), 1.0);
        QCOMPARE(row.at(1).toDouble(), element + 1.0);
        const qint64 start = marks.at(2 * element);
        QCOMPARE(row.at(2).toDouble(), double(start * 25 / 1000));
        QCOMPARE(qRound64(row.at(4).toDouble() * 1000), start);
        if (2 * element + 1 >= marks.size()) {
            // The open element: a start alone.
            QVERIFY(row.at(5).isNull() && row.at(6).isNull() && row.at(7).isNull());
            continue;
        }
        const qint64 end = marks.at(2 * element + 1);
        QCOMPARE(row.at(3).toDouble(), double(end * 25 / 1000));
        QCOMPARE(qRound64(row.at(5).toDouble() * 1000), end);
        QCOMPARE(qRound64(row.at(6).toDouble() * 1000), end - start);
        sum += end - start;
        QCOMPARE(qRound64(row.at(7).toDouble() * 1000), qint64(sum));
    }

    // The table's own export, chosen as before, keeps its bytes.
    const QString plain = folder_->filePath(QStringLiteral("table.csv"));
    expectFileDialog(plain);
    clickExport();
    QCOMPARE(morlek::test::readFile(plain),
             timing::modelToCsv(*table()->model(), QStringLiteral(",")).toLocal8Bit());
}

QTEST_MAIN(TestCsvExport)
#include "tst_csv_export.moc"
