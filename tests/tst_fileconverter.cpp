#include "FileConverter.h"
#include "PdfFixtures.h"

#include <QImageWriter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

namespace {

// A killed process may linger as a zombie until its new parent reaps it.
bool processGone(qint64 pid)
{
    if (::kill(pid_t(pid), 0) != 0)
        return true;
    QFile stat(QString("/proc/%1/stat").arg(pid));
    return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
}

// Puts a fake converter alone on the executable path.
bool installFakeConverter(const QTemporaryDir &dir, const QString &body)
{
    QFile file(dir.filePath("soffice"));
    qputenv("PATH", dir.path().toLocal8Bit());
    return file.open(QIODevice::WriteOnly) && file.write(("#!/bin/sh\n" + body).toUtf8()) > 0 &&
           file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                               QFileDevice::ExeOwner);
}

} // namespace

class FileConverterTest : public QObject
{
    Q_OBJECT

    QByteArray savedPath;

private slots:
    void initTestCase() { savedPath = qgetenv("PATH"); }
    void cleanup() { qputenv("PATH", savedPath); }

    void kindsFollowTheSuffix_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("kind");

        auto row = [](const char *name, const char *path, const char *kind) {
            QTest::newRow(name) << QString(path) << QString(kind);
        };
        row("upper-case jpeg", "/x/Photo.JPEG", "image");
        row("two dots", "photo.2024.png", "image");
        row("text", "notes.txt", "office");
        row("double-dot docx", "report.final.docx", "office");
        row("upper-case pdf", "BOOK.PDF", "pdf");
        row("no suffix", "README", "");
        row("last suffix counts", "scan.pdf.zip", "");
    }

    void kindsFollowTheSuffix()
    {
        QFETCH(QString, path);
        QFETCH(QString, kind);

        QCOMPARE(FileConverter::isImageFile(path), kind == "image");
        QCOMPARE(FileConverter::isOfficeFile(path), kind == "office");
        QTemporaryDir dir;
        qputenv("PATH", dir.path().toLocal8Bit());
        QCOMPARE(FileConverter::isSupportedFile(path), kind == "image" || kind == "pdf");
        QVERIFY(installFakeConverter(dir, "exit 0\n"));
        QCOMPARE(FileConverter::isSupportedFile(path), !kind.isEmpty());
    }

    void imageIsCentredAtNinetyFivePercent_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QSize>("size");

        QTest::newRow("square png") << QByteArray("png") << QSize(100, 100);
        QTest::newRow("landscape jpeg") << QByteArray("jpeg") << QSize(400, 200);
        QTest::newRow("tall tiff") << QByteArray("tiff") << QSize(200, 900);
        QTest::newRow("square webp") << QByteArray("webp") << QSize(100, 100);
    }

    void imageIsCentredAtNinetyFivePercent()
    {
        QFETCH(QByteArray, format);
        QFETCH(QSize, size);
        if (!QImageWriter::supportedImageFormats().contains(format))
            QSKIP("no image plug-in for this format");

        QTemporaryDir dir;
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::black);
        QVERIFY(image.save(dir.filePath("picture." + format), format));
        const QString pdfPath = dir.filePath("picture.pdf");
        QVERIFY(FileConverter::imageToPdf(dir.filePath("picture." + format), pdfPath));
        QCOMPARE(PdfFixtures::pdfinfoPageSize(pdfPath).toSize(), QSize(595, 842));

        // Expected placement, in points, on the paint area of a writer's default A4 page.
        QPdfWriter probe(dir.filePath("probe.pdf"));
        probe.setPageSize(QPageSize(QPageSize::A4));
        const QRectF paint = probe.pageLayout().paintRect(QPageLayout::Point);
        const double fit = std::min(paint.width() / size.width(), paint.height() / size.height());
        const QSizeF drawn = QSizeF(size) * fit * 0.95;

        // Half a pixel per point.
        const QImage page = PdfFixtures::renderPage(pdfPath, 0, 0.5);
        const QRect box = PdfFixtures::inkBox(page, 80);
        const QSizeF excess = QSizeF(box.size()) * 2.0 - drawn;
        const QPointF offset = QRectF(box).center() * 2.0 - paint.center();
        QVERIFY(qAbs(excess.width()) <= 4.0 && qAbs(excess.height()) <= 4.0);
        QVERIFY(qAbs(offset.x()) <= 3.0 && qAbs(offset.y()) <= 3.0);
    }

    // An unwritable target must give false, so that the caller shows its box.
    void unwritableTargetFails()
    {
        QTemporaryDir dir;
        QImage image(50, 50, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(dir.filePath("good.png")));
        for (const QString target : {"good.png/out.pdf", "nowhere/out.pdf"}) {
            QVERIFY2(!FileConverter::imageToPdf(dir.filePath("good.png"), dir.filePath(target)),
                     qPrintable(target));
            QVERIFY(!QFileInfo::exists(dir.filePath(target)));
        }
    }

    // Its own profile, so that a LibreOffice the user has open cannot block it.
    void converterGetsOwnProfileFirst()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath("arguments.txt");
        QVERIFY(installFakeConverter(
            dir, QString("for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1'\n").arg(log)));
        const QString batch = dir.filePath("batch");
        QVERIFY(QDir().mkpath(batch));
        const QString input = dir.filePath("letter.docx");

        QVERIFY(!FileConverter::officeToPdf(input, batch + "/letter.pdf"));

        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts),
                 QStringList({"-env:UserInstallation=" +
                                  QUrl::fromLocalFile(batch + "/lo_profile_1").toString(),
                              "--headless", "--convert-to", "pdf", "--outdir", batch, input}));
    }

    void runawayConverterIsKilled()
    {
        QTemporaryDir dir;
        const QString pids = dir.filePath("pids.txt");
        // Like the real launcher, the fake leaves the work to a child process.
        QVERIFY(installFakeConverter(
            dir, QString("/bin/sleep 300 &\necho $! $$ > '%1'\n/bin/sleep 300\n").arg(pids)));

        QVERIFY(!FileConverter::officeToPdf(dir.filePath("slow.docx"), dir.filePath("slow.pdf")));

        QFile file(pids);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> ids = file.readAll().simplified().split(' ');
        QCOMPARE(ids.size(), 2);
        // SIGKILL is delivered at once, but the grandchild needs a moment to exit.
        for (const QByteArray &id : ids)
            QTRY_VERIFY2_WITH_TIMEOUT(processGone(id.toLongLong()), id.constData(), 60000);
    }
};

QTEST_MAIN(FileConverterTest)
#include "tst_fileconverter.moc"
