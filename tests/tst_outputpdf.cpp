#include "OutputJobs.h"
#include "OutputTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProgressBar>

using namespace OutputTest;
using PdfFixtures::Page;

namespace {
using Outline = QList<QPair<QString, int>>; // title, target page from 1

Outline outlineOf(const QString &pdf, const QString &password = QString())
{
    QStringList args{"--json", "--json-key=outlines"};
    if (!password.isEmpty())
        args << "--password=" + password;
    const QString json = PdfFixtures::run("qpdf", args << pdf);
    Outline outline;
    for (const QJsonValue item : QJsonDocument::fromJson(json.toUtf8())["outlines"].toArray())
        outline.append({item["title"].toString(), item["destpageposfrom1"].toInt()});
    return outline;
}

const QString kEveryPage = QString::fromUtf8("Her sayfayı ayrı PDF yap");
const QString kSelected = QString::fromUtf8("Seçili sayfaları ayrı PDF'lere böl");
const QString kEveryN = QString::fromUtf8("Her N sayfada bir böl");
const QString kBalanced = QString::fromUtf8("⚖️ Dengeli kalite (150 DPI - önerilen)");
const QString kCrop10 = "Remove 10% margins (all sides)";
} // namespace

// Merge, split, compress, web optimisation and crop: the files they write and
// what they report.
class TestOutputPdf : public QObject
{
    Q_OBJECT

private slots:
    void mergeReport_data();
    void mergeReport();
    void mergePlacement_data();
    void mergePlacement();
    void mergeAutoNumbersKeepListPositions();
    void mergePassword_data();
    void mergePassword();
    void mergeIntoOneOfItsSources();
    void unwritableTarget_data();
    void unwritableTarget();
    void splitEveryN_data();
    void splitEveryN();
    void splitEveryPageKeepsSourceSize();
    void splitSelected_data();
    void splitSelected();
    void splitThousandthPageNumberInFull();
    void splitIntoVanishedFolder();
    void sizeText_data();
    void sizeText();
    void compressCustomDpi();
    void compressReduction_data();
    void compressReduction();
    void webOptimisation();
    void crop_data();
    void crop();
};

void TestOutputPdf::mergeReport_data()
{
    QTest::addColumn<QStringList>("sources"); // one single-page file each, in list order
    QTest::addColumn<int>("distinct");
    QTest::addColumn<QStringList>("missing"); // sources deleted before the merge
    QTest::addColumn<Outline>("outline");
    QTest::newRow("single page") << QStringList{"a"} << 1 << QStringList() << Outline{{"a.pdf", 1}};
    QTest::newRow("three files interleaved")
        << QStringList{"a", "b", "c", "a", "b"} << 3 << QStringList()
        << Outline{{"a.pdf", 1}, {"b.pdf", 2}, {"c.pdf", 3}};
    // A file none of whose pages made it gets no entry; the others point at
    // the sheets their pages really landed on.
    QTest::newRow("a file skipped") << QStringList{"a", "b", "c", "b"} << 2 << QStringList{"a"}
                                    << Outline{{"b.pdf", 1}, {"c.pdf", 2}};
}

void TestOutputPdf::mergeReport()
{
    QFETCH(QStringList, sources);
    QFETCH(int, distinct);
    QFETCH(QStringList, missing);
    QFETCH(Outline, outline);
    Workspace ws;
    for (const QString &name : sources)
        ws.load(name + ".pdf", 1);
    for (const QString &name : missing)
        QVERIFY(QFile::remove(ws.path(name + ".pdf")));
    const QString out = ws.path("merged.pdf");
    DialogHelper helper;
    helper.messageBox(QMessageBox::No).file(out).messageBox();
    RUN_COMMAND(ws, "mergeButton", helper);

    const int written = sources.size() - missing.size();
    QCOMPARE(PdfFixtures::pageCount(out), written);
    QCOMPARE(PdfFixtures::pdfinfoPages(out), written);
    QCOMPARE(outlineOf(out), outline);
    QVERIFY(near(PdfFixtures::pdfinfoPageSize(out), {595, 842}));
    QVERIFY(PdfFixtures::qpdfCheckClean(out));
    QVERIFY(!hasSoftMask(out));
    QCOMPARE(helper.titles().last(), QString::fromUtf8("Başarılı"));
    // Sizes are whole KB, never rounded up (1500 bytes are 1 KB).
    QCOMPARE(helper.texts().last(),
             QString::fromUtf8("✅ %1 sayfa başarıyla birleştirildi!\n\nDosya: merged.pdf\nKonum: "
                               "%2\nBoyut: %3 KB\n\n📑 %4 kaynak dosyadan bookmark'lar eklendi")
                 .arg(sources.size())
                 .arg(ws.dir.path())
                 .arg(QFileInfo(out).size() / 1024)
                 .arg(distinct));
}

void TestOutputPdf::mergePlacement_data()
{
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QPointF>("mark"); // where the black mark lands on the sheet
    QTest::newRow("landscape page") << true << 0 << QPointF(0.12, 0.06);
    QTest::newRow("portrait turned 90") << false << 90 << QPointF(0.84, 0.09);
}

void TestOutputPdf::mergePlacement()
{
    QFETCH(bool, landscape);
    QFETCH(int, rotation);
    QFETCH(QPointF, mark);
    Workspace ws;
    ws.load("page.pdf", {landscape ? landscapeA4() : Page()});
    ws.page(0)->setRotation(rotation);
    const QString out = ws.path("merged.pdf");
    DialogHelper helper;
    helper.messageBox(QMessageBox::No).file(out).messageBox();
    RUN_COMMAND(ws, "mergeButton", helper);

    // Full width of the portrait sheet, top-aligned, the lower part empty.
    const QImage sheet = popplerPage(out, 1, 30);
    QVERIFY(sheet.height() > sheet.width());
    const QPointF centre = PdfFixtures::darkCentre(sheet);
    QVERIFY2(qAbs(centre.x() - mark.x()) < 0.06 && qAbs(centre.y() - mark.y()) < 0.06,
             qPrintable(QString("mark at %1,%2").arg(centre.x()).arg(centre.y())));
    for (int y = sheet.height() * 3 / 4; y < sheet.height(); y += 4)
        for (int x = 0; x < sheet.width(); x += 4)
            QVERIFY(PdfFixtures::isWhite(sheet.pixelColor(x, y)));
}

void TestOutputPdf::mergeAutoNumbersKeepListPositions()
{
    // Seven alike pages; the fourth's file is gone by the second merge. Its
    // fourth sheet must then look like the first merge's fifth: "5 / 7".
    Workspace ws;
    const QList<Page> alike(3, Page{QPageSize(QPageSize::A4), QPageLayout::Portrait, "A"});
    ws.load("first.pdf", alike);
    const QString gone = ws.load("gone.pdf", {alike.first()});
    ws.load("last.pdf", alike);
    ws.window.findChild<QCheckBox *>("autoNumbersCheckBox")->setChecked(true);
    const QString full = ws.path("full.pdf"), skipped = ws.path("skipped.pdf");
    DialogHelper helper;
    helper.messageBox(QMessageBox::No).file(full).messageBox();
    RUN_COMMAND(ws, "mergeButton", helper);
    QVERIFY(QFile::remove(gone));
    helper.messageBox(QMessageBox::No).file(skipped).messageBox();
    RUN_COMMAND(ws, "mergeButton", helper);

    QCOMPARE(PdfFixtures::pdfinfoPages(skipped), 6);
    QVERIFY(helper.texts().last().startsWith(QString::fromUtf8("✅ 7 sayfa")));
    QVERIFY(helper.texts().last().endsWith(
        QString::fromUtf8("\n\n🔢 Otomatik sayfa numaraları eklendi")));
    QCOMPARE(popplerPage(skipped, 4, 40), popplerPage(full, 5, 40));
    QVERIFY(popplerPage(skipped, 4, 40) != popplerPage(full, 4, 40));
}

void TestOutputPdf::mergePassword_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("levelIndex");
    QTest::addColumn<QString>("method"); // empty: not encrypted
    QTest::newRow("empty password accepted") << "" << 0 << "";
    QTest::newRow("128-bit") << "secret" << 0 << "AESv2";
    QTest::newRow("256-bit with copying") << QString::fromUtf8("şifre") << 1 << "AESv3";
}

// A merge with a password is encrypted with it (as user and owner password),
// keeps its outline, and says so.
void TestOutputPdf::mergePassword()
{
    QFETCH(QString, password);
    QFETCH(int, levelIndex);
    QFETCH(QString, method);
    Workspace ws;
    ws.load("a.pdf", 2);
    ws.load("b.pdf", 1);
    DialogHelper helper;
    // Accepted directly: the dialog's own check would refuse an empty password.
    helper.messageBox(QMessageBox::Yes).accept([password, levelIndex](QWidget *dialog) {
        for (auto *edit : dialog->findChildren<QLineEdit *>())
            edit->setText(password);
        dialog->findChild<QComboBox *>("encryptionCombo")->setCurrentIndex(levelIndex);
        dialog->findChild<QCheckBox *>("copyingCheckBox")->setChecked(levelIndex == 1);
    });
    const QString out = ws.path("m.pdf");
    helper.file(out).messageBox();
    RUN_COMMAND(ws, "mergeButton", helper);
    QVERIFY(helper.texts().first().contains(QString::fromUtf8("AES kullanılarak şifrelenecek")));
    const QString text = helper.texts().last();
    if (method.isEmpty()) {
        QVERIFY2(text.endsWith(QString::fromUtf8("bookmark'lar eklendi")), qPrintable(text));
        QCOMPARE(PdfFixtures::pageCount(out), 3);
        return;
    }
    const int bits = method == "AESv3" ? 256 : 128;
    QVERIFY2(text.endsWith(QString::fromUtf8("\n\n🔒 Dosya %1-bit AES şifrelemeyle korundu. Açmak "
                                             "için şifre gerekir.")
                               .arg(bits)),
             qPrintable(text));
    QVERIFY(text.contains(QString::fromUtf8("📑 2 kaynak dosyadan")));
    QCOMPARE(PdfFixtures::pageCount(out), -1);
    QCOMPARE(PdfFixtures::pdfinfoPages(out), -1);
    QCOMPARE(PdfFixtures::pageCount(out, password), 3);
    int code = 0;
    const QString shown =
        PdfFixtures::run("qpdf", {"--show-encryption", "--password=" + password, out}, &code);
    QVERIFY2(shown.contains("Supplied password is owner password"), qPrintable(shown));
    QVERIFY(shown.contains("file encryption method: " + method));
    QVERIFY(shown.contains(QString("extract for any purpose: %1")
                               .arg(levelIndex == 1 ? "allowed" : "not allowed")));
    QCOMPARE(outlineOf(out, password), Outline({{"a.pdf", 1}, {"b.pdf", 3}}));
}

void TestOutputPdf::mergeIntoOneOfItsSources()
{
    Workspace ws;
    const QString source = ws.load("source.pdf", 3);
    DialogHelper helper;
    // The save dialog asks before replacing an existing file.
    helper.messageBox(QMessageBox::No).file(source).messageBox(QMessageBox::Yes).messageBox();
    RUN_COMMAND(ws, "mergeButton", helper);
    QCOMPARE(PdfFixtures::pdfinfoPages(source), 3);
    QVERIFY(PdfFixtures::qpdfCheckClean(source));
    for (int page = 1; page <= 3; ++page)
        QVERIFY(PdfFixtures::darkCentre(popplerPage(source, page)).x() >= 0);
}

void TestOutputPdf::unwritableTarget_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("choice"); // the item chosen before the save dialog
    QTest::addColumn<QString>("title");
    QTest::newRow("merge") << QByteArray("mergeButton") << ""
                           << "Hata";
    QTest::newRow("compress") << QByteArray("compressButton") << kBalanced << "Hata";
    QTest::newRow("web") << QByteArray("optimizeButton") << ""
                         << "Error";
    QTest::newRow("crop") << QByteArray("cropButton") << kCrop10 << "Error";
}

void TestOutputPdf::unwritableTarget()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, choice);
    QFETCH(QString, title);
    Workspace ws;
    ws.load("a.pdf", 1);
    const QString target = unwritablePath(ws.dir, "out.pdf");
    DialogHelper helper;
    if (button == "mergeButton")
        helper.messageBox(QMessageBox::No);
    if (!choice.isEmpty())
        helper.item(choice);
    helper.file(target).messageBox();
    RUN_COMMAND(ws, button.constData(), helper);
    QStringList titles = helper.titles();
    if (button == "mergeButton")
        titles.removeFirst(); // the password question
    QCOMPARE(titles, QStringList{title}); // and no success box
    QVERIFY(helper.texts().last().contains(target + "\n\n"));
    QVERIFY(!QFileInfo::exists(target));
}

void TestOutputPdf::splitEveryN_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("perFile");
    QTest::addColumn<QList<int>>("pagesPerFile");
    QTest::newRow("eleven every 5") << 11 << 5 << QList<int>{5, 5, 1};
    QTest::newRow("N equals count") << 3 << 3 << QList<int>{3};
}

void TestOutputPdf::splitEveryN()
{
    QFETCH(int, pages);
    QFETCH(int, perFile);
    QFETCH(QList<int>, pagesPerFile);
    Workspace ws;
    ws.load("doc.pdf", pages);
    const QString folder = ws.folder("out");
    StatusLog status(ws.window);
    DialogHelper helper;
    helper.item(kEveryN).file(folder).integer(perFile).messageBox();
    RUN_COMMAND(ws, "splitButton", helper);

    const int files = pagesPerFile.size();
    QCOMPARE(filesIn(folder).size(), files);
    for (int k = 1; k <= files; ++k) {
        const QString file = folder + QString("/bolum_%1.pdf").arg(k, 3, 10, QChar('0'));
        QCOMPARE(PdfFixtures::pdfinfoPages(file), pagesPerFile[k - 1]);
        QVERIFY(PdfFixtures::qpdfCheckClean(file));
    }
    QVERIFY(status.texts.contains(QString::fromUtf8("Bölünüyor... %1/%1 dosya").arg(files)));
    QCOMPARE(helper.titles(), QStringList{QString::fromUtf8("Bölme Tamamlandı")});
    QCOMPARE(helper.texts().first(),
             QString::fromUtf8("✅ %1 PDF dosyası oluşturuldu\n\nKonum: %2").arg(files).arg(folder));
}

void TestOutputPdf::splitEveryPageKeepsSourceSize()
{
    Workspace ws;
    ws.load("report.v2.pdf",
            {Page{QPageSize(QPageSize::Letter), QPageLayout::Portrait, {}}, Page(), landscapeA4()});
    ws.load("report.pdf", 1);
    ws.page(1)->setRotation(90);
    const QString folder = ws.folder("out");
    DialogHelper helper;
    helper.item(kEveryPage).file(folder).messageBox();
    RUN_COMMAND(ws, "splitButton", helper);

    // Both sources share the base name; only the position tells them apart.
    const QList<QSizeF> sizes{{612, 792}, {595, 842}, {842, 595}, {595, 842}};
    QCOMPARE(filesIn(folder).size(), sizes.size());
    for (int i = 0; i < sizes.size(); ++i) {
        const QString file = folder + QString("/report_sayfa_%1.pdf").arg(i + 1, 3, 10, QChar('0'));
        QVERIFY2(near(PdfFixtures::pdfinfoPageSize(file), sizes[i]), qPrintable(file));
        QVERIFY(!hasSoftMask(file));
    }
    // The turned page keeps its portrait sheet; its mark moves to the top right.
    const QPointF mark = PdfFixtures::darkCentre(popplerPage(folder + "/report_sayfa_002.pdf", 1));
    QVERIFY(mark.x() > 0.7 && mark.y() < 0.2);
}

void TestOutputPdf::splitSelected_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("title");
    QTest::newRow("two selected") << QList<int>{0, 2}
                                  << QStringList{"secili_001.pdf", "secili_002.pdf"}
                                  << QString::fromUtf8("Bölme Tamamlandı");
    QTest::newRow("none selected")
        << QList<int>{} << QStringList{} << QString::fromUtf8("Seçim Yok");
}

void TestOutputPdf::splitSelected()
{
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, files);
    QFETCH(QString, title);
    Workspace ws;
    ws.load("doc.pdf", 3);
    for (int i : selected)
        ws.page(i)->setSelected(true);
    const QString folder = ws.folder("out");
    DialogHelper helper;
    helper.item(kSelected).file(folder).messageBox(); // "Seçim Yok" comes after the folder
    RUN_COMMAND(ws, "splitButton", helper);
    QCOMPARE(filesIn(folder), files);
    QCOMPARE(helper.titles(), QStringList{title});
    QVERIFY(!ws.window.findChild<QProgressBar *>("progressBar")->isVisible());
}

void TestOutputPdf::splitThousandthPageNumberInFull()
{
    // 999 pages whose file is gone by the time of the split, then a real one.
    Workspace ws;
    DialogHelper helper;
    helper.messageBox(QMessageBox::Yes).messageBox(QMessageBox::Yes); // large-workspace warnings
    const QString gone = ws.load("gone.pdf", 999);
    ws.load("last.pdf", 1);
    QVERIFY(QFile::remove(gone));
    const QString folder = ws.folder("out");
    helper.item(kEveryPage).file(folder).messageBox();
    RUN_COMMAND(ws, "splitButton", helper);
    QCOMPARE(filesIn(folder), QStringList{"last_sayfa_1000.pdf"});
    QCOMPARE(helper.texts().last(),
             QString::fromUtf8(
                 "✅ 1 PDF dosyası oluşturuldu\n\nKonum: %1\n\n⚠️ 999 sayfa işlenemedi")
                 .arg(folder));
}

void TestOutputPdf::splitIntoVanishedFolder()
{
    Workspace ws;
    ws.load("doc.pdf", 2);
    const QString folder = ws.folder("vanishing");
    DialogHelper helper;
    helper.item(kEveryN).file(folder).custom([folder](QWidget *w) {
        QDir(folder).removeRecursively(); // gone after it was chosen
        static_cast<QInputDialog *>(w)->setIntValue(1);
        static_cast<QInputDialog *>(w)->accept();
    });
    helper.messageBox();
    RUN_COMMAND(ws, "splitButton", helper);
    QCOMPARE(helper.titles(), QStringList{"Hata"});
    QVERIFY(helper.texts().first().contains(folder + "/bolum_001.pdf"));
    QVERIFY(!QFileInfo::exists(folder));
}

void TestOutputPdf::sizeText_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("1023") << qint64(1023) << "1023 B";
    QTest::newRow("1024") << qint64(1024) << "1 KB";
    QTest::newRow("1048575") << qint64(1048575) << "1023 KB";
    QTest::newRow("1048576") << qint64(1048576) << "1.00 MB";
}

void TestOutputPdf::sizeText()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(OutputJobs::sizeText(bytes), text);
}

void TestOutputPdf::compressCustomDpi()
{
    Workspace ws;
    ws.load("doc.pdf", 3);
    const QString out = ws.path("small.pdf");
    StatusLog status(ws.window);
    DialogHelper helper;
    helper.item(QString::fromUtf8("🎯 Özel DPI...")).integer(50).file(out).messageBox();
    RUN_COMMAND(ws, "compressButton", helper);

    QCOMPARE(PdfFixtures::pdfinfoPages(out), 3);
    QVERIFY(PdfFixtures::qpdfCheckClean(out));
    QCOMPARE(embeddedImages(out), QStringList{"image 413 584"}); // 595 x 842 at 50/72, no smask
    QVERIFY(status.texts.contains(QString::fromUtf8("Sıkıştırılıyor... 1/3 (33%)")));
    QVERIFY(helper.texts().first().contains(
        QString::fromUtf8("• Kalite: Özel 50 DPI\n• Çözünürlük: 50 DPI\n• İşlenen sayfa: 3/3\n")));
}

void TestOutputPdf::compressReduction_data()
{
    QTest::addColumn<bool>("sourceKept");
    QTest::newRow("ten pages of one file") << true;
    QTest::newRow("no input") << false;
}

void TestOutputPdf::compressReduction()
{
    QFETCH(bool, sourceKept);
    Workspace ws;
    const QString source = ws.load("doc.pdf", 10);
    const qint64 input = QFileInfo(source).size(); // counted once, not ten times
    if (!sourceKept)
        QFile::remove(source);
    const QString out = ws.path("compressed.pdf");
    DialogHelper helper;
    helper.item(kBalanced).file(out).messageBox();
    RUN_COMMAND(ws, "compressButton", helper);
    const QString reduction =
        sourceKept
            ? QString("~%1%").arg(100.0 * (1.0 - double(QFileInfo(out).size()) / input), 0, 'f', 1)
            : QString::fromUtf8("bilinmiyor");
    QVERIFY2(helper.texts().first().endsWith(
                 QString::fromUtf8("• Tahmini sıkıştırma: %1\n\n📁 Dosya: compressed.pdf")
                     .arg(reduction)),
             qPrintable(helper.texts().first()));
    QCOMPARE(PdfFixtures::pdfinfoPages(out), 10); // missing pages leave empty sheets
}

void TestOutputPdf::webOptimisation()
{
    Workspace ws;
    ws.load("doc.pdf", 3);
    const QString out = ws.path("web.pdf");
    DialogHelper helper;
    helper.file(out).messageBox();
    RUN_COMMAND(ws, "optimizeButton", helper);
    QCOMPARE(embeddedImages(out, 3), QStringList{"image 793 1122"}); // 96 dpi
    QVERIFY(helper.texts().first().startsWith(
        QString::fromUtf8("✅ Optimized PDF saved to:\n%1\n\nOriginal size: ~1500 KB\nOptimized "
                          "size: %2 KB\nReduction: ~")
            .arg(out)
            .arg(QFileInfo(out).size() / 1024)));
}

void TestOutputPdf::crop_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<double>("custom"); // < 0: not asked
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<bool>("markInCorner"); // the mark reaches the kept part's corner
    QTest::addColumn<QString>("reported");
    QTest::newRow("10 %") << kCrop10 << -1.0 << 0 << "image 952 1348" << true << "10.0";
    QTest::newRow("15 %") << "Remove 15% margins (all sides)" << -1.0 << 0 << "image 834 1180"
                          << false << "15.0";
    QTest::newRow("custom 0") << "Custom crop..." << 0.0 << 0 << "image 1190 1684" << false
                              << "0.0";
    QTest::newRow("custom 50") << "Custom crop..." << 50.0 << 0 << "" << false << "50.0";
    // Cut from the unturned page, then turned: the mark's corner goes top right.
    QTest::newRow("10 %, turned 90") << kCrop10 << -1.0 << 90 << "image 1348 952" << true << "10.0";
}

void TestOutputPdf::crop()
{
    QFETCH(QString, preset);
    QFETCH(double, custom);
    QFETCH(int, rotation);
    QFETCH(QString, kept);
    QFETCH(bool, markInCorner);
    QFETCH(QString, reported);
    Workspace ws;
    ws.load("doc.pdf", 1);
    ws.page(0)->setRotation(rotation);
    const QString out = ws.path("cropped.pdf");
    DialogHelper helper;
    helper.item(preset);
    if (custom >= 0)
        helper.real(custom);
    helper.file(out).messageBox();
    RUN_COMMAND(ws, "cropButton", helper);

    QVERIFY(near(PdfFixtures::pdfinfoPageSize(out), {595, 842}));
    QCOMPARE(helper.texts().first(),
             QString::fromUtf8("✅ Cropped PDF saved to:\n%1\n\nMargins removed: %2%")
                 .arg(out, reported));
    QCOMPARE(embeddedImages(out), kept.isEmpty() ? QStringList() : QStringList{kept});
    if (kept.isEmpty())
        return;
    const QImage image = embeddedImage(out);
    const QPoint corner(rotation == 90 ? image.width() - 3 : 2, 2);
    QCOMPARE(PdfFixtures::isDark(image.pixelColor(corner)), markInCorner);
    QVERIFY(PdfFixtures::isWhite(image.pixelColor(image.width() / 2, image.height() - 3)));
}

QTEST_MAIN(TestOutputPdf)
#include "tst_outputpdf.moc"
