#include "OutputJobs.h"
#include "OutputTestSupport.h"

using namespace OutputTest;

namespace {
const char *const kCustomDpi = "🎯 Özel DPI...";
const char *const kBalanced = "⚖️ Dengeli kalite (150 DPI - önerilen)";
} // namespace

class TestOutputSheets : public QObject
{
    Q_OBJECT

private slots:
    void sizeText_data();
    void sizeText();
    void compressCustomDpi();
    void compressCountsEachSourceOnce();
    void compressWithoutInputSaysUnknown();
    void compressUnwritableTarget();
    void webOptimisation();
    void crop_data();
    void crop();
    void cropHalfDoesNotCrash();
};

void TestOutputSheets::sizeText_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("1023") << qint64(1023) << "1023 B";
    QTest::newRow("1024") << qint64(1024) << "1 KB";
    QTest::newRow("1048575") << qint64(1048575) << "1023 KB";
    QTest::newRow("1048576") << qint64(1048576) << "1.00 MB";
}

void TestOutputSheets::sizeText()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(OutputJobs::sizeText(bytes), text);
}

void TestOutputSheets::compressCustomDpi()
{
    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 3));
    const QString out = ws.path("small.pdf");
    StatusLog status(ws.window);
    DialogHelper helper;
    helper.item(QString::fromUtf8(kCustomDpi)).integer(50).file(out).messageBox();
    ws.click("compressButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    QCOMPARE(PdfFixtures::pdfinfoPages(out), 3);
    QVERIFY(PdfFixtures::qpdfCheckClean(out));
    QVERIFY(!hasSoftMask(out));
    // 595 x 842 points at 50/72.
    QCOMPARE(embeddedImageSizes(out), QList<QSize>{QSize(413, 584)});
    QVERIFY(status.texts.contains(QString::fromUtf8("Sıkıştırılıyor... 1/3 (33%)")));
    QCOMPARE(helper.titles(), QStringList{QString::fromUtf8("Sıkıştırma Tamamlandı")});
    const QString text = helper.texts().first();
    QVERIFY2(text.contains(QString::fromUtf8("• Kalite: Özel 50 DPI\n• Çözünürlük: 50 DPI\n• "
                                             "İşlenen sayfa: 3/3\n")),
             qPrintable(text));
}

void TestOutputSheets::compressCountsEachSourceOnce()
{
    Workspace ws;
    const QString source = ws.pdf("doc.pdf", 10);
    ws.load(source);
    const QString out = ws.path("compressed.pdf");
    DialogHelper helper;
    helper.item(QString::fromUtf8(kBalanced)).file(out).messageBox();
    ws.click("compressButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    const double expected =
        100.0 * (1.0 - double(QFileInfo(out).size()) / QFileInfo(source).size());
    const QString text = helper.texts().first();
    QVERIFY2(
        text.contains(QString::fromUtf8("• Tahmini sıkıştırma: ~%1%\n").arg(expected, 0, 'f', 1)),
        qPrintable(text));
    QVERIFY(text.endsWith(QString::fromUtf8("📁 Dosya: compressed.pdf")));
}

void TestOutputSheets::compressWithoutInputSaysUnknown()
{
    Workspace ws;
    const QString source = ws.pdf("doc.pdf", 1);
    ws.load(source);
    QVERIFY(QFile::remove(source));
    const QString out = ws.path("compressed.pdf");
    DialogHelper helper;
    helper.item(QString::fromUtf8(kBalanced)).file(out).messageBox();
    ws.click("compressButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    const QString text = helper.texts().first();
    QVERIFY2(text.contains(QString::fromUtf8("• İşlenen sayfa: 0/1\n")), qPrintable(text));
    QVERIFY2(text.contains(QString::fromUtf8("• Tahmini sıkıştırma: bilinmiyor\n")),
             qPrintable(text));
    QCOMPARE(PdfFixtures::pdfinfoPages(out), 1); // the empty page keeps its position
}

void TestOutputSheets::compressUnwritableTarget()
{
    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 1));
    const QString target = unwritablePath(ws.dir, "compressed.pdf");
    DialogHelper helper;
    helper.item(QString::fromUtf8(kBalanced)).file(target).messageBox();
    ws.click("compressButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"Hata"});
    QVERIFY(helper.texts().first().startsWith(
        QString::fromUtf8("Dosya yazılamadı: %1\n\n").arg(target)));
    QVERIFY(!QFileInfo::exists(target));
}

void TestOutputSheets::webOptimisation()
{
    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 3));
    const QString out = ws.path("web.pdf");
    DialogHelper helper;
    helper.file(out).messageBox();
    ws.click("optimizeButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(PdfFixtures::pdfinfoPages(out), 3);
    QCOMPARE(embeddedImageSizes(out, 2), QList<QSize>{QSize(793, 1122)}); // 96 dpi
    QCOMPARE(helper.titles(), QStringList{"Optimization Complete"});
    const QString text = helper.texts().first();
    QVERIFY2(text.startsWith(QString::fromUtf8("✅ Optimized PDF saved to:\n%1\n\nOriginal size: "
                                               "~1500 KB\nOptimized size: %2 KB\nReduction: ~")
                                 .arg(out)
                                 .arg(QFileInfo(out).size() / 1024)),
             qPrintable(text));
}

void TestOutputSheets::crop_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<double>("custom"); // < 0: none asked
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QSize>("kept");
    QTest::addColumn<bool>("cornerDark"); // the mark reaches the kept part's corner
    QTest::addColumn<QString>("reported");

    QTest::newRow("10 %") << "Remove 10% margins (all sides)" << -1.0 << 0 << QSize(952, 1348)
                          << true << "10.0";
    QTest::newRow("15 %") << "Remove 15% margins (all sides)" << -1.0 << 0 << QSize(834, 1180)
                          << false << "15.0";
    QTest::newRow("custom 0") << "Custom crop..." << 0.0 << 0 << QSize(1190, 1684) << false
                              << "0.0";
    // Cut from the unturned page, then turned: the mark's corner goes top right.
    QTest::newRow("10 %, turned 90")
        << "Remove 10% margins (all sides)" << -1.0 << 90 << QSize(1348, 952) << true << "10.0";
}

void TestOutputSheets::crop()
{
    QFETCH(QString, preset);
    QFETCH(double, custom);
    QFETCH(int, rotation);
    QFETCH(QSize, kept);
    QFETCH(bool, cornerDark);
    QFETCH(QString, reported);

    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 1));
    ws.window.pages().first()->setRotation(rotation);
    const QString out = ws.path("cropped.pdf");
    DialogHelper helper;
    helper.item(preset);
    if (custom >= 0)
        helper.real(custom);
    helper.file(out).messageBox();
    ws.click("cropButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    QCOMPARE(embeddedImageSizes(out), QList<QSize>{kept});
    const QImage image = embeddedImage(out);
    QCOMPARE(image.size(), kept);
    const QPoint corner = rotation == 90 ? QPoint(image.width() - 3, 2) : QPoint(2, 2);
    QCOMPARE(PdfFixtures::isDark(image.pixelColor(corner)), cornerDark);
    QVERIFY(PdfFixtures::isWhite(image.pixelColor(image.width() / 2, image.height() - 3)));
    // The page stays a portrait A4 sheet filled by the kept part.
    const QSizeF sheet = PdfFixtures::pdfinfoPageSize(out);
    QVERIFY(qAbs(sheet.width() - 595) < 2 && qAbs(sheet.height() - 842) < 2);
    QCOMPARE(helper.texts().first(),
             QString::fromUtf8("✅ Cropped PDF saved to:\n%1\n\nMargins removed: %2%")
                 .arg(out, reported));
}

void TestOutputSheets::cropHalfDoesNotCrash()
{
    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 2));
    const QString out = ws.path("cropped.pdf");
    DialogHelper helper;
    helper.item("Custom crop...").real(50.0).file(out).messageBox();
    ws.click("cropButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(PdfFixtures::pdfinfoPages(out), 2);
    QVERIFY(PdfFixtures::qpdfCheckClean(out));
}

QTEST_MAIN(TestOutputSheets)
#include "tst_outputsheets.moc"
