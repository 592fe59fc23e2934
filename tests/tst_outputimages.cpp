#include "ExportDialog.h"
#include "OutputTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

using namespace OutputTest;

class TestOutputImages : public QObject
{
    Q_OBJECT

private:
    // Answers the export dialog: folder, and whether all pages go.
    static std::function<void(QWidget *)> exportTo(const QString &folder, bool allPages)
    {
        return [folder, allPages](QWidget *dialog) {
            dialog->findChild<QLineEdit *>("outputFolderEdit")->setText(folder);
            dialog->findChild<QCheckBox *>("allPagesCheckBox")->setChecked(allPages);
        };
    }

private slots:
    void qualityRowOnlyForJpeg_data();
    void qualityRowOnlyForJpeg();
    void pagesChoiceDefaults_data();
    void pagesChoiceDefaults();
    void exportDefaultsOnWhite();
    void exportChoices_data();
    void exportChoices();
    void exportNothingSelected();
    void exportCountsOnlySavedFiles();
    void exportMissingFolder();
    void extractLeavesGapsForUnreadableSources();
};

void TestOutputImages::qualityRowOnlyForJpeg_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("visible");
    QTest::newRow("PNG") << 1 << false;
    QTest::newRow("BMP") << 2 << false;
    QTest::newRow("TIFF") << 3 << false;
    QTest::newRow("back to JPG") << 0 << true;
}

void TestOutputImages::qualityRowOnlyForJpeg()
{
    QFETCH(int, format);
    QFETCH(bool, visible);
    ExportDialog dialog(3, 0);
    auto *combo = dialog.findChild<QComboBox *>("formatCombo");
    auto *label = dialog.findChild<QLabel *>("qualityLabel");
    auto *quality = dialog.findChild<QSpinBox *>("qualitySpinBox");
    QVERIFY(label->isVisibleTo(&dialog) && quality->isVisibleTo(&dialog));
    combo->setCurrentIndex(format == 0 ? 1 : format);
    combo->setCurrentIndex(format);
    QCOMPARE(label->isVisibleTo(&dialog), visible);
    QCOMPARE(quality->isVisibleTo(&dialog), visible);
    QCOMPARE(dialog.getFormat(), format);
    QCOMPARE(dialog.getQuality(), 85); // read even when hidden
}

void TestOutputImages::pagesChoiceDefaults_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("allChecked");
    QTest::newRow("none selected") << 0 << true;
    QTest::newRow("2 of 10 selected") << 2 << false;
}

void TestOutputImages::pagesChoiceDefaults()
{
    QFETCH(int, selected);
    QFETCH(bool, allChecked);
    ExportDialog dialog(10, selected);
    QCOMPARE(dialog.exportAllPages(), allChecked);
    QCOMPARE(dialog.findChild<QCheckBox *>("allPagesCheckBox")->text(),
             QString("Export all pages (10 pages)"));
    auto *note = dialog.findChild<QLabel *>("selectedPagesLabel");
    QCOMPARE(note != nullptr, selected > 0);
    if (note)
        QCOMPARE(note->text(), QString::fromUtf8("✓ 2 pages selected"));
    QCOMPARE(dialog.getDPI(), 150);
    QCOMPARE(dialog.getFileNamePattern(), QString("page_{page}"));
}

void TestOutputImages::exportDefaultsOnWhite()
{
    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 3));
    const QString folder = ws.path("images");
    QDir().mkpath(folder);
    DialogHelper helper;
    helper.accept(exportTo(folder, true)).messageBox();
    ws.click("exportButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    QCOMPARE(filesIn(folder), QStringList({"page_001.jpg", "page_002.jpg", "page_003.jpg"}));
    const QImage page(folder + "/page_001.jpg");
    QCOMPARE(page.size(), QSize(1239, 1754)); // 150/72 of 595 x 842 points
    // Unpainted paper must come out white, not black.
    QVERIFY(PdfFixtures::isWhite(page.pixelColor(0, 0)));
    QVERIFY(PdfFixtures::isWhite(page.pixelColor(page.width() - 1, page.height() - 1)));
    QCOMPARE(helper.titles(), QStringList{"Export Complete"});
    QCOMPARE(helper.texts(),
             QStringList{QString("Successfully exported 3 pages to:\n%1").arg(folder)});
}

void TestOutputImages::exportChoices_data()
{
    QTest::addColumn<bool>("allPages");
    QTest::addColumn<QStringList>("files");
    // Numbering follows the export order, not the list position.
    QTest::newRow("selection") << false << QStringList({"page_001.png", "page_002.png"});
    QTest::newRow("all pages") << true
                               << QStringList({"page_001.png", "page_002.png", "page_003.png"});
}

void TestOutputImages::exportChoices()
{
    QFETCH(bool, allPages);
    QFETCH(QStringList, files);
    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 3));
    ws.window.pages().at(1)->setSelected(true);
    ws.window.pages().at(2)->setSelected(true);
    const QString folder = ws.path("images");
    QDir().mkpath(folder);
    DialogHelper helper;
    helper
        .accept([&](QWidget *dialog) {
            exportTo(folder, allPages)(dialog);
            dialog->findChild<QComboBox *>("formatCombo")->setCurrentIndex(1);
            dialog->findChild<QSpinBox *>("dpiSpinBox")->setValue(72);
        })
        .messageBox();
    ws.click("exportButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(filesIn(folder), files);
    // The first file of the selection is the second page, whose label is "2".
    const QImage first(folder + "/page_001.png");
    QCOMPARE(first.size(), QSize(595, 842));
    QCOMPARE(
        first ==
            PdfFixtures::renderPage(ws.path("doc.pdf"), 0, 1.0).convertToFormat(first.format()),
        allPages);
}

void TestOutputImages::exportNothingSelected()
{
    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 2));
    DialogHelper helper;
    helper.accept(exportTo(ws.path("images"), false)).messageBox();
    ws.click("exportButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"No Selection"});
    QCOMPARE(helper.texts(), QStringList{"No pages selected for export."});
}

void TestOutputImages::exportCountsOnlySavedFiles()
{
    Workspace ws;
    const QString gone = ws.pdf("gone.pdf", 1);
    ws.load(ws.pdf("doc.pdf", 2));
    ws.load(gone);
    QVERIFY(QFile::remove(gone));
    const QString folder = ws.path("images");
    QDir().mkpath(folder);
    DialogHelper helper;
    helper.accept(exportTo(folder, true)).messageBox();
    ws.click("exportButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(filesIn(folder), QStringList({"page_001.jpg", "page_002.jpg"}));
    QCOMPARE(
        helper.texts(),
        QStringList{QString::fromUtf8("Successfully exported 2 pages to:\n%1\n\n⚠️ 1 pages "
                                      "could not be exported")
                        .arg(folder)});
}

void TestOutputImages::exportMissingFolder()
{
    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 2));
    const QString folder = ws.path("missing");
    DialogHelper helper;
    helper.accept(exportTo(folder, true)).messageBox();
    ws.click("exportButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"Error"});
    QVERIFY(helper.texts().first().startsWith(
        QString("Could not write file: %1/page_001.jpg\n\n").arg(folder)));
    QVERIFY(!QFileInfo::exists(folder));
}

void TestOutputImages::extractLeavesGapsForUnreadableSources()
{
    Workspace ws;
    const QString first = ws.pdf("a.pdf", 1);
    const QString gone = ws.pdf("gone.pdf", 1);
    const QString last = ws.pdf("c.pdf", 1);
    for (const QString &file : {first, gone, last})
        ws.load(file);
    ws.window.pages().at(2)->setRotation(270);
    QVERIFY(QFile::remove(gone));
    const QString folder = ws.path("images");
    QDir().mkpath(folder);
    DialogHelper helper;
    helper.file(folder).item("PNG (*.png)").messageBox();
    ws.click("extractButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    QCOMPARE(filesIn(folder), QStringList({"page_0001.png", "page_0003.png"}));
    QCOMPARE(QImage(folder + "/page_0001.png").size(), QSize(1190, 1684));
    QCOMPARE(QImage(folder + "/page_0003.png").size(), QSize(1684, 1190));
    QCOMPARE(helper.titles(), QStringList{"Extraction Complete"});
    QCOMPARE(
        helper.texts(),
        QStringList{QString::fromUtf8("✅ Successfully extracted 2 images to:\n%1\n\n⚠️ 1 "
                                      "images could not be extracted")
                        .arg(folder)});
}

QTEST_MAIN(TestOutputImages)
#include "tst_outputimages.moc"
