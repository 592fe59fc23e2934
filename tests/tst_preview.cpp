// The page preview: opening from a tile, navigation, zoom fitting and rendering.
#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"
#include "PreviewDialog.h"

#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

class Preview : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void opensAtTheClickedTileAndClosesOnEscape();
    void showsRotatedTilesUnrotated();
    void singlePageHidesFloatingButtonsAndDisablesNavigation();
    void navigationKeys_data();
    void navigationKeys();
    void navigationButtons();
    void fitIsClampedAndPosterPagesAreCapped_data();
    void fitIsClampedAndPosterPagesAreCapped();
    void unpaintedPaperShowsWhite();
    void unreadableSourceKeepsThePreviousPage();

private:
    static QString info(const QWidget *dialog) {
        return dialog->findChild<QLabel *>("infoLabel")->text();
    }
    static QImage picture(const QWidget *dialog) {
        return dialog->findChild<QLabel *>("imageLabel")->pixmap().toImage();
    }
    QList<PageInfo> fiveInfos() const;

    QTemporaryDir dir;
    QString fivePages;
};

void Preview::initTestCase() {
    QVERIFY(dir.isValid());
    fivePages = dir.filePath("five.pdf");
    QVERIFY(PdfFixtures::writePdf(fivePages, 5));
}

QList<PageInfo> Preview::fiveInfos() const {
    QList<PageInfo> pages;
    for (int i = 1; i <= 5; ++i)
        pages.append({fivePages, i});
    return pages;
}

void Preview::opensAtTheClickedTileAndClosesOnEscape() {
    MainWindow window;
    window.show();
    window.loadPDFPages(fivePages);
    window.updatePageGrid();

    QString shown;
    bool closedByEscape = false;
    DialogHelper helper;
    helper.custom([&](QWidget *dialog) {
        shown = info(dialog);
        QTest::keyClick(dialog, Qt::Key_Escape);
        closedByEscape = !dialog->isVisible();
    });
    window.pages().at(2)->findChild<QPushButton *>("previewButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.records().first().className, QString("PreviewDialog"));
    QCOMPARE(helper.records().first().title, QString("PDF Preview"));
    QCOMPARE(shown, QString::fromUtf8("Page 3 of 5 • five.pdf"));
    QVERIFY(closedByEscape);
}

void Preview::showsRotatedTilesUnrotated() {
    MainWindow window;
    window.show();
    window.loadPDFPages(fivePages);
    window.updatePageGrid();
    PageWidget *tile = window.pages().first();
    tile->findChild<QPushButton *>("rotateButton")->click();
    QCOMPARE(tile->getRotation(), 90);

    QPointF mark;
    DialogHelper helper;
    helper.custom([&](QWidget *dialog) {
        mark = PdfFixtures::darkCentre(picture(dialog).scaledToWidth(200));
        static_cast<QDialog *>(dialog)->reject();
    });
    emit tile->previewRequested(tile);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    // The black mark stays in the top-left corner, where the source has it.
    QVERIFY2(mark.x() > 0 && mark.x() < 0.3 && mark.y() > 0 && mark.y() < 0.3,
             qPrintable(QString("mark at %1, %2").arg(mark.x()).arg(mark.y())));
}

void Preview::singlePageHidesFloatingButtonsAndDisablesNavigation() {
    PreviewDialog dialog({{fivePages, 2}}, 0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (const char *name : {"prevButton", "nextButton"})
        QVERIFY2(!dialog.findChild<QPushButton *>(name)->isVisible(), name);
    for (const char *name : {"prevButton", "nextButton", "firstButton", "lastButton"})
        QVERIFY2(!dialog.findChild<QPushButton *>(name)->isEnabled(), name);
    QCOMPARE(info(&dialog), QString::fromUtf8("Page 1 of 1 • five.pdf"));
}

void Preview::navigationKeys_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected"); // page shown afterwards, from 1
    QTest::newRow("Left on first") << 0 << int(Qt::Key_Left) << 1;
    QTest::newRow("PageUp on first") << 0 << int(Qt::Key_PageUp) << 1;
    QTest::newRow("Left") << 2 << int(Qt::Key_Left) << 2;
    QTest::newRow("PageUp") << 2 << int(Qt::Key_PageUp) << 2;
    QTest::newRow("Right") << 2 << int(Qt::Key_Right) << 4;
    QTest::newRow("PageDown") << 2 << int(Qt::Key_PageDown) << 4;
    QTest::newRow("Right on last") << 4 << int(Qt::Key_Right) << 5;
    QTest::newRow("PageDown on last") << 4 << int(Qt::Key_PageDown) << 5;
    QTest::newRow("Home") << 2 << int(Qt::Key_Home) << 1;
    QTest::newRow("End") << 2 << int(Qt::Key_End) << 5;
}

void Preview::navigationKeys() {
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    PreviewDialog dialog(fiveInfos(), start);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // The dialog keeps these keys, even where they change nothing: the
    // default handling must not see them.
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &press);
    QVERIFY(press.isAccepted());
    QVERIFY(dialog.isVisible());
    QCOMPARE(info(&dialog), QString::fromUtf8("Page %1 of 5 • five.pdf").arg(expected));

    // Keys sent through the focus chain reach the dialog too.
    QTest::keyClick(&dialog, Qt::Key_Home);
    QCOMPARE(info(&dialog), QString::fromUtf8("Page 1 of 5 • five.pdf"));
}

void Preview::navigationButtons() {
    PreviewDialog dialog(fiveInfos(), 0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto buttonNamed = [&](const char *name) { return dialog.findChild<QPushButton *>(name); };
    QVERIFY(buttonNamed("prevButton")->isVisible());
    QVERIFY(!buttonNamed("prevButton")->isEnabled());
    QVERIFY(!buttonNamed("firstButton")->isEnabled());

    buttonNamed("lastButton")->click();
    QCOMPARE(info(&dialog), QString::fromUtf8("Page 5 of 5 • five.pdf"));
    QVERIFY(!buttonNamed("nextButton")->isEnabled());
    QVERIFY(!buttonNamed("lastButton")->isEnabled());
    buttonNamed("prevButton")->click();
    QCOMPARE(info(&dialog), QString::fromUtf8("Page 4 of 5 • five.pdf"));
    for (const char *name : {"prevButton", "nextButton", "firstButton", "lastButton"})
        QVERIFY2(buttonNamed(name)->isEnabled(), name);
    buttonNamed("firstButton")->click();
    buttonNamed("nextButton")->click();
    QCOMPARE(info(&dialog), QString::fromUtf8("Page 2 of 5 • five.pdf"));

    // The floating buttons sit centred on the picture area's left and right edges.
    const QRect area = dialog.findChild<QWidget *>("scrollArea")->geometry();
    QCOMPARE(buttonNamed("prevButton")->pos(),
             QPoint(area.x() + 15, area.y() + (area.height() - 80) / 2));
    QCOMPARE(buttonNamed("nextButton")->pos(),
             QPoint(area.x() + area.width() - 65, area.y() + (area.height() - 80) / 2));

    buttonNamed("closeButton")->click();
    QVERIFY(!dialog.isVisible());
}

void Preview::fitIsClampedAndPosterPagesAreCapped_data() {
    QTest::addColumn<QSizeF>("points");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QSize>("shown"); // picture size at that zoom
    QTest::newRow("tiny page") << QSizeF(10, 10) << 400 << QSize(100, 100);
    // 2.5 px/pt would need 36000 x 9000 pixels; the longer side stops at 8000.
    QTest::newRow("poster page") << QSizeF(14400, 3600) << 25 << QSize(2000, 500);
}

void Preview::fitIsClampedAndPosterPagesAreCapped() {
    QFETCH(QSizeF, points);
    QFETCH(int, zoom);
    QFETCH(QSize, shown);
    const QString path = dir.filePath(QString("size_%1.pdf").arg(points.width()));
    PdfFixtures::Page page;
    page.size = QPageSize(points, QPageSize::Point);
    QVERIFY(PdfFixtures::writePdf(path, {page}));

    PreviewDialog dialog({{path, 1}}, 0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *slider = dialog.findChild<QSlider *>("zoomSlider");
    dialog.findChild<QPushButton *>("fitButton")->click();
    QCOMPARE(slider->value(), zoom);
    QCOMPARE(picture(&dialog).size(), shown);

    dialog.findChild<QPushButton *>("actualSizeButton")->click();
    QCOMPARE(slider->value(), 100);
    QCOMPARE(picture(&dialog).size(), shown * 100 / zoom);
}

void Preview::unpaintedPaperShowsWhite() {
    // A page that paints only its mark, leaving the paper unpainted.
    const QString path = dir.filePath("bare.pdf");
    {
        QPdfWriter writer(path);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QSizeF(200, 200), QPageSize::Point));
        writer.setPageMargins(QMarginsF());
        QPainter painter(&writer);
        painter.fillRect(QRect(10, 10, 30, 30), Qt::black);
    }
    PreviewDialog dialog({{path, 1}}, 0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage image = picture(&dialog);
    QCOMPARE(image.size(), QSize(500, 500));
    const QColor paper = image.pixelColor(450, 450);
    QCOMPARE(paper.alpha(), 255);
    QVERIFY2(PdfFixtures::isWhite(paper), qPrintable(paper.name()));
    QVERIFY(PdfFixtures::isDark(image.pixelColor(50, 50)));
}

void Preview::unreadableSourceKeepsThePreviousPage() {
    PreviewDialog dialog({{fivePages, 1}, {dir.filePath("missing.pdf"), 1}}, 0);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage before = picture(&dialog);
    QTest::keyClick(&dialog, Qt::Key_Right);
    QCOMPARE(info(&dialog), QString::fromUtf8("Page 1 of 2 • five.pdf"));
    QCOMPARE(picture(&dialog), before);
}

QTEST_MAIN(Preview)
#include "tst_preview.moc"
