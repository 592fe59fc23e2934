#include "OutputTestSupport.h"

using namespace OutputTest;
using namespace PdfFixtures;

namespace {
using Outline = QList<QPair<QString, int>>; // title, target page from 1

const Page kLandscape{QPageSize(QPageSize::A4), QPageLayout::Landscape, {}};
const QString kEveryPage = QString::fromUtf8("Her sayfayı ayrı PDF yap");
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
    void mergeReport_data()
    {
        QTest::addColumn<QStringList>("sources"); // one single-page file each, in list order
        QTest::addColumn<QStringList>("missing"); // deleted before the merge
        QTest::addColumn<Outline>("outline");
        QTest::newRow("single page") << QStringList{"a"} << QStringList() << Outline{{"a.pdf", 1}};
        QTest::newRow("three files interleaved")
            << QStringList{"a", "b", "c", "a", "b"} << QStringList()
            << Outline{{"a.pdf", 1}, {"b.pdf", 2}, {"c.pdf", 3}};
        // A file none of whose pages made it gets no entry; the others point at
        // the sheets their pages really landed on.
        QTest::newRow("a file skipped") << QStringList{"a", "b", "c", "b"} << QStringList{"a"}
                                        << Outline{{"b.pdf", 1}, {"c.pdf", 2}};
        // The target is the last page's own source, read while the file is written.
        QTest::newRow("into one of its sources")
            << QStringList{"a", "b", "merged"} << QStringList()
            << Outline{{"a.pdf", 1}, {"b.pdf", 2}, {"merged.pdf", 3}};
    }
    void mergeReport()
    {
        QFETCH(QStringList, sources);
        QFETCH(QStringList, missing);
        QFETCH(Outline, outline);
        Workspace ws;
        for (const QString &name : sources)
            ws.load(name + ".pdf", 1);
        for (const QString &name : missing)
            QVERIFY(QFile::remove(ws.path(name + ".pdf")));
        const QString out = ws.path("merged.pdf");
        ws.prompter << Answer::No << out;
        RUN_COMMAND(ws, "merge");

        const int sheets = sources.size() - missing.size();
        QCOMPARE(pdfinfoPages(out), sheets);
        for (int page = 1; page <= sheets; ++page)
            QVERIFY(darkCentre(popplerPage(out, page)).x() >= 0);
        QCOMPARE(PdfFixtures::outline(out), outline);
        QVERIFY(near(pdfinfoPageSize(out), {595, 842}));
        QVERIFY(qpdfCheckClean(out));
        QVERIFY(!run("pdfimages", {"-list", out}).contains(" smask "));
        // Sizes are whole KB, never rounded up (1500 bytes are 1 KB).
        const QString text = ws.prompter.texts().last();
        QVERIFY(text.startsWith(QString::fromUtf8("✅ %1 sayfa").arg(sources.size())));
        QVERIFY(text.contains(QString("Boyut: %1 KB").arg(QFileInfo(out).size() / 1024)));
        QVERIFY(text.endsWith(
            QString::fromUtf8("📑 %1 kaynak dosyadan bookmark'lar eklendi").arg(outline.size())));
    }

    void mergePlacement_data()
    {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QPointF>("mark"); // where the black mark lands on the sheet
        QTest::newRow("landscape page") << true << 0 << QPointF(0.12, 0.06);
        QTest::newRow("portrait turned 90") << false << 90 << QPointF(0.84, 0.09);
    }
    void mergePlacement()
    {
        QFETCH(bool, landscape);
        QFETCH(int, rotation);
        QFETCH(QPointF, mark);
        Workspace ws;
        ws.load("page.pdf", {landscape ? kLandscape : Page()});
        ws.page(0).rotation = rotation;
        const QString out = ws.path("merged.pdf");
        ws.prompter << Answer::No << out;
        RUN_COMMAND(ws, "merge");

        // Full width of the portrait sheet, top-aligned, the lower part empty.
        const QImage sheet = popplerPage(out, 1, 30);
        QVERIFY(sheet.height() > sheet.width());
        const QPointF centre = darkCentre(sheet);
        QVERIFY2(qAbs(centre.x() - mark.x()) < 0.06 && qAbs(centre.y() - mark.y()) < 0.06,
                 qPrintable(QString("mark at %1,%2").arg(centre.x()).arg(centre.y())));
        for (int y = sheet.height() * 3 / 4; y < sheet.height(); y += 4)
            for (int x = 0; x < sheet.width(); x += 4)
                QVERIFY(isWhite(sheet.pixelColor(x, y)));
    }

    void mergeAutoNumbersKeepListPositions()
    {
        // Seven alike pages; the fourth's file is gone by the second merge. Its
        // fourth sheet must then look like the first merge's fifth: "5 / 7".
        Workspace ws;
        const QList<Page> alike(3, Page{QPageSize(QPageSize::A4), QPageLayout::Portrait, "A"});
        ws.load("first.pdf", alike);
        const QString gone = ws.load("gone.pdf", {alike.first()});
        ws.load("last.pdf", alike);
        ws.state.autoNumbers = true;
        const QString full = ws.path("full.pdf"), skipped = ws.path("skipped.pdf");
        ws.prompter << Answer::No << full;
        RUN_COMMAND(ws, "merge");
        QVERIFY(QFile::remove(gone));
        ws.prompter << Answer::No << skipped;
        RUN_COMMAND(ws, "merge");

        QCOMPARE(pdfinfoPages(skipped), 6);
        QVERIFY(ws.prompter.texts().last().endsWith(
            QString::fromUtf8("\n\n🔢 Otomatik sayfa numaraları eklendi")));
        // Where the label sits: the bottom centre of the sheet.
        auto label = [](const QString &pdf, int page) {
            const QImage sheet = popplerPage(pdf, page, 100);
            const int w = sheet.width(), h = sheet.height();
            return sheet.copy(w * 2 / 5, h * 9 / 10, w / 5, h / 10);
        };
        QVERIFY(sameImage(label(skipped, 4), label(full, 5)));
        QVERIFY(!sameImage(label(skipped, 4), label(full, 4)));
    }

    void mergePassword_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("levelIndex"); // 1 also allows copying
        QTest::addColumn<QString>("method"); // empty: not encrypted
        QTest::newRow("empty password accepted") << "" << 0 << "";
        QTest::newRow("128-bit") << "secret" << 0 << "AESv2";
        QTest::newRow("256-bit with copying") << QString::fromUtf8("şifre") << 1 << "AESv3";
    }
    // Encrypted with the password as user and owner password, outline kept.
    void mergePassword()
    {
        QFETCH(QString, password);
        QFETCH(int, levelIndex);
        QFETCH(QString, method);
        Workspace ws;
        ws.load("a.pdf", 2);
        ws.load("b.pdf", 1);
        const QString out = ws.path("m.pdf");
        const bool strong = levelIndex == 1;
        ws.prompter << Answer::Yes
                    << PdfPostProcessor::EncryptionOptions{password, password, strong ? 256 : 128,
                                                           true,     strong,   false}
                    << out;
        RUN_COMMAND(ws, "merge");
        const QString text = ws.prompter.texts().last();
        if (method.isEmpty()) {
            QVERIFY2(text.endsWith(QString::fromUtf8("bookmark'lar eklendi")), qPrintable(text));
            QCOMPARE(pageCount(out), 3);
            return;
        }
        QVERIFY2(text.endsWith(QString::fromUtf8("\n\n🔒 Dosya %1-bit AES şifrelemeyle korundu. "
                                                 "Açmak için şifre gerekir.")
                                   .arg(method == "AESv3" ? 256 : 128)),
                 qPrintable(text));
        QCOMPARE(pdfinfoPages(out), -1);
        QCOMPARE(pageCount(out, password), 3);
        const QString shown = run("qpdf", {"--show-encryption", "--password=" + password, out});
        QVERIFY2(shown.contains("Supplied password is owner password"), qPrintable(shown));
        QVERIFY(shown.contains("file encryption method: " + method));
        QVERIFY(shown.contains(QString("extract for any purpose: %1")
                                   .arg(levelIndex == 1 ? "allowed" : "not allowed")));
        QCOMPARE(outline(out, password), Outline({{"a.pdf", 1}, {"b.pdf", 3}}));
    }

    void unwritableTarget_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("choice"); // the item chosen before the save dialog
        QTest::addColumn<QString>("title");
        QTest::newRow("merge") << QByteArray("merge") << QString() << "Hata";
        QTest::newRow("compress") << QByteArray("compress") << kBalanced << "Hata";
        QTest::newRow("web") << QByteArray("optimizeForWeb") << QString() << "Error";
        QTest::newRow("crop") << QByteArray("crop") << kCrop10 << "Error";
    }
    void unwritableTarget()
    {
        QFETCH(QByteArray, command);
        QFETCH(QString, choice);
        QFETCH(QString, title);
        Workspace ws;
        ws.load("a.pdf", 1);
        const QString target = unwritablePath(ws.dir, "out.pdf");
        const bool merge = command == "merge";
        if (merge)
            ws.prompter << Answer::No;
        if (!choice.isEmpty())
            ws.prompter << choice;
        ws.prompter << target;
        RUN_COMMAND(ws, QString(command));
        QCOMPARE(ws.prompter.titles().mid(merge ? 1 : 0), QStringList{title}); // and no success box
        QVERIFY(ws.prompter.texts().last().contains(target + "\n\n"));
        QVERIFY(!QFileInfo::exists(target));
    }

    void split_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<int>("perFile");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("pagesPerFile"); // of bolum_001.pdf... or secili_001.pdf...
        QTest::addColumn<QString>("title");
        const QString done = QString::fromUtf8("Bölme Tamamlandı");
        const QString selected = QString::fromUtf8("Seçili sayfaları ayrı PDF'lere böl");
        QTest::newRow("eleven every 5")
            << kEveryN << 5 << QList<int>() << QList<int>{5, 5, 1} << done;
        QTest::newRow("N equals count") << kEveryN << 11 << QList<int>() << QList<int>{11} << done;
        QTest::newRow("two selected")
            << selected << 0 << QList<int>{0, 2} << QList<int>{1, 1} << done;
        // "Seçim Yok" comes after the folder was chosen.
        QTest::newRow("none selected")
            << selected << 0 << QList<int>() << QList<int>() << QString::fromUtf8("Seçim Yok");
    }
    void split()
    {
        QFETCH(QString, choice);
        QFETCH(int, perFile);
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, pagesPerFile);
        Workspace ws;
        ws.load("doc.pdf", 11);
        for (int i : selected)
            ws.page(i).selected = true;
        const QString folder = ws.folder("out");
        ws.prompter << choice << folder;
        if (perFile)
            ws.prompter << perFile;
        RUN_COMMAND(ws, "split");

        const int files = pagesPerFile.size();
        QCOMPARE(filesIn(folder).size(), files);
        const QString name = folder + (perFile ? "/bolum_%1.pdf" : "/secili_%1.pdf");
        for (int k = 1; k <= files; ++k) {
            const QString file = name.arg(k, 3, 10, QChar('0'));
            QCOMPARE(pdfinfoPages(file), pagesPerFile[k - 1]);
            QVERIFY(qpdfCheckClean(file));
        }
        if (perFile)
            QVERIFY(ws.statuses.contains(QString::fromUtf8("Bölünüyor... %1/%1 dosya").arg(files)));
        QTEST(ws.prompter.titles().value(0), "title");
    }

    void splitEveryPageKeepsSourceSize()
    {
        Workspace ws;
        ws.load("report.v2.pdf", {Page{QPageSize(QPageSize::Letter), QPageLayout::Portrait, {}},
                                  Page(), kLandscape});
        ws.load("report.pdf", 1);
        ws.page(1).rotation = 90;
        const QString folder = ws.folder("out");
        ws.prompter << kEveryPage << folder;
        RUN_COMMAND(ws, "split");

        // Both sources share the base name; only the position tells them apart.
        const QList<QSizeF> sizes{{612, 792}, {595, 842}, {842, 595}, {595, 842}};
        QCOMPARE(filesIn(folder).size(), sizes.size());
        for (int i = 0; i < sizes.size(); ++i) {
            const QString file =
                folder + QString("/report_sayfa_%1.pdf").arg(i + 1, 3, 10, QChar('0'));
            QVERIFY2(near(pdfinfoPageSize(file), sizes[i]), qPrintable(file));
            QVERIFY(!run("pdfimages", {"-list", file}).contains(" smask "));
        }
    }

    void compress_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<bool>("sourceKept");
        QTest::newRow("three pages") << 3 << true;
        QTest::newRow("ten pages of one file") << 10 << true;
        QTest::newRow("no input") << 10 << false;
    }
    void compress()
    {
        QFETCH(int, pages);
        QFETCH(bool, sourceKept);
        Workspace ws;
        const QString source = ws.load("doc.pdf", pages);
        const qint64 input = QFileInfo(source).size(); // counted once, not once per page
        if (!sourceKept)
            QFile::remove(source);
        const QString out = ws.path("small.pdf");
        ws.prompter << QString::fromUtf8("🎯 Özel DPI...") << 50 << out;
        RUN_COMMAND(ws, "compress");

        QCOMPARE(pdfinfoPages(out), pages); // missing pages leave empty sheets
        QVERIFY(qpdfCheckClean(out));
        const QString text = ws.prompter.texts().first();
        if (!sourceKept) {
            QVERIFY2(text.contains(QString::fromUtf8("sıkıştırma: bilinmiyor\n")),
                     qPrintable(text));
            return;
        }
        QCOMPARE(embeddedImages(out), QStringList{"image 413 584"}); // 595 x 842 at 50/72, no smask
        QVERIFY(ws.statuses.contains(
            QString::fromUtf8("Sıkıştırılıyor... 1/%1 (%2%)").arg(pages).arg(100 / pages)));
        QVERIFY2(
            text.contains(
                QString::fromUtf8("• Çözünürlük: 50 DPI\n• İşlenen sayfa: %1/%1\n").arg(pages)),
            qPrintable(text));
        const double reduction = 100.0 * (1.0 - double(QFileInfo(out).size()) / input);
        QVERIFY2(text.contains(QString("sıkıştırma: ~%1%\n").arg(reduction, 0, 'f', 1)),
                 qPrintable(text));
    }

    void crop_data()
    {
        QTest::addColumn<double>("custom"); // < 0: the 10 % preset
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QString>("kept");
        QTest::newRow("10 %") << -1.0 << 0 << "image 952 1348";
        QTest::newRow("custom 50") << 50.0 << 0 << "";
        // Cut from the unturned page, then turned: the mark's corner goes top right.
        QTest::newRow("10 %, turned 90") << -1.0 << 90 << "image 1348 952";
    }
    void crop()
    {
        QFETCH(double, custom);
        QFETCH(int, rotation);
        QFETCH(QString, kept);
        Workspace ws;
        ws.load("doc.pdf", 1);
        ws.page(0).rotation = rotation;
        const QString out = ws.path("cropped.pdf");
        if (custom < 0)
            ws.prompter << kCrop10;
        else
            ws.prompter << QString("Custom crop...") << custom;
        ws.prompter << out;
        RUN_COMMAND(ws, "crop");

        QVERIFY(near(pdfinfoPageSize(out), {595, 842}));
        QCOMPARE(ws.prompter.texts().first(),
                 QString("✅ Cropped PDF saved to:\n%1\n\nMargins removed: %2%")
                     .arg(out, QString::number(custom < 0 ? 10.0 : custom, 'f', 1)));
        QCOMPARE(embeddedImages(out), kept.isEmpty() ? QStringList() : QStringList{kept});
        if (kept.isEmpty())
            return;
        // The mark (from 5 % of the width) reaches the corner only when 10 % were cut.
        const QImage page = embeddedImage(out);
        const QPoint corner(rotation == 90 ? page.width() - 2 : 1, 1);
        QCOMPARE(isDark(page.pixelColor(corner)), custom < 0);
        QVERIFY(isWhite(page.pixelColor(page.width() / 2, page.height() - 2)));
    }
};

QTEST_MAIN(TestOutputPdf)
#include "tst_outputpdf.moc"
