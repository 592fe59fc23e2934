#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QLabel>
#include <QLayout>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Small pages keep the large lists quick to load.
QString tinyPdf(const QTemporaryDir &dir, int pages)
{
    return PdfFixtures::tinyPdf(dir.filePath(QString("tiny_%1.pdf").arg(pages)), pages);
}

// The hidden window never lays the scroll area out again, so it is resized by
// hand until its viewport (inside frame and scroll bar) has this width.
void setViewportWidth(MainWindow &window, int width)
{
    auto *area = window.findChild<QScrollArea *>("scrollArea");
    for (int attempt = 0; attempt < 2; ++attempt) {
        area->resize(width + area->width() - area->viewport()->width(), 5000);
        QResizeEvent resized(area->size(), QSize());
        QCoreApplication::sendEvent(area, &resized);
    }
    QCOMPARE(area->viewport()->width(), width);
}

} // namespace

class GridTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:

    void columnsAndHeightFollowWidthAndZoom_data()
    {
        QTest::addColumn<int>("viewportWidth");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("minimumHeight");

        QTest::newRow("845 at 100%") << 845 << 100 << QList<int>{4, 1} << 555;
        QTest::newRow("845 at 150%") << 845 << 150 << QList<int>{2, 2, 1} << 375 * 3 + 30 + 40;
        QTest::newRow("one pixel short of four") << 824 << 100 << QList<int>{3, 2} << 555;
        QTest::newRow("narrower than a column")
            << 150 << 100 << QList<int>{1, 1, 1, 1, 1} << 250 * 5 + 4 * 15 + 40;
    }

    void columnsAndHeightFollowWidthAndZoom()
    {
        QFETCH(int, viewportWidth);
        QFETCH(int, zoom);
        MainWindow window;
        setViewportWidth(window, viewportWidth);
        window.loadPDFPages(tinyPdf(dir, 5));
        window.findChild<QSlider *>("zoomSlider")->setValue(zoom);
        window.updatePageGrid();

        QWidget *grid = window.findChild<QWidget *>("gridContainer");
        QList<int> rowSizes;
        for (int i = 0; i < grid->layout()->count(); ++i)
            if (QLayout *row = grid->layout()->itemAt(i)->layout())
                rowSizes << row->count();
        QTEST(rowSizes, "rows");
        QTEST(grid->minimumHeight(), "minimumHeight");
    }

    void counterBadgesAndEmptyState()
    {
        MainWindow window;
        auto hints = [&window] { return window.findChildren<QLabel *>("emptyStateLabel").size(); };
        window.updatePageGrid();
        window.updatePageGrid(); // a second rebuild must not pile up hints
        QCOMPARE(hints(), 2);
        // The same file loaded twice counts once.
        const QString other = dir.filePath("other.pdf");
        QVERIFY(PdfFixtures::writePdf(other, 1));
        for (const QString &path : {tinyPdf(dir, 1), other, tinyPdf(dir, 1)})
            window.loadPDFPages(path);
        window.updatePageGrid();
        QCOMPARE(window.findChild<QLabel *>("pageCountLabel")->text(),
                 QString::fromUtf8("3 pages • 2 files"));
        QCOMPARE(hints(), 0);
    }

    void largeListsReportTheirPasses_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("messages");

        const QString done = QString::fromUtf8("✅ Zoom: 120%");
        auto zooming = [](int n) {
            return QString::fromUtf8("⏳ Zooming %1 pages to 120%...").arg(n);
        };
        QTest::newRow("200 zoom directly") << 200 << QStringList{done};
        QTest::newRow("201 zoom busy") << 201 << QStringList{zooming(201), done};
        QTest::newRow("300 rebuild quietly") << 300 << QStringList{zooming(300), done};
        QTest::newRow("301 rebuild busy")
            << 301
            << QStringList{zooming(301), QString::fromUtf8("⏳ Updating grid with 301 pages..."),
                           QString::fromUtf8("✅ Grid updated (301 pages)"), done};
    }

    void largeListsReportTheirPasses()
    {
        QFETCH(int, pages);
        MainWindow window;
        window.loadPDFPages(tinyPdf(dir, pages));
        QStringList shown;
        connect(window.statusBar(), &QStatusBar::messageChanged, this, [&](const QString &text) {
            if (!text.isEmpty())
                shown << text;
        });

        window.findChild<QSlider *>("zoomSlider")->setValue(120);

        QTEST(shown, "messages");
        QVERIFY(window.updatesEnabled());
        // Every tile took the zoom, including those between the event pumps.
        for (PageWidget *tile : window.pages())
            QCOMPARE(tile->width(), int(168 * 1.2) + 12);
    }
};

QTEST_MAIN(GridTest)
#include "tst_grid.moc"
