#include "DialogHelper.h"
#include "MainWindow.h"
#include "OutputTestSupport.h"
#include "PageWidget.h"

#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>

using namespace OutputTest;
using namespace PdfFixtures;

class PrintingTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(writePdf(path("three.pdf"), 3));
        // An A4 page grey all over, so that the printed picture's edges show,
        // with a black square at the top left.
        QPdfWriter writer(path("grey.pdf"));
        writer.setResolution(72);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, {}));
        QPainter painter(&writer);
        painter.fillRect(QRect(0, 0, writer.width(), writer.height()), QColor(128, 128, 128));
        painter.fillRect(QRect(30, 30, 90, 90), Qt::black);
        QVERIFY(painter.end());
    }

    void directPrint_data()
    {
        QTest::addColumn<bool>("onlyLast");      // the last page selected and chosen
        QTest::addColumn<bool>("deleteMiddle");  // its source removed after loading
        QTest::addColumn<QString>("out");        // the printer's PDF
        QTest::addColumn<QStringList>("titles"); // one box only: Cancel at the question
        QTest::addColumn<QList<bool>>("sheets"); // blank or not, per printed sheet
        const QString ask = "Print Preview";
        QTest::newRow("one page never starts a second sheet")
            << true << false << "one.pdf" << QStringList{ask, "Print Complete"}
            << QList<bool>{false};
        QTest::newRow("deleted source leaves a blank sheet, no error")
            << false << true << "gap.pdf" << QStringList{ask, "Print Complete"}
            << QList<bool>{false, true, false};
        QTest::newRow("printer that cannot start")
            << false << false << "missing/out.pdf" << QStringList{ask, "Print Error"}
            << QList<bool>{};
        QTest::newRow("cancel at the preview question")
            << false << false << "cancelled.pdf" << QStringList{ask} << QList<bool>{};
    }

    void directPrint()
    {
        QFETCH(bool, onlyLast);
        QFETCH(bool, deleteMiddle);
        QFETCH(QString, out);
        QFETCH(QStringList, titles);
        QFETCH(QList<bool>, sheets);
        Workspace ws;
        for (const QString name : {"a.pdf", "b.pdf", "c.pdf"})
            ws.load(name, 1);
        ws.page(2).selected = onlyLast;
        if (deleteMiddle)
            QVERIFY(QFile::remove(ws.path("b.pdf")));
        const QString all = "All pages (3 pages)", last = "Selected pages only (1 pages)";
        ws.prompter << (onlyLast ? last : all) << path(out)
                    << (titles.size() == 1 ? Answer::Cancel : Answer::No);
        RUN_COMMAND(ws, "print");
        QCOMPARE(ws.prompter.lastItems, (onlyLast ? QStringList{all, last} : QStringList{all}));
        QCOMPARE(ws.prompter.titles(), titles);
        QCOMPARE(QFile::exists(path(out)), !sheets.isEmpty());
        if (sheets.isEmpty())
            return;
        QCOMPARE(pdfinfoPages(path(out)), sheets.size());
        QVERIFY(qpdfCheckClean(path(out)));
        for (int i = 0; i < sheets.size(); ++i)
            QCOMPARE(inkBox(renderPage(path(out), i), 230).isValid(), !sheets[i]);
    }

    void turnedPageIsFittedToTheWidthAndCentred()
    {
        Workspace ws;
        ws.state.pages = {{path("grey.pdf"), 1, 90}};
        ws.prompter << QString("All pages (1 pages)") << path("turned.pdf") << Answer::No;
        RUN_COMMAND(ws, "print");

        const QImage sheet = renderPage(path("turned.pdf"), 0, 1.0);
        const QRect picture = inkBox(sheet, 200), mark = inkBox(sheet, 60);
        QString where;
        QDebug(&where) << "sheet" << sheet.size() << "picture" << picture << "mark" << mark;
        // Landscape now, as wide as the printable area allows, centred both ways.
        QVERIFY2(qAbs(double(picture.width()) / picture.height() - 842.0 / 595.0) < 0.02,
                 qPrintable(where));
        const int left = picture.left(), right = sheet.width() - 1 - picture.right();
        QVERIFY2(qAbs(left - right) <= 2 && left < sheet.width() / 10, qPrintable(where));
        const int top = picture.top(), bottom = sheet.height() - 1 - picture.bottom();
        QVERIFY2(qAbs(top - bottom) <= 2 && top > sheet.height() / 5, qPrintable(where));
        // Turned clockwise: the corner mark is now at the top right.
        QVERIFY2(mark.center().x() > picture.center().x() + picture.width() / 4 &&
                     mark.center().y() < picture.center().y() - picture.height() / 4,
                 qPrintable(where));
    }

    // Through the window: its preview dialog paints with the command's printing.
    void previewPaintsTheSamePages()
    {
        MainWindow window;
        window.loadPDFPages(path("three.pdf"));
        window.pages()[0]->setRotation(180);
        const QString out = path("previewed.pdf");
        int previewPages = -1;
        DialogHelper helper;
        helper.item("All pages (3 pages)")
            .print(out)
            .messageBox(QMessageBox::Yes)
            .custom([&](QWidget *w) {
                auto *widget = w->findChild<QPrintPreviewWidget *>();
                previewPages = widget->pageCount();
                widget->print(); // repaints onto the printer, which writes the PDF we read back
                static_cast<QPrintPreviewDialog *>(w)->reject();
            });
        window.findChild<QPushButton *>("printButton")->click();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(previewPages, 3);
        QCOMPARE(pdfinfoPages(out), 3);
        // The first page is upside down: its mark sits bottom right.
        const QPointF first = darkCentre(renderPage(out, 0)),
                      second = darkCentre(renderPage(out, 1));
        QVERIFY(first.x() > 0.7 && first.y() > 0.7);
        QVERIFY(second.x() < 0.3 && second.y() < 0.3);
    }
};

QTEST_MAIN(PrintingTest)
#include "tst_printing.moc"
