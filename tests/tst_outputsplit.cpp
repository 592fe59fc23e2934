#include "OutputTestSupport.h"

#include <QInputDialog>
#include <QProgressBar>
#include <QStatusBar>

using namespace OutputTest;
using PdfFixtures::Page;

class TestOutputSplit : public QObject
{
    Q_OBJECT

private slots:
    void everyNPages_data();
    void everyNPages();
    void everyPageKeepsSourceSize();
    void selectedPages();
    void selectedWithNoneSelected();
    void thousandthPageNumberInFull();
    void missingFolder();
};

void TestOutputSplit::everyNPages_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("perFile");
    QTest::addColumn<QList<int>>("pagesPerFile");
    QTest::newRow("eleven every 5") << 11 << 5 << QList<int>{5, 5, 1};
    QTest::newRow("N equals count") << 3 << 3 << QList<int>{3};
}

void TestOutputSplit::everyNPages()
{
    QFETCH(int, pages);
    QFETCH(int, perFile);
    QFETCH(QList<int>, pagesPerFile);

    Workspace ws;
    ws.load(ws.pdf("doc.pdf", pages));
    const QString folder = ws.path("out");
    QDir().mkpath(folder);
    QStringList status;
    connect(ws.window.statusBar(), &QStatusBar::messageChanged, this,
            [&status](const QString &text) { status << text; });
    DialogHelper helper;
    helper.item(QString::fromUtf8("Her N sayfada bir böl"))
        .file(folder)
        .integer(perFile)
        .messageBox();
    ws.click("splitButton");
    disconnect(ws.window.statusBar(), nullptr, this, nullptr);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    QStringList expected;
    for (int k = 1; k <= pagesPerFile.size(); ++k)
        expected << QString("bolum_%1.pdf").arg(k, 3, 10, QChar('0'));
    QCOMPARE(filesIn(folder), expected);
    for (int k = 0; k < expected.size(); ++k) {
        const QString file = folder + "/" + expected[k];
        QCOMPARE(PdfFixtures::pdfinfoPages(file), pagesPerFile[k]);
        QVERIFY(PdfFixtures::qpdfCheckClean(file));
    }
    const QString last = QString::fromUtf8("Bölünüyor... %1/%1 dosya").arg(expected.size());
    QVERIFY2(status.contains(last), qPrintable(status.join(" | ")));
    QCOMPARE(helper.titles(), QStringList{QString::fromUtf8("Bölme Tamamlandı")});
    QCOMPARE(helper.texts().first(), QString::fromUtf8("✅ %1 PDF dosyası oluşturuldu\n\nKonum: %2")
                                         .arg(expected.size())
                                         .arg(folder));
    QVERIFY(!ws.window.findChild<QProgressBar *>("progressBar")->isVisible());
}

void TestOutputSplit::everyPageKeepsSourceSize()
{
    Workspace ws;
    Page letter;
    letter.size = QPageSize(QPageSize::Letter);
    ws.load(ws.pdf("report.v2.pdf", {letter, Page(), landscapeA4()}));
    ws.load(ws.pdf("report.pdf", 1));
    ws.window.pages().at(1)->setRotation(90);
    const QString folder = ws.path("out");
    QDir().mkpath(folder);
    DialogHelper helper;
    helper.item(QString::fromUtf8("Her sayfayı ayrı PDF yap")).file(folder).messageBox();
    ws.click("splitButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    // Both sources share the base name; only the position tells them apart.
    QCOMPARE(filesIn(folder), QStringList({"report_sayfa_001.pdf", "report_sayfa_002.pdf",
                                           "report_sayfa_003.pdf", "report_sayfa_004.pdf"}));
    const QList<QSizeF> sizes{{612, 792}, {595, 842}, {842, 595}, {595, 842}};
    for (int i = 0; i < sizes.size(); ++i) {
        const QString file = folder + QString("/report_sayfa_%1.pdf").arg(i + 1, 3, 10, QChar('0'));
        const QSizeF size = PdfFixtures::pdfinfoPageSize(file);
        QVERIFY2(qAbs(size.width() - sizes[i].width()) < 2 &&
                     qAbs(size.height() - sizes[i].height()) < 2,
                 qPrintable(QString("%1: %2 x %3").arg(file).arg(size.width()).arg(size.height())));
        QVERIFY(!hasSoftMask(file));
    }
    // The turned page keeps its portrait sheet; its mark moves to the top right.
    const QPointF mark = PdfFixtures::darkCentre(popplerPage(folder + "/report_sayfa_002.pdf", 1));
    QVERIFY2(mark.x() > 0.7 && mark.y() < 0.2,
             qPrintable(QString("%1,%2").arg(mark.x()).arg(mark.y())));
}

void TestOutputSplit::selectedPages()
{
    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 3));
    ws.window.pages().at(0)->setSelected(true);
    ws.window.pages().at(2)->setSelected(true);
    const QString folder = ws.path("out");
    QDir().mkpath(folder);
    DialogHelper helper;
    helper.item(QString::fromUtf8("Seçili sayfaları ayrı PDF'lere böl")).file(folder).messageBox();
    ws.click("splitButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(filesIn(folder), QStringList({"secili_001.pdf", "secili_002.pdf"}));
    QVERIFY(helper.texts().first().startsWith(QString::fromUtf8("✅ 2 PDF dosyası")));
}

void TestOutputSplit::selectedWithNoneSelected()
{
    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 2));
    const QString folder = ws.path("out");
    QDir().mkpath(folder);
    DialogHelper helper;
    helper.item(QString::fromUtf8("Seçili sayfaları ayrı PDF'lere böl")).file(folder).messageBox();
    ws.click("splitButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{QString::fromUtf8("Seçim Yok")});
    QCOMPARE(helper.texts(), QStringList{QString::fromUtf8("Hiçbir sayfa seçilmedi.")});
    QVERIFY(filesIn(folder).isEmpty());
    QVERIFY(!ws.window.findChild<QProgressBar *>("progressBar")->isVisible());
}

void TestOutputSplit::thousandthPageNumberInFull()
{
    // 999 pages whose source is gone by the time of the split, then one real page.
    Workspace ws;
    const QString gone = ws.pdf("gone.pdf", 999);
    const QString last = ws.pdf("last.pdf", 1);
    DialogHelper helper;
    // The large-workspace warning, once per file.
    helper.messageBox(QMessageBox::Yes).messageBox(QMessageBox::Yes);
    ws.load(gone);
    ws.load(last);
    QCOMPARE(ws.window.pages().size(), 1000);
    QVERIFY(QFile::remove(gone));
    helper.clear();

    const QString folder = ws.path("out");
    QDir().mkpath(folder);
    helper.item(QString::fromUtf8("Her sayfayı ayrı PDF yap")).file(folder).messageBox();
    ws.click("splitButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(filesIn(folder), QStringList{"last_sayfa_1000.pdf"});
    QCOMPARE(helper.texts().first(),
             QString::fromUtf8(
                 "✅ 1 PDF dosyası oluşturuldu\n\nKonum: %1\n\n⚠️ 999 sayfa işlenemedi")
                 .arg(folder));
}

void TestOutputSplit::missingFolder()
{
    Workspace ws;
    ws.load(ws.pdf("doc.pdf", 2));
    const QString folder = ws.path("vanishing");
    QDir().mkpath(folder);
    DialogHelper helper;
    helper.item(QString::fromUtf8("Her N sayfada bir böl")).file(folder);
    // The folder disappears after it was chosen.
    helper.custom([folder](QWidget *w) {
        QDir(folder).removeRecursively();
        auto *dialog = static_cast<QInputDialog *>(w);
        dialog->setIntValue(1);
        dialog->accept();
    });
    helper.messageBox();
    ws.click("splitButton");
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"Hata"});
    QVERIFY(helper.texts().first().contains(folder + "/bolum_001.pdf"));
    QVERIFY(!QFileInfo::exists(folder));
}

QTEST_MAIN(TestOutputSplit)
#include "tst_outputsplit.moc"
