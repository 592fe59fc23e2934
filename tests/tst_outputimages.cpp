#include "OutputTestSupport.h"

using namespace OutputTest;

// Export and extraction: one image file per page.
class TestOutputImages : public QObject
{
    Q_OBJECT

private slots:
    void exportRun_data()
    {
        QTest::addColumn<bool>("allPages");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("secondSourceGone"); // else the last two pages are selected
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("message"); // %2: the folder
        const QString done = "Successfully exported %1 pages to:\n%2";
        // Numbering follows the export order, not the list position.
        QTest::newRow("selection")
            << false << 1 << false << QStringList{"page_001.png", "page_002.png"} << done.arg(2);
        QTest::newRow("all pages, JPG")
            << true << 0 << false << QStringList{"page_001.jpg", "page_002.jpg", "page_003.jpg"}
            << done.arg(3);
        QTest::newRow("unreadable source")
            << true << 0 << true << QStringList{"page_001.jpg", "page_003.jpg"}
            << done.arg(2) + QString::fromUtf8("\n\n⚠️ 1 pages could not be exported");
        QTest::newRow("nothing selected")
            << false << 0 << true << QStringList{} << "No pages selected for export.";
    }
    void exportRun()
    {
        QFETCH(bool, allPages);
        QFETCH(int, format);
        QFETCH(bool, secondSourceGone);
        QFETCH(QStringList, files);
        QFETCH(QString, message);
        Workspace ws;
        // The first page is A4, the others A5: the image size tells which page it is.
        const PdfFixtures::Page a5{QPageSize(QPageSize::A5), QPageLayout::Portrait, {}};
        ws.load("a.pdf", 1);
        const QString second = ws.load("b.pdf", {a5});
        ws.load("c.pdf", {a5});
        if (secondSourceGone)
            QFile::remove(second);
        else
            ws.page(1).selected = ws.page(2).selected = true;
        const QString folder = ws.folder("images");
        ws.prompter << Prompter::ExportChoice{folder, allPages, format};
        RUN_COMMAND(ws, "exportPages");

        QCOMPARE(filesIn(folder), files);
        QCOMPARE(ws.prompter.texts(), QStringList{QString(message).replace("%2", folder)});
        if (files.isEmpty())
            return;
        const QImage first(folder + "/" + files.first());
        // 150/72 of the page's points: 595 x 842 for A4, 420 x 595 for A5.
        QCOMPARE(first.size(), allPages ? QSize(1239, 1754) : QSize(875, 1239));
        // Unpainted paper comes out white, also in JPEG.
        QVERIFY(PdfFixtures::isWhite(first.pixelColor(first.width() - 1, first.height() - 1)));
    }

    void exportMissingFolder()
    {
        Workspace ws;
        ws.load("doc.pdf", 2);
        const QString folder = ws.path("missing");
        ws.prompter << Prompter::ExportChoice{folder};
        RUN_COMMAND(ws, "exportPages");
        QCOMPARE(ws.prompter.titles(), QStringList{"Error"}); // and no success box
        QVERIFY(ws.prompter.texts().first().contains(folder + "/page_001.jpg\n\n"));
        QVERIFY(!QFileInfo::exists(folder));
    }

    void extractLeavesGapsForUnreadableSources()
    {
        Workspace ws;
        ws.load("a.pdf", 1);
        const QString gone = ws.load("gone.pdf", 1);
        ws.load("c.pdf", 1);
        ws.page(0).selected = true; // makes no difference
        ws.page(2).rotation = 270;
        QFile::remove(gone);
        const QString folder = ws.folder("images");
        ws.prompter << folder << QString("PNG (*.png)");
        RUN_COMMAND(ws, "extractImages");

        QCOMPARE(filesIn(folder), QStringList({"page_0001.png", "page_0003.png"}));
        QCOMPARE(QImage(folder + "/page_0001.png").size(), QSize(1190, 1684));
        QCOMPARE(QImage(folder + "/page_0003.png").size(), QSize(1684, 1190));
        QCOMPARE(ws.prompter.titles(), QStringList{"Extraction Complete"});
        QCOMPARE(ws.prompter.texts().first(),
                 QString::fromUtf8("✅ Successfully extracted 2 images to:\n%1\n\n⚠️ 1 images "
                                   "could not be extracted")
                     .arg(folder));
    }
};

QTEST_MAIN(TestOutputImages)
#include "tst_outputimages.moc"
