#include "OutputTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

using namespace OutputTest;
using PdfFixtures::Page;

class TestOutputMerge : public QObject
{
    Q_OBJECT

private:
    // Runs the merge with No to the password question into `target`.
    static QString merge(Workspace &ws, const QString &target, DialogHelper &helper)
    {
        helper.messageBox(QMessageBox::No).file(target).messageBox();
        ws.click("mergeButton");
        if (!helper.done()) {
            QStringList all;
            for (const auto &r : helper.records())
                all << r.className + ":" + r.title + ":" + r.text + (r.expected ? "" : "!");
            return helper.problems() + "\n" + all.join("\n");
        }
        return QString();
    }

private slots:
    void singlePageGivesOnePage();
    void bookmarksLineCountsDistinctSources();
    void placement_data();
    void placement();
    void autoNumbersKeepListPositions();
    void passwordLine_data();
    void passwordLine();
    void sourceAsTarget();
    void unwritableTarget();
};

void TestOutputMerge::singlePageGivesOnePage()
{
    Workspace ws;
    ws.load(ws.pdf("one.pdf", 1));
    const QString out = ws.path("merged.pdf");
    DialogHelper helper;
    const QString problems = merge(ws, out, helper);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));

    QCOMPARE(PdfFixtures::pageCount(out), 1);
    QCOMPARE(PdfFixtures::pdfinfoPages(out), 1);
    QVERIFY(PdfFixtures::qpdfCheckClean(out));
    QVERIFY(!hasSoftMask(out));
    const QSizeF size = PdfFixtures::pdfinfoPageSize(out);
    QVERIFY(qAbs(size.width() - 595) < 2 && qAbs(size.height() - 842) < 2);

    QCOMPARE(helper.titles().last(), QString::fromUtf8("Başarılı"));
    const QString text = helper.texts().last();
    QVERIFY(text.startsWith(QString::fromUtf8("✅ 1 sayfa başarıyla birleştirildi!\n\nDosya: "
                                              "merged.pdf\nKonum: ")));
    // Integer KB, never rounded up.
    QVERIFY(text.contains(QString("Boyut: %1 KB").arg(QFileInfo(out).size() / 1024)));
}

void TestOutputMerge::bookmarksLineCountsDistinctSources()
{
    Workspace ws;
    const QString a = ws.pdf("a.pdf", 1), b = ws.pdf("b.pdf", 1), c = ws.pdf("c.pdf", 1);
    for (const QString &file : {a, b, c, a, b, c})
        ws.load(file);
    const QString out = ws.path("merged.pdf");
    DialogHelper helper;
    const QString problems = merge(ws, out, helper);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
    QCOMPARE(PdfFixtures::pdfinfoPages(out), 6);
    QVERIFY(helper.texts().last().endsWith(
        QString::fromUtf8("\n\n📑 3 kaynak dosyadan bookmark'lar eklendi")));
}

void TestOutputMerge::placement_data()
{
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QPointF>("mark"); // expected centre of the black mark, roughly
    // Both end up landscape on a portrait sheet: full width, top-aligned,
    // the lower part of the sheet empty.
    QTest::newRow("landscape page") << true << 0 << QPointF(0.12, 0.06);
    // The mark of a portrait page turned a quarter clockwise sits top right.
    QTest::newRow("portrait turned 90") << false << 90 << QPointF(0.84, 0.09);
}

void TestOutputMerge::placement()
{
    QFETCH(bool, landscape);
    QFETCH(int, rotation);
    QFETCH(QPointF, mark);

    Workspace ws;
    ws.load(ws.pdf("page.pdf", {landscape ? landscapeA4() : Page()}));
    if (rotation)
        ws.window.pages().first()->setRotation(rotation);
    const QString out = ws.path("merged.pdf");
    DialogHelper helper;
    const QString problems = merge(ws, out, helper);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));

    const QImage page = popplerPage(out, 1, 30);
    QVERIFY(!page.isNull());
    QVERIFY(page.height() > page.width()); // still a portrait A4 sheet
    QVERIFY(bandIsWhite(page, 0.75));
    QVERIFY(!bandIsWhite(page, 0.0, 0.2));
    const QPointF centre = PdfFixtures::darkCentre(page);
    QVERIFY2(qAbs(centre.x() - mark.x()) < 0.06 && qAbs(centre.y() - mark.y()) < 0.06,
             qPrintable(QString("mark at %1,%2").arg(centre.x()).arg(centre.y())));
}

void TestOutputMerge::autoNumbersKeepListPositions()
{
    // Seven alike pages; the fourth comes from a file that is gone by the time
    // of the merge. The label "5 / 7" must still sit on the fifth list page.
    Workspace ws;
    QList<Page> alike(3);
    for (Page &p : alike)
        p.label = "A";
    const QString first = ws.pdf("first.pdf", alike);
    const QString gone = ws.pdf("gone.pdf", {alike.first()});
    const QString last = ws.pdf("last.pdf", alike);
    for (const QString &file : {first, gone, last})
        ws.load(file);
    QCOMPARE(ws.window.pages().size(), 7);
    ws.window.findChild<QCheckBox *>("autoNumbersCheckBox")->setChecked(true);

    const QString full = ws.path("full.pdf");
    DialogHelper helper;
    QString problems = merge(ws, full, helper);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
    QVERIFY(QFile::remove(gone));
    const QString skipped = ws.path("skipped.pdf");
    helper.clear();
    problems = merge(ws, skipped, helper);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));

    QCOMPARE(PdfFixtures::pdfinfoPages(full), 7);
    QCOMPARE(PdfFixtures::pdfinfoPages(skipped), 6);
    QVERIFY(helper.texts().last().contains(QString::fromUtf8("✅ 7 sayfa")));
    QVERIFY(
        helper.texts().last().endsWith(QString::fromUtf8("🔢 Otomatik sayfa numaraları eklendi")));
    const QImage fifthLabelled = popplerPage(full, 5, 40);
    const QImage fourthLabelled = popplerPage(full, 4, 40);
    const QImage afterGap = popplerPage(skipped, 4, 40);
    QCOMPARE(afterGap, fifthLabelled);
    QVERIFY(afterGap != fourthLabelled);
}

void TestOutputMerge::passwordLine_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expectedLine");
    QTest::newRow("empty password accepted") << ""
                                             << "";
    QTest::newRow("password") << "secret"
                              << QString::fromUtf8("\n\n🔒 Şifre korumasi için QPDF kullanın:\nqpdf "
                                                   "--encrypt \"secret\" \"secret\" 128 -- "
                                                   "\"m.pdf\" \"m.pdf.protected.pdf\"");
}

void TestOutputMerge::passwordLine()
{
    QFETCH(QString, password);
    QFETCH(QString, expectedLine);
    Workspace ws;
    ws.load(ws.pdf("a.pdf", 1));
    ws.window.findChild<QCheckBox *>("bookmarksCheckBox")->setChecked(false);
    const QString out = ws.path("m.pdf");
    DialogHelper helper;
    helper.messageBox(QMessageBox::Yes)
        .accept([password](QWidget *dialog) {
            // Accepted directly, as the dialog's own check would refuse an empty one.
            for (auto *edit : dialog->findChildren<QLineEdit *>())
                edit->setText(password);
            dialog->findChild<QComboBox *>("encryptionCombo")->setCurrentIndex(0);
        })
        .file(out)
        .messageBox();
    ws.click("mergeButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    const QString text = helper.texts().last();
    if (expectedLine.isEmpty())
        QVERIFY(!text.contains("qpdf"));
    else
        QVERIFY2(text.endsWith(expectedLine), qPrintable(text));
}

void TestOutputMerge::sourceAsTarget()
{
    Workspace ws;
    const QString source = ws.pdf("source.pdf", 3);
    ws.load(source);
    DialogHelper helper;
    // The save dialog asks before replacing an existing file.
    helper.messageBox(QMessageBox::No).file(source).messageBox(QMessageBox::Yes).messageBox();
    ws.click("mergeButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles().last(), QString::fromUtf8("Başarılı"));
    QCOMPARE(PdfFixtures::pdfinfoPages(source), 3);
    QVERIFY(PdfFixtures::qpdfCheckClean(source));
    for (int page = 1; page <= 3; ++page)
        QVERIFY(PdfFixtures::darkCentre(popplerPage(source, page)).x() >= 0);
}

void TestOutputMerge::unwritableTarget()
{
    Workspace ws;
    ws.load(ws.pdf("a.pdf", 1));
    const QString target = unwritablePath(ws.dir, "merged.pdf");
    DialogHelper helper;
    const QString problems = merge(ws, target, helper);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
    QCOMPARE(helper.titles().last(), QString("Hata"));
    QVERIFY(helper.texts().last().contains(target));
    QVERIFY(!helper.titles().contains(QString::fromUtf8("Başarılı")));
    QVERIFY(!QFileInfo::exists(target));
}

QTEST_MAIN(TestOutputMerge)
#include "tst_outputmerge.moc"
