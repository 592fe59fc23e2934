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

class Preview : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString five;

    static QString info(QWidget *d) { return d->findChild<QLabel *>("infoLabel")->text(); }
    static QImage picture(QWidget *d)
    {
        return d->findChild<QLabel *>("imageLabel")->pixmap().toImage();
    }
    static auto *button(QWidget *d, const char *name) { return d->findChild<QPushButton *>(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        five = dir.filePath("five.pdf");
        QVERIFY(PdfFixtures::writePdf(five, 5));
    }

    void opensFromTheTileUnrotated()
    {
        MainWindow window;
        window.loadPDFPages(five);
        PageWidget *tile = window.pages().at(2);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5)); // makes the buttons
        QCoreApplication::sendEvent(tile, &enter);
        tile->findChild<QPushButton *>("rotateButton")->click();
        QString shown;
        QPointF mark;
        DialogHelper helper;
        helper.custom([&](QWidget *d) {
            shown = info(d);
            mark = PdfFixtures::darkCentre(picture(d).scaledToWidth(200));
            static_cast<QDialog *>(d)->reject();
        });
        tile->findChild<QPushButton *>("previewButton")->click();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(shown, QString::fromUtf8("Page 3 of 5 • five.pdf"));
        QVERIFY(QRectF(0, 0, 0.3, 0.3).contains(mark)); // top-left, where the source has it
    }

    void navigation_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected"); // page shown afterwards, from 1
        QTest::newRow("one page") << 1 << 0 << int(Qt::Key_Right) << 1;
        QTest::newRow("Left on first") << 5 << 0 << int(Qt::Key_Left) << 1;
        QTest::newRow("Left") << 5 << 2 << int(Qt::Key_Left) << 2;
        QTest::newRow("PageDown") << 5 << 2 << int(Qt::Key_PageDown) << 4;
        QTest::newRow("Right on last") << 5 << 4 << int(Qt::Key_Right) << 5;
        QTest::newRow("Home") << 5 << 2 << int(Qt::Key_Home) << 1;
        QTest::newRow("End") << 5 << 2 << int(Qt::Key_End) << 5;
        QTest::newRow("Escape") << 5 << 2 << int(Qt::Key_Escape) << 3;
    }
    void navigation()
    {
        QFETCH(int, count);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, expected);
        PreviewDialog dialog(QList<PageInfo>(count, {five, 1}), start);
        dialog.show();
        // The dialog keeps these keys even where they change nothing; Escape closes it.
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &press);
        QVERIFY(press.isAccepted());
        QCOMPARE(dialog.isVisible(), key != Qt::Key_Escape);
        QCOMPARE(info(&dialog),
                 QString::fromUtf8("Page %1 of %2 • five.pdf").arg(expected).arg(count));
        QList<bool> state; // first, previous, next and last enabled; the floating pair shown
        for (const char *name : {"firstButton", "prevButton", "nextButton", "lastButton"})
            state << button(&dialog, name)->isEnabled();
        state << button(&dialog, "prevButton")->isVisibleTo(&dialog)
              << button(&dialog, "nextButton")->isVisibleTo(&dialog);
        const bool back = expected > 1, forward = expected < count;
        QCOMPARE(state, (QList<bool>{back, back, forward, forward, count > 1, count > 1}));
    }

    // Tiny pages fit at the 400 % maximum; a poster page at 2.5 px/pt would need 36000 x 9000
    // pixels, so its longer side stops at 8000 and it fits at the 25 % minimum.
    void fitIsClampedAndPosterPagesAreCapped_data()
    {
        QTest::addColumn<QSizeF>("points");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QSize>("shown"); // picture size at that zoom
        QTest::newRow("tiny page") << QSizeF(10, 10) << 400 << QSize(100, 100);
        QTest::newRow("poster page") << QSizeF(14400, 3600) << 25 << QSize(2000, 500);
    }
    void fitIsClampedAndPosterPagesAreCapped()
    {
        QFETCH(QSizeF, points);
        QFETCH(int, zoom);
        QFETCH(QSize, shown);
        // Only a mark is painted: the rest of the paper must still show white.
        const QString path = dir.filePath(QString("size_%1.pdf").arg(points.width()));
        {
            QPdfWriter writer(path);
            writer.setResolution(72);
            writer.setPageSize(QPageSize(points, QPageSize::Point));
            writer.setPageMargins(QMarginsF());
            QPainter(&writer).fillRect(QRectF(QPointF(), points / 5), Qt::black);
        }
        PreviewDialog dialog({{path, 1}, {dir.filePath("missing.pdf"), 1}}, 0);
        dialog.show();
        button(&dialog, "fitButton")->click();
        QCOMPARE(dialog.findChild<QSlider *>("zoomSlider")->value(), zoom);
        QCOMPARE(picture(&dialog).size(), shown);
        button(&dialog, "actualSizeButton")->click();
        const QImage image = picture(&dialog);
        QCOMPARE(image.size(), shown * 100 / zoom);
        QVERIFY(PdfFixtures::isDark(image.pixelColor(1, 1)));
        QVERIFY(PdfFixtures::isWhite(image.pixelColor(image.width() - 2, image.height() - 2)));
        dialog.nextPage(); // an unreadable source keeps the previous page on show
        QVERIFY(PdfFixtures::sameImage(picture(&dialog), image));
    }
};

QTEST_MAIN(Preview)
#include "tst_preview.moc"
