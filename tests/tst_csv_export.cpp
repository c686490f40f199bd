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

private:
    TimingTable *table() const { return timing_->table(); }
    /** Queues the answer that types @p path into the export dialog and accepts it. */
    void expectFileDialog(const QString &path);
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

void TestCsvExport::expectFileDialog(const QString &path)
{
    answerer_->expect([path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog)
            return;
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

    const auto result = morlek::test::runProgram(
        python, {QStringLiteral("-c"),
                 QStringLiteral("import csv, json, sys\n"
                                "with open(sys.argv[1], newline='') as f:\n"
                                "    print(json.dumps(list(csv.reader(f))))\n"),
                 path});
    QVERIFY2(result.ok(), result.output.constData());
    const QJsonArray lines = QJsonDocument::fromJson(result.output).array();

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

QTEST_MAIN(TestCsvExport)
#include "tst_csv_export.moc"
