#include "FileConverter.h"
#include "PdfFixtures.h"

#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

namespace {

const QString kFilterStart =
    "All Supported Files (*.pdf *.jpg *.jpeg *.png *.bmp *.gif *.tiff *.tif *.webp";
const QString kOfficePatterns =
    " *.doc *.docx *.docm *.xls *.xlsx *.xlsm *.ppt *.pptx *.pptm *.odt *.ods *.odp *.rtf *.txt";
const QString kFilterMiddle =
    ");;PDF Files (*.pdf);;Image Files (*.jpg *.jpeg *.png *.bmp *.gif *.tiff *.tif *.webp);;";
const QString kOfficeFilters =
    "Word Files (*.doc *.docx *.docm);;Excel Files (*.xls *.xlsx *.xlsm);;PowerPoint Files (*.ppt "
    "*.pptx *.pptm);;OpenOffice Files (*.odt *.ods *.odp);;Text Files (*.rtf *.txt);;";
const QString kFilterEnd = "All Files (*.*)";

QRect darkBox(const QImage &image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (PdfFixtures::isDark(image.pixelColor(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

bool writeScript(const QString &path, const QString &body) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(("#!/bin/sh\n" + body).toUtf8());
    file.close();
    return file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// A killed process may linger as a zombie until its new parent reaps it.
bool processGone(qint64 pid) {
    if (::kill(pid_t(pid), 0) != 0)
        return true;
    QFile stat(QString("/proc/%1/stat").arg(pid));
    return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
}

} // namespace

class FileConverterTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { savedPath = qgetenv("PATH"); }
    void cleanup() { qputenv("PATH", savedPath); }

    void kindsFollowTheSuffix_data();
    void kindsFollowTheSuffix();
    void officeSupportFollowsConverter();
    void imageIsCentredAtNinetyFivePercent_data();
    void imageIsCentredAtNinetyFivePercent();
    void imageFailuresWriteNothing_data();
    void imageFailuresWriteNothing();
    void converterGetsOwnProfileFirst();
    void runawayConverterIsKilled();
    void officeProductIsFoundByBaseName();

private:
    // Puts a fake converter first and alone on the executable path.
    QString installFakeConverter(const QTemporaryDir &dir, const QString &body);

    QByteArray savedPath;
};

void FileConverterTest::kindsFollowTheSuffix_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("image");
    QTest::addColumn<bool>("office");
    QTest::addColumn<bool>("pdf");

    QTest::newRow("upper-case jpeg") << "/x/Photo.JPEG" << true << false << false;
    QTest::newRow("upper-case tif") << "scan.TIF" << true << false << false;
    QTest::newRow("two dots") << "photo.2024.png" << true << false << false;
    QTest::newRow("text") << "notes.txt" << false << true << false;
    QTest::newRow("spreadsheet") << "sheet.ods" << false << true << false;
    QTest::newRow("double-dot docx") << "report.final.docx" << false << true << false;
    QTest::newRow("upper-case pdf") << "BOOK.PDF" << false << false << true;
    QTest::newRow("zip") << "archive.zip" << false << false << false;
    QTest::newRow("no suffix") << "README" << false << false << false;
    QTest::newRow("last suffix counts") << "scan.pdf.zip" << false << false << false;
}

void FileConverterTest::kindsFollowTheSuffix() {
    QFETCH(QString, path);
    QFETCH(bool, image);
    QFETCH(bool, office);
    QFETCH(bool, pdf);

    QCOMPARE(FileConverter::isImageFile(path), image);
    QCOMPARE(FileConverter::isOfficeFile(path), office);
    const bool converter = FileConverter::isLibreOfficeAvailable();
    QCOMPARE(FileConverter::isSupportedFile(path), pdf || image || (office && converter));
}

void FileConverterTest::officeSupportFollowsConverter() {
    QTemporaryDir dir;
    qputenv("PATH", dir.path().toLocal8Bit());
    const QString docx = dir.filePath("letter.docx");
    QVERIFY(QFile(docx).open(QIODevice::WriteOnly));
    QVERIFY(FileConverter::findLibreOfficePath().isEmpty());
    QVERIFY(FileConverter::isOfficeFile(docx));
    QVERIFY(!FileConverter::isSupportedFile(docx));
    QVERIFY(!FileConverter::officeToPdf(docx, dir.filePath("letter.pdf")));
    QVERIFY(!QFile::exists(dir.filePath("letter.pdf")));
    const QString without = FileConverter::getSupportedFormatsFilter();
    QCOMPARE(without, kFilterStart + kFilterMiddle + kFilterEnd);
    QCOMPARE(without.split(";;").size(), 4);

    installFakeConverter(dir, "exit 0\n");
    QVERIFY(FileConverter::isSupportedFile(docx));
    const QString with = FileConverter::getSupportedFormatsFilter();
    QCOMPARE(with, kFilterStart + kOfficePatterns + kFilterMiddle + kOfficeFilters + kFilterEnd);
    QCOMPARE(with.split(";;").size(), 9);
}

void FileConverterTest::imageIsCentredAtNinetyFivePercent_data() {
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");

    QTest::newRow("square png") << QByteArray("png") << QSize(100, 100);
    QTest::newRow("landscape jpeg") << QByteArray("jpeg") << QSize(400, 200);
    QTest::newRow("tall tiff") << QByteArray("tiff") << QSize(200, 900);
    QTest::newRow("square webp") << QByteArray("webp") << QSize(100, 100);
}

void FileConverterTest::imageIsCentredAtNinetyFivePercent() {
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    if (!QImageWriter::supportedImageFormats().contains(format))
        QSKIP("no image plug-in for this format");
    if (!PdfFixtures::toolAvailable("pdftoppm"))
        QSKIP("pdftoppm missing");

    QTemporaryDir dir;
    const QString imagePath = dir.filePath("picture." + format);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QVERIFY(image.save(imagePath, format));
    const QString pdfPath = dir.filePath("picture.pdf");
    QVERIFY(FileConverter::imageToPdf(imagePath, pdfPath));

    QPdfDocument document;
    document.load(pdfPath);
    QCOMPARE(document.pageCount(), 1);
    QCOMPARE(document.pagePointSize(0).toSize(), QSize(595, 842));
    QCOMPARE(PdfFixtures::pdfinfoPages(pdfPath), 1);

    // Expected placement, in points, on the paint area of a writer's default page.
    QPdfWriter probe(dir.filePath("probe.pdf"));
    probe.setPageSize(QPageSize(QPageSize::A4));
    const QRectF paint = probe.pageLayout().paintRect(QPageLayout::Point);
    const double fit = std::min(paint.width() / size.width(), paint.height() / size.height());
    const QSizeF drawn = QSizeF(size) * fit * 0.95;

    // Rendered independently at 36 dpi: half a pixel per point.
    int exitCode = -1;
    PdfFixtures::run("pdftoppm", {"-r", "36", "-png", "-singlefile", pdfPath, dir.filePath("page")},
                     &exitCode);
    QCOMPARE(exitCode, 0);
    const QImage page(dir.filePath("page.png"));
    QVERIFY(!page.isNull());
    const QRect box = darkBox(page);
    const QPointF centre = QRectF(box).center() * 2.0;
    QVERIFY2(qAbs(box.width() * 2.0 - drawn.width()) <= 4.0,
             qPrintable(QString::number(box.width())));
    QVERIFY2(qAbs(box.height() * 2.0 - drawn.height()) <= 4.0,
             qPrintable(QString::number(box.height())));
    QVERIFY(qAbs(centre.x() - paint.center().x()) <= 3.0);
    QVERIFY(qAbs(centre.y() - paint.center().y()) <= 3.0);
}

void FileConverterTest::imageFailuresWriteNothing_data() {
    QTest::addColumn<QString>("image"); // relative to the test folder
    QTest::addColumn<QString>("target");

    QTest::newRow("damaged image") << "damaged.png"
                                   << "out.pdf";
    QTest::newRow("missing image") << "missing.png"
                                   << "out.pdf";
    QTest::newRow("parent is a file") << "good.png"
                                      << "plain.txt/out.pdf";
    QTest::newRow("missing folder") << "good.png"
                                    << "nowhere/out.pdf";
}

void FileConverterTest::imageFailuresWriteNothing() {
    QFETCH(QString, image);
    QFETCH(QString, target);

    QTemporaryDir dir;
    QImage good(50, 50, QImage::Format_RGB32);
    good.fill(Qt::red);
    QVERIFY(good.save(dir.filePath("good.png")));
    QFile damaged(dir.filePath("damaged.png"));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("\x89PNG\r\n\x1a\nthis is not image data");
    damaged.close();
    QFile plain(dir.filePath("plain.txt"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();

    QVERIFY(!FileConverter::imageToPdf(dir.filePath(image), dir.filePath(target)));
    QVERIFY(!QFileInfo::exists(dir.filePath(target)));
}

QString FileConverterTest::installFakeConverter(const QTemporaryDir &dir, const QString &body) {
    const QString program = dir.filePath("soffice");
    if (!writeScript(program, body))
        return QString();
    qputenv("PATH", dir.path().toLocal8Bit());
    return program;
}

void FileConverterTest::converterGetsOwnProfileFirst() {
    QTemporaryDir dir;
    const QString log = dir.filePath("arguments.txt");
    QVERIFY(!installFakeConverter(dir, QString("for a in \"$@\"; do printf '%s\\n' \"$a\"; done > "
                                               "'%1'\n")
                                           .arg(log))
                 .isEmpty());
    QVERIFY(QDir(dir.path()).mkpath("batch"));
    const QString batch = dir.filePath("batch");
    const QString input = dir.filePath("letter.docx");

    QVERIFY(!FileConverter::officeToPdf(input, batch + "/letter.pdf"));

    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList arguments = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    const QStringList expected = {"-env:UserInstallation=" +
                                      QUrl::fromLocalFile(batch + "/lo_profile_1").toString(),
                                  "--headless",
                                  "--convert-to",
                                  "pdf",
                                  "--outdir",
                                  batch,
                                  input};
    QCOMPARE(arguments, expected);
    QVERIFY(arguments.first().startsWith("-env:UserInstallation=file:///"));
}

void FileConverterTest::runawayConverterIsKilled() {
    QTemporaryDir dir;
    const QString pids = dir.filePath("pids.txt");
    // Like the real launcher, the fake leaves the work to a child process.
    QVERIFY(!installFakeConverter(
                 dir, QString("/bin/sleep 300 &\necho $! $$ > '%1'\n/bin/sleep 300\n").arg(pids))
                 .isEmpty());

    QVERIFY(!FileConverter::officeToPdf(dir.filePath("slow.docx"), dir.filePath("slow.pdf")));

    QFile file(pids);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> ids = file.readAll().simplified().split(' ');
    QCOMPARE(ids.size(), 2);
    // SIGKILL is delivered at once, but the grandchild needs a moment to exit.
    for (const QByteArray &id : ids)
        QTRY_VERIFY2_WITH_TIMEOUT(processGone(id.toLongLong()), id.constData(), 5000);
}

void FileConverterTest::officeProductIsFoundByBaseName() {
    if (!FileConverter::isLibreOfficeAvailable())
        QSKIP("LibreOffice is not installed");
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("out"));
    const QString out = dir.filePath("out");
    auto writeText = [&](const QString &name, const QByteArray &text) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    QVERIFY(writeText("notes.txt", "Quirefold notes\n"));
    QVERIFY(writeText("report.final.txt", "Quirefold report\n"));

    QVERIFY(FileConverter::officeToPdf(dir.filePath("notes.txt"), out + "/notes.pdf"));
    QVERIFY(FileConverter::officeToPdf(dir.filePath("report.final.txt"), out + "/renamed.pdf"));

    QVERIFY(!QFile::exists(out + "/report.pdf"));
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({"notes.pdf", "renamed.pdf"}));
    QCOMPARE(PdfFixtures::pdfinfoPages(out + "/notes.pdf"), 1);
    QVERIFY(PdfFixtures::run("pdftotext", {out + "/notes.pdf", "-"}).contains("Quirefold notes"));
    QVERIFY(
        PdfFixtures::run("pdftotext", {out + "/renamed.pdf", "-"}).contains("Quirefold report"));
}

QTEST_MAIN(FileConverterTest)
#include "tst_fileconverter.moc"
