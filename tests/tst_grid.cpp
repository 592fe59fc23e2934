#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Small pages keep the large lists quick to load.
QString tinyPdf(const QTemporaryDir &dir, int pages) {
    const QString path = dir.filePath(QString("tiny_%1.pdf").arg(pages));
    if (QFile::exists(path))
        return path;
    PdfFixtures::Page page;
    page.size = QPageSize(QSizeF(40, 56), QPageSize::Point);
    page.label = "x";
    return PdfFixtures::writePdf(path, QList<PdfFixtures::Page>(pages, page)) ? path : QString();
}

QWidget *gridOf(MainWindow &window) {
    return window.findChild<QWidget *>("gridContainer");
}

// Tiles per row of the grid layout, top to bottom.
QList<int> rowSizes(MainWindow &window) {
    QList<int> sizes;
    QLayout *outer = gridOf(window)->layout();
    for (int i = 0; i < outer->count(); ++i)
        if (QLayout *row = outer->itemAt(i)->layout())
            sizes << row->count();
    return sizes;
}

// Sizes the scroll area so that its viewport gets this width, allowing for
// the frame and any scroll bar; the hidden window never lays it out again.
void setViewportWidth(MainWindow &window, int width) {
    auto *area = window.findChild<QScrollArea *>("scrollArea");
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int border = area->width() - area->viewport()->width();
        area->resize(width + border, 5000);
        QResizeEvent resized(area->size(), QSize());
        QCoreApplication::sendEvent(area, &resized);
    }
    QCOMPARE(area->viewport()->width(), width);
}

} // namespace

class GridTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void columnsAndHeightFollowWidthAndZoom_data();
    void columnsAndHeightFollowWidthAndZoom();
    void counterAndBadgesFollowThePages();
    void emptyGridShowsHint();
    void largeListsReportTheirPasses_data();
    void largeListsReportTheirPasses();

private:
    QTemporaryDir dir;
};

void GridTest::columnsAndHeightFollowWidthAndZoom_data() {
    QTest::addColumn<int>("viewportWidth");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<int>("minimumHeight");

    QTest::newRow("845 at 100%") << 845 << 100 << QList<int>{4, 1} << 555;
    QTest::newRow("845 at 150%") << 845 << 150 << QList<int>{2, 2, 1} << 375 * 3 + 30 + 40;
    QTest::newRow("845 at 50%") << 845 << 50 << QList<int>{5} << 125 + 40;
    QTest::newRow("exactly four columns") << 825 << 100 << QList<int>{4, 1} << 555;
    QTest::newRow("one pixel short of four") << 824 << 100 << QList<int>{3, 2} << 555;
    QTest::newRow("narrower than a column")
        << 150 << 100 << QList<int>{1, 1, 1, 1, 1} << 250 * 5 + 4 * 15 + 40;
}

void GridTest::columnsAndHeightFollowWidthAndZoom() {
    QFETCH(int, viewportWidth);
    QFETCH(int, zoom);
    QFETCH(QList<int>, rows);
    QFETCH(int, minimumHeight);

    MainWindow window;
    setViewportWidth(window, viewportWidth);
    window.loadPDFPages(tinyPdf(dir, 5));
    window.findChild<QSlider *>("zoomSlider")->setValue(zoom);
    window.updatePageGrid();

    QCOMPARE(rowSizes(window), rows);
    QCOMPARE(gridOf(window)->minimumHeight(), minimumHeight);
}

void GridTest::counterAndBadgesFollowThePages() {
    const QString first = dir.filePath("first.pdf");
    const QString second = dir.filePath("second.pdf");
    QVERIFY(PdfFixtures::writePdf(first, 2));
    QVERIFY(PdfFixtures::writePdf(second, 1));

    MainWindow window;
    window.loadPDFPages(first);
    window.loadPDFPages(second);
    window.loadPDFPages(first);
    window.updatePageGrid();

    QCOMPARE(window.findChild<QLabel *>("pageCountLabel")->text(),
             QString::fromUtf8("5 pages • 2 files"));
    const QList<PageWidget *> &pages = window.pages();
    QCOMPARE(pages.size(), 5);
    const QList<int> pageNumbers = {1, 2, 1, 1, 2};
    for (int i = 0; i < pages.size(); ++i) {
        QCOMPARE(pages[i]->getGlobalIndex(), i + 1);
        QCOMPARE(pages[i]->getPageNumber(), pageNumbers[i]);
        QCOMPARE(pages[i]->getFilePath(), i == 2 ? second : first);
    }
}

void GridTest::emptyGridShowsHint() {
    MainWindow window;
    auto labelTexts = [&] {
        QStringList texts;
        for (QLabel *label : gridOf(window)->findChildren<QLabel *>())
            texts << label->text();
        return texts;
    };
    // The window starts with the plain counter; the first rebuild shows the hint.
    QCOMPARE(window.findChild<QLabel *>("pageCountLabel")->text(), QString("0 pages"));
    window.updatePageGrid();
    QCOMPARE(window.findChild<QLabel *>("pageCountLabel")->text(),
             QString::fromUtf8("0 pages • 0 files"));
    QCOMPARE(labelTexts(), QStringList({"No PDF pages loaded",
                                        "Click 'Add PDF Files' or drag & drop PDF files here"}));
    QCOMPARE(gridOf(window)->minimumHeight(), 400);

    // Rebuilding the empty grid again, and then with pages, must not pile up hints.
    window.updatePageGrid();
    QCOMPARE(labelTexts().size(), 2);
    window.loadPDFPages(tinyPdf(dir, 3));
    window.updatePageGrid();
    QVERIFY(!labelTexts().contains("No PDF pages loaded"));
}

void GridTest::largeListsReportTheirPasses_data() {
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("messages");

    const QString done = QString::fromUtf8("✅ Zoom: 120%");
    auto zooming = [](int n) { return QString::fromUtf8("⏳ Zooming %1 pages to 120%...").arg(n); };
    QTest::newRow("200 zoom directly") << 200 << QStringList{done};
    QTest::newRow("201 zoom busy") << 201 << QStringList{zooming(201), done};
    QTest::newRow("300 rebuild quietly") << 300 << QStringList{zooming(300), done};
    QTest::newRow("301 rebuild busy")
        << 301
        << QStringList{zooming(301), QString::fromUtf8("⏳ Updating grid with 301 pages..."),
                       QString::fromUtf8("✅ Grid updated (301 pages)"), done};
}

void GridTest::largeListsReportTheirPasses() {
    QFETCH(int, pages);
    QFETCH(QStringList, messages);

    MainWindow window;
    window.loadPDFPages(tinyPdf(dir, pages));
    QCOMPARE(window.pages().size(), pages);
    QStringList shown;
    connect(window.statusBar(), &QStatusBar::messageChanged, this, [&](const QString &text) {
        if (!text.isEmpty())
            shown << text;
    });

    window.findChild<QSlider *>("zoomSlider")->setValue(120);

    QCOMPARE(shown, messages);
    QVERIFY(window.updatesEnabled());
    // Every tile took the zoom, including those between the event pumps.
    for (PageWidget *tile : window.pages())
        QCOMPARE(tile->width(), int(168 * 1.2) + 12);
    QCOMPARE(window.pages().last()->getGlobalIndex(), pages);
}

QTEST_MAIN(GridTest)
#include "tst_grid.moc"
