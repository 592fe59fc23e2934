#include "DialogHelper.h"
#include "FileConverter.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QLayout>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace PdfFixtures;

namespace {

bool writeImage(const QString &path, const QColor &colour)
{
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path);
}

void drop(MainWindow &window, const QStringList &paths, const QList<QUrl> &extra = {})
{
    QMimeData data;
    QList<QUrl> urls = extra;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    // Widgets take a drop only after they accepted the drag's entry.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    QDropEvent event(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &event);
}

// LibreOffice itself makes the office inputs, from a text file. The dotted
// name checks that its product is found although it keeps the ".v2".
QString officeFromText(const QTemporaryDir &dir, const QByteArray &text, const QString &format)
{
    const QString source = dir.filePath("source/report.v2.txt");
    QDir().mkpath(dir.filePath("source"));
    writeFile(source, text);
    run(FileConverter::findLibreOfficePath(),
        {"-env:UserInstallation=" + QUrl::fromLocalFile(dir.filePath("profile")).toString(),
         "--headless", "--convert-to", format, "--outdir", dir.filePath("mixed"), source});
    return dir.filePath("mixed/report.v2." + format);
}

} // namespace

class IntakeTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString a4Page, in;
    QByteArray savedPath;

private slots:
    void cleanup() { qputenv("PATH", savedPath); }

    void initTestCase()
    {
        savedPath = qgetenv("PATH");
        a4Page = dir.filePath("a4.pdf");
        QVERIFY(writePdf(a4Page, 1));

        // Inputs for the dialog and drop cases; stuff is a folder.
        in = dir.filePath("in");
        QVERIFY(QDir().mkpath(in + "/stuff"));
        QVERIFY(writePdf(in + "/good.pdf", 1) && writePdf(in + "/last.pdf", 2));
        QVERIFY(writePdf(in + "/BOOK.PDF", 2) && writeImage(in + "/PHOTO.JPG", Qt::green));
        tinyPdf(in + "/first.pdf", 100), tinyPdf(in + "/second100.pdf", 100);
        tinyPdf(in + "/second101.pdf", 101);
        QVERIFY(writeFile(in + "/damaged.pdf", "%PDF-1.4\n1 0 obj << /Type /Cat"));
        QVERIFY(writeFile(in + "/broken.png", "\x89PNG\r\n\x1a\nnot really"));
        QVERIFY(writeFile(in + "/letter.docx", "PK\x03\x04") &&
                writeFile(in + "/archive.zip", "PK\x03\x04"));
        if (toolAvailable("qpdf"))
            QVERIFY(encrypt(in + "/good.pdf", in + "/locked.pdf", "user", "owner"));
    }

    void qualityFollowsWorkspaceTotal_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("factor");
        QTest::addColumn<QSize>("thumbnail"); // of an A4 page

        QTest::newRow("75") << 75 << "0.40" << QSize(238, 336);
        QTest::newRow("76") << 76 << "0.30" << QSize(178, 252);
        QTest::newRow("500") << 500 << "0.15" << QSize(89, 126);
        QTest::newRow("501") << 501 << "0.15" << QSize(89, 126);
        QTest::newRow("601") << 601 << "0.12" << QSize(71, 101);
        // The limit is on the workspace: even a single page is refused, before any warning.
        QTest::newRow("1501") << 1501 << "" << QSize();
    }

    // The last page loaded is an A4 page that makes the workspace total.
    void qualityFollowsWorkspaceTotal()
    {
        QFETCH(int, total);
        QFETCH(QString, factor);
        MainWindow window;
        DialogHelper helper;
        if (total - 1 > 500)
            helper.messageBox(QMessageBox::Yes);
        window.loadPDFPages(tinyPdf(dir.filePath(QString("base_%1.pdf").arg(total)), total - 1));
        helper.clear();
        const bool refused = total > 1500;
        if (total > 500)
            helper.messageBox(refused ? QMessageBox::Ok : QMessageBox::Yes);
        window.loadPDFPages(a4Page);
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        if (refused) {
            QCOMPARE(helper.titles(), QStringList{QString::fromUtf8("⛔ TOO MANY PAGES")});
            QVERIFY(helper.texts().first().contains("Cannot load 1501 pages"));
            QCOMPARE(window.pages().size(), 1500);
            return;
        }
        QCOMPARE(window.pages().size(), total);
        QTEST(window.pages().last()->property("originalThumbnail").value<QPixmap>().size(),
              "thumbnail");
        QCOMPARE(window.statusBar()->currentMessage(),
                 QString::fromUtf8("✅ Loaded 1 pages! Total: %1 pages").arg(total));
        if (total > 500) // the only box, as done() showed
            QVERIFY(helper.texts().first().contains(QString("Thumbnail quality: %1x").arg(factor)));
    }

    // A damaged box claims a page two billion points tall: its tile comes, with a
    // thumbnail that can be allocated.
    void absurdPageSizeStillLoads()
    {
        QFile file(a4Page);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray box = "[0 0 595.000000 842.000000]";
        QByteArray bytes = file.readAll();
        QVERIFY(bytes.contains(box));
        const QString huge = dir.filePath("huge.pdf");
        QVERIFY(writeFile(huge, bytes.replace(box, "[0 -2147483648 595 842.000]")));
        MainWindow window;
        window.loadPDFPages(huge);
        QCOMPARE(window.pages().size(), 1);
        const QSize size =
            window.pages().first()->property("originalThumbnail").value<QPixmap>().size();
        QVERIFY2(qint64(size.width()) * size.height() <= 4'000'000,
                 qPrintable(QDebug::toString(size)));
    }

    // Same-named inputs must not overwrite each other's converted PDF.
    void dialogKeepsOrderAndSeparatesSameNames()
    {
        if (!FileConverter::isLibreOfficeAvailable())
            QSKIP("LibreOffice is not installed");
        const QString folder = dir.filePath("mixed");
        const QString docx = officeFromText(dir, "ALPHA from the docx\n", "docx");
        const QString odt = officeFromText(dir, "BETA from the odt\n", "odt");
        QVERIFY(QFile::exists(docx) && QFile::exists(odt));
        QVERIFY(writePdf(folder + "/doc.pdf", 2));
        QVERIFY(writeImage(folder + "/pic.png", Qt::red) &&
                writeImage(folder + "/pic.jpg", Qt::blue));

        MainWindow window;
        DialogHelper helper;
        helper.files({folder + "/doc.pdf", folder + "/pic.png", docx, folder + "/pic.jpg", odt});
        window.findChild<QPushButton *>("addButton")->click();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));

        const QStringList converted = window.temporaryFiles();
        QStringList sources;
        for (const PageWidget *tile : window.pages())
            sources << tile->getFilePath();
        QCOMPARE(sources, QStringList({folder + "/doc.pdf", folder + "/doc.pdf"}) + converted);
        QCOMPARE(QSet<QString>(converted.begin(), converted.end()).size(), 4);
        const QString batch = QFileInfo(converted[0]).absolutePath();
        QVERIFY(QFileInfo(batch).fileName().startsWith("Sheafkit_"));
        QCOMPARE(converted.mid(0, 2), QStringList({batch + "/pic.pdf", batch + "/report.pdf"}));

        // Each same-named input kept its own content.
        auto centre = [](const QString &pdf) {
            const QImage page = renderPage(pdf, 0);
            return page.pixelColor(page.width() / 2, page.height() / 2);
        };
        QVERIFY(centre(converted[0]).red() > 200 && centre(converted[0]).blue() < 60);
        QVERIFY(centre(converted[2]).blue() > 200 && centre(converted[2]).red() < 60);
        QVERIFY(run("pdftotext", {converted[1], "-"}).contains("ALPHA"));
        QVERIFY(run("pdftotext", {converted[3], "-"}).contains("BETA"));
        QDir(batch).removeRecursively();
    }

    // The differences between the two ways in. No converter is on the path.
    void dialogAndDropDiffer_data()
    {
        QTest::addColumn<bool>("viaDrop");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QStringList>("boxes"); // how each box's text starts
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("status");

        const QString added = QString::fromUtf8("Added %1 file(s) • Total: %2 pages");
        const QString dropped = "Added %1 file(s) via drag & drop";
        QTest::newRow("unreadable PDFs, dialog")
            << false << QStringList{"good.pdf", "damaged.pdf", "locked.pdf", "last.pdf"}
            << QStringList{"Failed to load PDF: damaged.pdf", "Failed to load PDF: locked.pdf"} << 3
            << added.arg(4).arg(3);
        QTest::newRow("201 pages, dialog, declined")
            << false << QStringList{"first.pdf", "second101.pdf"}
            << QStringList{"You're about to load approximately 201 pages."} << 0 << QString();
        QTest::newRow("200 pages, dialog") << false << QStringList{"first.pdf", "second100.pdf"}
                                           << QStringList() << 200 << added.arg(2).arg(200);
        QTest::newRow("201 pages, drop") << true << QStringList{"first.pdf", "second101.pdf"}
                                         << QStringList() << 201 << dropped.arg(2);
        QTest::newRow("damaged image, dialog")
            << false << QStringList{"broken.png", "good.pdf"}
            << QStringList{"Failed to convert image: broken.png"} << 1 << added.arg(2).arg(1);
        QTest::newRow("damaged image, drop") << true << QStringList{"broken.png", "good.pdf"}
                                             << QStringList() << 1 << dropped.arg(2);
        QTest::newRow("office, dialog") << false << QStringList{"letter.docx", "good.pdf"}
                                        << QStringList{"Failed to convert Office file: letter.docx"}
                                        << 1 << added.arg(2).arg(1);
        // Without a converter the drop path does not even count the office file.
        QTest::newRow("office, drop") << true << QStringList{"letter.docx", "good.pdf"}
                                      << QStringList() << 1 << dropped.arg(1);
        QTest::newRow("nothing usable, drop")
            << true << QStringList{"stuff", "archive.zip"} << QStringList() << 0 << QString();
        QTest::newRow("upper case among unusable, drop")
            << true << QStringList{"stuff", "archive.zip", "BOOK.PDF", "PHOTO.JPG"} << QStringList()
            << 3 << dropped.arg(2);
    }

    void dialogAndDropDiffer()
    {
        QFETCH(bool, viaDrop);
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, boxes);
        if (inputs.contains("locked.pdf") && !QFile::exists(in + "/locked.pdf"))
            QSKIP("qpdf is needed to make a password-protected file");
        QTemporaryDir emptyPath;
        qputenv("PATH", emptyPath.path().toLocal8Bit());
        QStringList paths;
        for (const QString &name : inputs)
            paths << in + "/" + name;

        MainWindow window;
        window.updatePageGrid();
        window.statusBar()->clearMessage();
        QPointer<QLayout> grid = window.findChild<QWidget *>("gridContainer")->layout();
        DialogHelper helper;
        if (!viaDrop)
            helper.files(paths);
        for (const QString &box : boxes)
            helper.messageBox(box.startsWith("You're") ? QMessageBox::No : QMessageBox::Ok);
        if (viaDrop)
            drop(window, paths, {QUrl("https://example.com/remote.pdf")});
        else
            window.findChild<QPushButton *>("addButton")->click();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));

        QCOMPARE(helper.texts().size(), boxes.size());
        for (int i = 0; i < boxes.size(); ++i)
            QVERIFY2(helper.texts()[i].startsWith(boxes[i]), qPrintable(helper.texts()[i]));
        QTEST(int(window.pages().size()), "pages");
        QTEST(window.statusBar()->currentMessage(), "status");
        if (viaDrop) // refreshed even when nothing was taken
            QVERIFY(grid.isNull());
    }
};

QTEST_MAIN(IntakeTest)
#include "tst_intake.moc"
