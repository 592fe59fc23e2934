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

    QTemporaryDir dir;
    QString five;
    QList<PageInfo> fivePages;

    static QString info(const QWidget *d) { return d->findChild<QLabel *>("infoLabel")->text(); }
    static QString infoFor(int page) {
        return QString::fromUtf8("Page %1 of 5 • five.pdf").arg(page);
    }
    static QImage picture(const QWidget *d) {
        return d->findChild<QLabel *>("imageLabel")->pixmap().toImage();
    }
    static QPushButton *button(const QWidget *d, const char *name) {
        return d->findChild<QPushButton *>(name);
    }
    // Opens the preview from tile `index` of a window holding the five pages.
    void previewFromTile(int index, bool rotated, std::function<void(QWidget *)> inspect) {
        MainWindow window;
        window.loadPDFPages(five);
        PageWidget *tile = window.pages().at(index);
        if (rotated)
            tile->findChild<QPushButton *>("rotateButton")->click();
        DialogHelper helper;
        helper.custom(inspect);
        tile->findChild<QPushButton *>("previewButton")->click();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(helper.records().first().title, "PDF Preview");
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        five = dir.filePath("five.pdf");
        QVERIFY(PdfFixtures::writePdf(five, 5));
        for (int i = 1; i <= 5; ++i)
            fivePages.append({five, i});
    }

    void opensAtTheTileAndClosesOnEscape() {
        QString shown;
        bool closed = false;
        previewFromTile(2, false, [&](QWidget *d) {
            shown = info(d);
            QTest::keyClick(d, Qt::Key_Escape);
            closed = !d->isVisible();
        });
        QCOMPARE(shown, infoFor(3));
        QVERIFY(closed);
    }

    void showsRotatedTilesUnrotated() {
        QPointF mark;
        previewFromTile(0, true, [&](QWidget *d) {
            mark = PdfFixtures::darkCentre(picture(d).scaledToWidth(200));
            static_cast<QDialog *>(d)->reject();
        });
        // The black mark stays top-left, where the source has it.
        QVERIFY2(mark.x() > 0 && mark.x() < 0.3 && mark.y() > 0 && mark.y() < 0.3,
                 qPrintable(QString("%1, %2").arg(mark.x()).arg(mark.y())));
    }

    void navigationKeys_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected"); // page shown afterwards, from 1
        QTest::newRow("Left on first") << 0 << int(Qt::Key_Left) << 1;
        QTest::newRow("PageUp on first") << 0 << int(Qt::Key_PageUp) << 1;
        QTest::newRow("Left") << 2 << int(Qt::Key_Left) << 2;
        QTest::newRow("PageDown") << 2 << int(Qt::Key_PageDown) << 4;
        QTest::newRow("Right on last") << 4 << int(Qt::Key_Right) << 5;
        QTest::newRow("Home") << 2 << int(Qt::Key_Home) << 1;
        QTest::newRow("End") << 2 << int(Qt::Key_End) << 5;
    }
    void navigationKeys() {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, expected);
        PreviewDialog dialog(fivePages, start);
        dialog.show();
        // The dialog keeps these keys even where they change nothing: the
        // default handling must not see them.
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &press);
        QVERIFY(press.isAccepted());
        QCOMPARE(info(&dialog), infoFor(expected));
        QTest::keyClick(&dialog, Qt::Key_Right);
        QCOMPARE(info(&dialog), infoFor(qMin(expected + 1, 5)));
        QVERIFY(dialog.isVisible());
    }

    void navigationButtonsFollowThePosition() {
        PreviewDialog single({{five, 2}}, 0);
        single.show();
        for (const char *name : {"prevButton", "nextButton", "firstButton", "lastButton"})
            QVERIFY2(!button(&single, name)->isEnabled(), name);
        QVERIFY(!button(&single, "prevButton")->isVisible() &&
                !button(&single, "nextButton")->isVisible());

        PreviewDialog dialog(fivePages, 0);
        dialog.show();
        QVERIFY(button(&dialog, "nextButton")->isVisible());
        QVERIFY(!button(&dialog, "firstButton")->isEnabled() &&
                !button(&dialog, "prevButton")->isEnabled());
        button(&dialog, "lastButton")->click();
        QVERIFY(!button(&dialog, "lastButton")->isEnabled() &&
                !button(&dialog, "nextButton")->isEnabled());
        button(&dialog, "prevButton")->click();
        QCOMPARE(info(&dialog), infoFor(4));
        // The floating buttons sit centred on the picture area's side edges.
        const QRect area = dialog.findChild<QWidget *>("scrollArea")->geometry();
        const int y = area.y() + (area.height() - 80) / 2;
        QCOMPARE(button(&dialog, "prevButton")->pos(), QPoint(area.x() + 15, y));
        QCOMPARE(button(&dialog, "nextButton")->pos(), QPoint(area.right() + 1 - 65, y));
        button(&dialog, "closeButton")->click();
        QVERIFY(!dialog.isVisible());
    }

    void fitIsClampedAndPosterPagesAreCapped_data() {
        QTest::addColumn<QSizeF>("points");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QSize>("shown"); // picture size at that zoom
        QTest::newRow("tiny page") << QSizeF(10, 10) << 400 << QSize(100, 100);
        // 2.5 px/pt would need 36000 x 9000 pixels; the longer side stops at 8000.
        QTest::newRow("poster page") << QSizeF(14400, 3600) << 25 << QSize(2000, 500);
    }
    void fitIsClampedAndPosterPagesAreCapped() {
        QFETCH(QSizeF, points);
        QFETCH(int, zoom);
        QFETCH(QSize, shown);
        const QString path = dir.filePath(QString("size_%1.pdf").arg(points.width()));
        PdfFixtures::Page page;
        page.size = QPageSize(points, QPageSize::Point);
        QVERIFY(PdfFixtures::writePdf(path, {page}));
        PreviewDialog dialog({{path, 1}}, 0);
        dialog.show();
        button(&dialog, "fitButton")->click();
        QCOMPARE(dialog.findChild<QSlider *>("zoomSlider")->value(), zoom);
        QCOMPARE(picture(&dialog).size(), shown);
        button(&dialog, "actualSizeButton")->click();
        QCOMPARE(picture(&dialog).size(), shown * 100 / zoom);
    }

    void unpaintedPaperShowsWhite() {
        const QString path = dir.filePath("bare.pdf");
        {
            QPdfWriter writer(path);
            writer.setResolution(72);
            writer.setPageSize(QPageSize(QSizeF(200, 200), QPageSize::Point));
            writer.setPageMargins(QMarginsF());
            QPainter(&writer).fillRect(QRect(10, 10, 30, 30), Qt::black); // only the mark
        }
        PreviewDialog dialog({{path, 1}, {dir.filePath("missing.pdf"), 1}}, 0);
        const QImage image = picture(&dialog);
        QCOMPARE(image.size(), QSize(500, 500));
        QCOMPARE(image.pixelColor(450, 450), QColor(Qt::white));
        QVERIFY(PdfFixtures::isDark(image.pixelColor(50, 50)));
        // An unreadable source keeps the previous page on show.
        dialog.nextPage();
        QCOMPARE(picture(&dialog), image);
        QCOMPARE(info(&dialog), QString::fromUtf8("Page 1 of 2 • bare.pdf"));
    }
};

QTEST_MAIN(Preview)
#include "tst_preview.moc"
