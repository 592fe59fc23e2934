#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QFile>
#include <QInputDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// An A4 page painted grey all over, so that the printed picture's edges show,
// with a black square in its top-left corner.
bool writeGreyPage(const QString &path) {
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    painter.fillRect(QRect(0, 0, writer.width(), writer.height()), QColor(128, 128, 128));
    painter.fillRect(QRect(30, 30, 90, 90), Qt::black);
    return painter.end();
}

QRect boxOf(const QImage &image, int below) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < below)
                box |= QRect(x, y, 1, 1);
    return box;
}

QString allPages(int n) {
    return QString("All pages (%1 pages)").arg(n);
}

} // namespace

class PrintingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void choicesFollowTheSelection_data();
    void choicesFollowTheSelection();
    void cancelAtPreviewQuestionPrintsNothing();
    void turnedPageIsFittedToTheWidthAndCentred();
    void directPrint_data();
    void directPrint();
    void previewPaintsTheSamePages();

private:
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

void PrintingTest::initTestCase() {
    QVERIFY(dir.isValid());
    QVERIFY(PdfFixtures::writePdf(path("three.pdf"), 3));
    QVERIFY(writeGreyPage(path("grey.pdf")));
}

void PrintingTest::choicesFollowTheSelection_data() {
    QTest::addColumn<bool>("select");
    QTest::addColumn<QStringList>("choices");
    QTest::newRow("nothing selected") << false << QStringList{allPages(3)};
    QTest::newRow("one selected") << true
                                  << QStringList{allPages(3), "Selected pages only (1 pages)"};
}

void PrintingTest::choicesFollowTheSelection() {
    QFETCH(bool, select);
    QFETCH(QStringList, choices);
    MainWindow window;
    window.loadPDFPages(path("three.pdf"));
    window.pages()[1]->setSelected(select);
    DialogHelper helper;
    QStringList offered;
    helper.custom([&offered](QWidget *w) {
        auto *input = qobject_cast<QInputDialog *>(w);
        QVERIFY(input);
        QCOMPARE(input->windowTitle(), QString::fromUtf8("🖨️ Print Pages"));
        QCOMPARE(input->labelText(), QString("What would you like to print?"));
        offered = input->comboBoxItems();
        input->reject();
    });
    window.findChild<QPushButton *>("printButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(offered, choices);
}

void PrintingTest::cancelAtPreviewQuestionPrintsNothing() {
    MainWindow window;
    window.loadPDFPages(path("three.pdf"));
    const QString out = path("cancelled.pdf");
    DialogHelper helper;
    helper.item(allPages(3)).print(out).messageBox(QMessageBox::Cancel);
    window.findChild<QPushButton *>("printButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"Print Preview"});
    QCOMPARE(helper.texts(),
             QStringList{QString::fromUtf8(
                 "📄 Ready to print 3 pages.\n\nDo you want to see a preview first?")});
    QVERIFY(!QFile::exists(out));
}

void PrintingTest::turnedPageIsFittedToTheWidthAndCentred() {
    MainWindow window;
    window.loadPDFPages(path("grey.pdf"));
    window.pages()[0]->setRotation(90);
    const QString out = path("turned.pdf");
    DialogHelper helper;
    helper.item(allPages(1)).print(out).messageBox(QMessageBox::No).messageBox();
    window.findChild<QPushButton *>("printButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    const QImage sheet = PdfFixtures::renderPage(out, 0, 1.0);
    QVERIFY(!sheet.isNull());
    const QRect picture = boxOf(sheet, 200);
    QString where;
    QDebug(&where) << "sheet" << sheet.size() << "picture" << picture;
    // Landscape now, as wide as the printable area allows, centred both ways.
    QVERIFY2(qAbs(double(picture.width()) / picture.height() - 842.0 / 595.0) < 0.02,
             qPrintable(where));
    const int left = picture.left();
    const int right = sheet.width() - 1 - picture.right();
    QVERIFY2(qAbs(left - right) <= 2 && left < sheet.width() / 10, qPrintable(where));
    const int top = picture.top();
    const int bottom = sheet.height() - 1 - picture.bottom();
    QVERIFY2(qAbs(top - bottom) <= 2 && top > sheet.height() / 5, qPrintable(where));
    // Turned clockwise: the corner mark is now at the top right.
    const QRect mark = boxOf(sheet, 60);
    QVERIFY2(mark.center().x() > picture.center().x() + picture.width() / 4 &&
                 mark.center().y() < picture.center().y() - picture.height() / 4,
             qPrintable(where));
}

void PrintingTest::directPrint_data() {
    QTest::addColumn<bool>("onlyLast");      // print the selected last page only
    QTest::addColumn<bool>("deleteMiddle");  // its source removed after loading
    QTest::addColumn<QString>("out");        // the printer's PDF
    QTest::addColumn<QString>("lastBox");    // title of the box after the question
    QTest::addColumn<QList<bool>>("sheets"); // blank or not, per printed sheet
    QTest::newRow("one page never starts a second sheet") << true << false << "one.pdf"
                                                          << "Print Complete" << QList<bool>{false};
    QTest::newRow("deleted source leaves a blank sheet")
        << false << true << "gap.pdf"
        << "Print Complete" << QList<bool>{false, true, false};
    QTest::newRow("printer that cannot start") << false << false << "missing/out.pdf"
                                               << "Print Error" << QList<bool>{};
}

void PrintingTest::directPrint() {
    QFETCH(bool, onlyLast);
    QFETCH(bool, deleteMiddle);
    QFETCH(QString, out);
    QFETCH(QString, lastBox);
    QFETCH(QList<bool>, sheets);
    MainWindow window;
    for (const QString name : {"a.pdf", "b.pdf", "c.pdf"}) {
        QVERIFY(PdfFixtures::writePdf(path(name), 1));
        window.loadPDFPages(path(name));
    }
    window.pages()[2]->setSelected(onlyLast);
    if (deleteMiddle)
        QVERIFY(QFile::remove(path("b.pdf")));
    DialogHelper helper;
    helper.item(onlyLast ? "Selected pages only (1 pages)" : allPages(3))
        .print(path(out))
        .messageBox(QMessageBox::No)
        .messageBox();
    window.findChild<QPushButton *>("printButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    // No error for a missing source, and no success box after a failure.
    QCOMPARE(helper.titles(), (QStringList{"Print Preview", lastBox}));
    if (sheets.isEmpty()) {
        QCOMPARE(helper.texts().value(1), QString("Failed to initialize printer."));
        return;
    }
    QCOMPARE(helper.texts().value(1),
             QString::fromUtf8("✅ Successfully sent %1 pages to printer!").arg(sheets.size()));
    QCOMPARE(window.statusBar()->currentMessage(), QString("Printed %1 pages").arg(sheets.size()));
    QCOMPARE(PdfFixtures::pdfinfoPages(path(out)), sheets.size());
    QVERIFY(PdfFixtures::qpdfCheckClean(path(out)));
    for (int i = 0; i < sheets.size(); ++i)
        QCOMPARE(boxOf(PdfFixtures::renderPage(path(out), i), 230).isValid(), !sheets[i]);
}

void PrintingTest::previewPaintsTheSamePages() {
    MainWindow window;
    window.loadPDFPages(path("three.pdf"));
    window.pages()[0]->setRotation(180);
    const QString out = path("previewed.pdf");
    int previewPages = -1;
    DialogHelper helper;
    helper.item(allPages(3)).print(out).messageBox(QMessageBox::Yes).custom([&](QWidget *w) {
        auto *preview = qobject_cast<QPrintPreviewDialog *>(w);
        QVERIFY(preview);
        QCOMPARE(preview->windowTitle(), QString("Print Preview"));
        auto *widget = preview->findChild<QPrintPreviewWidget *>();
        previewPages = widget->pageCount();
        // Repaint onto the printer itself, which writes the PDF we read back.
        widget->print();
        preview->reject();
    });
    window.findChild<QPushButton *>("printButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"Print Preview"});
    QCOMPARE(previewPages, 3);
    QCOMPARE(PdfFixtures::pdfinfoPages(out), 3);
    // The first page is upside down: its mark sits bottom right.
    const QPointF first = PdfFixtures::darkCentre(PdfFixtures::renderPage(out, 0));
    QVERIFY(first.x() > 0.7 && first.y() > 0.7);
    const QPointF second = PdfFixtures::darkCentre(PdfFixtures::renderPage(out, 1));
    QVERIFY(second.x() < 0.3 && second.y() < 0.3);
}

QTEST_MAIN(PrintingTest)
#include "tst_printing.moc"
