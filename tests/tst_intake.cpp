#include "DialogHelper.h"
#include "FileConverter.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QAbstractItemView>
#include <QDropEvent>
#include <QFileDialog>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Pages of 40 x 56 points load quickly in the large cases.
QString tinyPdf(const QString &path, int pages) {
    PdfFixtures::Page page;
    page.size = QPageSize(QSizeF(40, 56), QPageSize::Point);
    page.label = "x";
    return PdfFixtures::writePdf(path, QList<PdfFixtures::Page>(pages, page)) ? path : QString();
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeImage(const QString &path, const QColor &colour) {
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path);
}

QColor thumbnailCentre(const PageWidget *tile) {
    const QImage image = tile->property("originalThumbnail").value<QPixmap>().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

void clickAdd(MainWindow &window) {
    window.findChild<QPushButton *>("addButton")->click();
}

void drop(MainWindow &window, const QList<QUrl> &urls, const QString &text = QString()) {
    QMimeData data;
    if (!urls.isEmpty())
        data.setUrls(urls);
    if (!text.isEmpty())
        data.setText(text);
    // Widgets take a drop only after they accepted the drag's entry.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    QDropEvent event(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &event);
}

// Answers the open dialog with these files of one folder. Typed names select
// only files that the folder view already lists (it fills in the background),
// so the answer waits for them; allFiles switches to the "All Files" filter,
// as a user must do to pick an office file when no converter is installed.
void chooseFiles(DialogHelper &helper, const QStringList &paths, bool allFiles = false) {
    helper.custom([paths, allFiles](QWidget *widget) {
        auto *dialog = static_cast<QFileDialog *>(widget);
        if (allFiles)
            dialog->setNameFilter("All Files (*.*)");
        dialog->setDirectory(QFileInfo(paths.first()).absolutePath());
        QStringList names;
        for (const QString &path : paths)
            names << QFileInfo(path).fileName();
        auto *view = dialog->findChild<QAbstractItemView *>("listView");
        auto listed = [view] {
            QStringList shown;
            for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                shown << view->model()->index(row, 0, view->rootIndex()).data().toString();
            return shown;
        };
        QTRY_VERIFY(std::all_of(names.begin(), names.end(),
                                [&](const QString &name) { return listed().contains(name); }));
        dialog->findChild<QLineEdit *>("fileNameEdit")->setText('"' + names.join("\" \"") + '"');
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

QList<QUrl> urlsOf(const QStringList &paths) {
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

QString statusOf(MainWindow &window) {
    return window.statusBar()->currentMessage();
}

// LibreOffice makes the office inputs itself, from a text file.
bool officeFromText(const QTemporaryDir &dir, const QByteArray &text, const QString &format,
                    const QString &outDir) {
    const QString source = dir.filePath("source/report.txt");
    if (!QDir().mkpath(dir.filePath("source")) || !writeBytes(source, text))
        return false;
    int exitCode = -1;
    PdfFixtures::run(
        FileConverter::findLibreOfficePath(),
        {"-env:UserInstallation=" + QUrl::fromLocalFile(dir.filePath("profile")).toString(),
         "--headless", "--convert-to", format, "--outdir", outDir, source},
        &exitCode);
    return exitCode == 0 && QFile::exists(outDir + "/report." + format);
}

QString pdfText(const QString &path) {
    return PdfFixtures::run("pdftotext", {path, "-"});
}

} // namespace

class IntakeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { qputenv("PATH", savedPath); }

    void qualityFollowsWorkspaceTotal_data();
    void qualityFollowsWorkspaceTotal();
    void workspaceStopsAt1500Pages();
    void unreadablePdfsAreReportedAndSkipped();
    void dialogKeepsOrderAndSeparatesSameNames();
    void dropTakesOnlySupportedFiles_data();
    void dropTakesOnlySupportedFiles();
    void largeSetIsQuestionedInDialogOnly_data();
    void largeSetIsQuestionedInDialogOnly();
    void conversionFailureIsShownInDialogOnly_data();
    void conversionFailureIsShownInDialogOnly();

private:
    QTemporaryDir dir;
    QString a4Page;
    QByteArray savedPath;
};

void IntakeTest::initTestCase() {
    QVERIFY(dir.isValid());
    savedPath = qgetenv("PATH");
    a4Page = dir.filePath("a4.pdf");
    QVERIFY(PdfFixtures::writePdf(a4Page, 1));
}

void IntakeTest::qualityFollowsWorkspaceTotal_data() {
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("factor");
    QTest::addColumn<QSize>("thumbnail"); // of an A4 page

    QTest::newRow("75") << 75 << "0.40" << QSize(238, 336);
    QTest::newRow("76") << 76 << "0.30" << QSize(178, 252);
    QTest::newRow("150") << 150 << "0.30" << QSize(178, 252);
    QTest::newRow("151") << 151 << "0.25" << QSize(148, 210);
    QTest::newRow("250") << 250 << "0.25" << QSize(148, 210);
    QTest::newRow("251") << 251 << "0.20" << QSize(119, 168);
    QTest::newRow("400") << 400 << "0.20" << QSize(119, 168);
    QTest::newRow("401") << 401 << "0.15" << QSize(89, 126);
    QTest::newRow("500") << 500 << "0.15" << QSize(89, 126);
    QTest::newRow("501") << 501 << "0.15" << QSize(89, 126);
    QTest::newRow("600") << 600 << "0.15" << QSize(89, 126);
    QTest::newRow("601") << 601 << "0.12" << QSize(71, 101);
}

// The last page loaded is an A4 page that makes the workspace total.
void IntakeTest::qualityFollowsWorkspaceTotal() {
    QFETCH(int, total);
    QFETCH(QString, factor);
    QFETCH(QSize, thumbnail);

    const QString base = tinyPdf(dir.filePath(QString("base_%1.pdf").arg(total)), total - 1);
    MainWindow window;
    DialogHelper helper;
    if (total - 1 > 500)
        helper.messageBox(QMessageBox::Yes);
    window.loadPDFPages(base);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    helper.clear();

    QStringList shown;
    connect(window.statusBar(), &QStatusBar::messageChanged, this,
            [&](const QString &text) { shown << text; });
    if (total > 500)
        helper.messageBox(QMessageBox::Yes);
    window.loadPDFPages(a4Page);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    QCOMPARE(window.pages().size(), total);
    const PageWidget *last = window.pages().last();
    QCOMPARE(last->property("originalThumbnail").value<QPixmap>().size(), thumbnail);
    QCOMPARE(last->property("totalPages").toInt(), 1);
    QVERIFY(shown.contains(QString::fromUtf8("⏳ Loading 1 pages (quality: %1x)...").arg(factor)));
    QCOMPARE(statusOf(window), QString::fromUtf8("✅ Loaded 1 pages! Total: %1 pages").arg(total));
    if (total > 500) {
        QCOMPARE(helper.titles(), QStringList{QString::fromUtf8("⚠️ Large PDF Warning")});
        QCOMPARE(helper.texts().first(),
                 QString::fromUtf8(
                     "🚨 Loading %1 total pages!\n\n• Thumbnail quality: %2x (ultra-low)\n• This "
                     "may take 30-60 seconds\n• Memory usage: ~%3 MB\n\nConsider using smaller "
                     "PDFs for better performance.\n\nContinue anyway?")
                     .arg(total)
                     .arg(factor)
                     .arg(total * 50 / 1024));
    }
}

void IntakeTest::workspaceStopsAt1500Pages() {
    const QString half = tinyPdf(dir.filePath("half.pdf"), 750);
    MainWindow window;
    DialogHelper helper;
    helper.messageBox(QMessageBox::Yes).messageBox(QMessageBox::Yes);
    window.loadPDFPages(half);
    window.loadPDFPages(half);
    QCOMPARE(window.pages().size(), 1500);

    // Even a single page is refused now, before any warning.
    helper.messageBox(QMessageBox::Ok);
    window.loadPDFPages(a4Page);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles().last(), QString::fromUtf8("⛔ TOO MANY PAGES"));
    QCOMPARE(helper.texts().last(),
             QString::fromUtf8("🚨 ERROR: Cannot load 1501 pages!\n\nMaximum supported: 1500 "
                               "pages\nYour total: 1501 pages\n\nPlease split your PDFs into "
                               "smaller files first."));
    QCOMPARE(window.pages().size(), 1500);
    QCOMPARE(window.pages().last()->getFilePath(), half);
}

void IntakeTest::unreadablePdfsAreReportedAndSkipped() {
    QVERIFY(QDir(dir.path()).mkpath("broken"));
    const QString folder = dir.filePath("broken");
    const QString first = folder + "/first.pdf";
    const QString last = folder + "/last.pdf";
    QVERIFY(PdfFixtures::writePdf(first, 1));
    QVERIFY(PdfFixtures::writePdf(last, 2));
    QVERIFY(writeBytes(folder + "/damaged.pdf", "%PDF-1.4\n1 0 obj << /Type /Cat"));
    if (!PdfFixtures::toolAvailable("qpdf"))
        QSKIP("qpdf is needed to make a password-protected file");
    QVERIFY(PdfFixtures::encrypt(first, folder + "/locked.pdf", "user", "owner"));

    MainWindow window;
    DialogHelper helper;
    chooseFiles(helper, {first, folder + "/damaged.pdf", folder + "/locked.pdf", last});
    helper.messageBox(QMessageBox::Ok).messageBox(QMessageBox::Ok);
    clickAdd(window);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    QCOMPARE(helper.titles(), QStringList({"Error", "Error"}));
    QCOMPARE(helper.texts(),
             QStringList({"Failed to load PDF: damaged.pdf", "Failed to load PDF: locked.pdf"}));
    QStringList sources;
    for (const PageWidget *tile : window.pages())
        sources << tile->getFilePath();
    QCOMPARE(sources, QStringList({first, last, last}));
    QCOMPARE(statusOf(window), QString::fromUtf8("Added 4 file(s) • Total: 3 pages"));
}

void IntakeTest::dialogKeepsOrderAndSeparatesSameNames() {
    if (!FileConverter::isLibreOfficeAvailable())
        QSKIP("LibreOffice is not installed");
    QVERIFY(QDir(dir.path()).mkpath("mixed"));
    const QString folder = dir.filePath("mixed");
    QVERIFY(officeFromText(dir, "ALPHA from the docx\n", "docx", folder));
    QVERIFY(officeFromText(dir, "BETA from the odt\n", "odt", folder));
    QVERIFY(PdfFixtures::writePdf(folder + "/doc.pdf", 2));
    QVERIFY(writeImage(folder + "/pic.png", Qt::red));
    QVERIFY(writeImage(folder + "/pic.jpg", Qt::blue));

    MainWindow window;
    DialogHelper helper;
    chooseFiles(helper, {folder + "/doc.pdf", folder + "/pic.png", folder + "/report.docx",
                         folder + "/pic.jpg", folder + "/report.odt"});
    clickAdd(window);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    const QList<PageWidget *> &pages = window.pages();
    QCOMPARE(pages.size(), 6);
    QCOMPARE(pages[0]->getFilePath(), folder + "/doc.pdf");
    QCOMPARE(pages[1]->getFilePath(), folder + "/doc.pdf");
    QCOMPARE(pages[1]->getPageNumber(), 2);

    const QStringList converted = window.temporaryFiles();
    QCOMPARE(converted.size(), 4);
    QCOMPARE(QSet<QString>(converted.begin(), converted.end()).size(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(pages[i + 2]->getFilePath(), converted[i]);
    const QString batch = QFileInfo(converted[0]).absolutePath();
    QVERIFY(QFileInfo(batch).fileName().contains(QRegularExpression("^Sheafkit_\\d+$")));
    QCOMPARE(QFileInfo(batch).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    QCOMPARE(converted[0], batch + "/pic.pdf");
    QCOMPARE(converted[1], batch + "/report.pdf");

    // Each same-named input kept its own content.
    const QColor red = thumbnailCentre(pages[2]);
    const QColor blue = thumbnailCentre(pages[4]);
    QVERIFY(red.red() > 200 && red.blue() < 60);
    QVERIFY(blue.blue() > 200 && blue.red() < 60);
    QVERIFY(pdfText(converted[1]).contains("ALPHA"));
    QVERIFY(pdfText(converted[3]).contains("BETA"));
    QCOMPARE(statusOf(window), QString::fromUtf8("Added 5 file(s) • Total: 6 pages"));
    QDir(batch).removeRecursively();
}

void IntakeTest::dropTakesOnlySupportedFiles_data() {
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tiles");
    QTest::addColumn<bool>("refreshed");
    QTest::addColumn<QString>("status");

    const QString folder = dir.filePath("dropped");
    const QList<QUrl> unsupported = {QUrl::fromLocalFile(folder + "/stuff"),
                                     QUrl::fromLocalFile(folder + "/archive.zip"),
                                     QUrl("https://example.com/remote.pdf")};
    QTest::newRow("nothing usable") << unsupported << QString() << 0 << true << QString();
    QTest::newRow("upper-case suffixes among others")
        << unsupported + urlsOf({folder + "/BOOK.PDF", folder + "/PHOTO.JPG"}) << QString() << 3
        << true << "Added 2 file(s) via drag & drop";
    QTest::newRow("text only") << QList<QUrl>() << "3" << 0 << false << QString();
}

void IntakeTest::dropTakesOnlySupportedFiles() {
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, text);
    QFETCH(int, tiles);
    QFETCH(bool, refreshed);
    QFETCH(QString, status);

    const QString folder = dir.filePath("dropped");
    QVERIFY(QDir().mkpath(folder + "/stuff"));
    QVERIFY(writeBytes(folder + "/archive.zip", "PK\x03\x04"));
    QVERIFY(PdfFixtures::writePdf(folder + "/BOOK.PDF", 2));
    QVERIFY(writeImage(folder + "/PHOTO.JPG", Qt::green));

    MainWindow window;
    window.updatePageGrid();
    window.statusBar()->clearMessage();
    DialogHelper helper;
    QPointer<QLayout> grid = window.findChild<QWidget *>("gridContainer")->layout();
    drop(window, urls, text);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(window.pages().size(), tiles);
    QCOMPARE(grid.isNull(), refreshed);
    QCOMPARE(statusOf(window), status);
}

void IntakeTest::largeSetIsQuestionedInDialogOnly_data() {
    QTest::addColumn<bool>("viaDrop");
    QTest::addColumn<int>("secondPages");
    QTest::addColumn<bool>("asked");

    QTest::newRow("dialog, 201 pages, declined") << false << 101 << true;
    QTest::newRow("dialog, 200 pages") << false << 100 << false;
    QTest::newRow("drop, 201 pages") << true << 101 << false;
}

void IntakeTest::largeSetIsQuestionedInDialogOnly() {
    QFETCH(bool, viaDrop);
    QFETCH(int, secondPages);
    QFETCH(bool, asked);

    QVERIFY(QDir(dir.path()).mkpath("large"));
    const QString first = tinyPdf(dir.filePath("large/first.pdf"), 100);
    const QString second =
        tinyPdf(dir.filePath(QString("large/second_%1.pdf").arg(secondPages)), secondPages);
    const int total = 100 + secondPages;

    MainWindow window;
    DialogHelper helper;
    if (!viaDrop)
        chooseFiles(helper, {first, second});
    if (asked)
        helper.messageBox(QMessageBox::No);
    if (viaDrop)
        drop(window, urlsOf({first, second}));
    else
        clickAdd(window);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    if (asked) {
        QCOMPARE(helper.titles(), QStringList{"Large PDF Set"});
        QCOMPARE(helper.texts().first(),
                 QString("You're about to load approximately %1 pages.\nThis may take a while "
                         "and use significant memory.\n\nContinue?")
                     .arg(total));
        QCOMPARE(window.pages().size(), 0);
    } else {
        QCOMPARE(window.pages().size(), total);
    }
}

void IntakeTest::conversionFailureIsShownInDialogOnly_data() {
    QTest::addColumn<bool>("viaDrop");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("status");

    const QString officeBox = "Failed to convert Office file: letter.docx\n\nMake sure "
                              "LibreOffice is installed.";
    QTest::newRow("damaged image, dialog") << false << "broken.png"
                                           << "Failed to convert image: broken.png"
                                           << QString::fromUtf8("Added 2 file(s) • Total: 1 pages");
    QTest::newRow("damaged image, drop")
        << true << "broken.png" << QString() << "Added 2 file(s) via drag & drop";
    QTest::newRow("office without converter, dialog")
        << false << "letter.docx" << officeBox
        << QString::fromUtf8("Added 2 file(s) • Total: 1 pages");
    QTest::newRow("office without converter, drop")
        << true << "letter.docx" << QString() << "Added 1 file(s) via drag & drop";
}

void IntakeTest::conversionFailureIsShownInDialogOnly() {
    QFETCH(bool, viaDrop);
    QFETCH(QString, input);
    QFETCH(QString, box);
    QFETCH(QString, status);

    QVERIFY(QDir(dir.path()).mkpath("failing"));
    const QString folder = dir.filePath("failing");
    QVERIFY(writeBytes(folder + "/broken.png", "\x89PNG\r\n\x1a\nnot really"));
    QVERIFY(writeBytes(folder + "/letter.docx", "PK\x03\x04"));
    QVERIFY(PdfFixtures::writePdf(folder + "/good.pdf", 1));
    QTemporaryDir emptyPath;
    qputenv("PATH", emptyPath.path().toLocal8Bit()); // no converter to be found

    MainWindow window;
    DialogHelper helper;
    const QStringList paths = {folder + "/" + input, folder + "/good.pdf"};
    if (!viaDrop)
        chooseFiles(helper, paths, true);
    if (!box.isEmpty())
        helper.messageBox(QMessageBox::Ok);
    if (viaDrop)
        drop(window, urlsOf(paths));
    else
        clickAdd(window);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    QCOMPARE(helper.texts(), box.isEmpty() ? QStringList() : QStringList{box});
    if (!box.isEmpty())
        QCOMPARE(helper.titles(), QStringList{"Conversion Failed"});
    QCOMPARE(window.pages().size(), 1);
    QCOMPARE(window.pages().first()->getFilePath(), folder + "/good.pdf");
    QCOMPARE(statusOf(window), status);
}

QTEST_MAIN(IntakeTest)
#include "tst_intake.moc"
