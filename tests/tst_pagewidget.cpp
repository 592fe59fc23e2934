#include "PageWidget.h"

#include <QDrag>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A page picture with a black block in its top-left corner, so a turn shows.
QPixmap markedPicture()
{
    QImage image(200, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, 0, 60, 60, Qt::black);
    return QPixmap::fromImage(image);
}

PageWidget *makeTile(const QString &path = "/tmp/report.pdf", int index = 3)
{
    auto *tile = new PageWidget(markedPicture(), path, 2, 7, index);
    tile->setProperty("originalThumbnail", QVariant::fromValue(markedPicture()));
    tile->setProperty("totalPages", 7);
    return tile;
}

bool darkAt(const QImage &image, double fx, double fy)
{
    return qGray(image.pixel(int(fx * (image.width() - 1)), int(fy * (image.height() - 1)))) < 60;
}

} // namespace

class TestPageWidget : public QObject
{
    Q_OBJECT

private slots:

    void captionTruncatesLongNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        QTest::newRow("15 characters")
            << "/x/abcdefghijklmno.pdf" << QString::fromUtf8("abcdefghijklmno • S:2/7");
        QTest::newRow("16 characters")
            << "/x/abcdefghijklmnop.pdf" << QString::fromUtf8("abcdefghijklmno... • S:2/7");
        QTest::newRow("name up to the first dot")
            << "/x/report.v2.final.pdf" << QString::fromUtf8("report • S:2/7");
    }

    void captionTruncatesLongNames()
    {
        QFETCH(QString, path);
        QFETCH(QString, caption);
        std::unique_ptr<PageWidget> tile(makeTile(path));
        QCOMPARE(tile->findChild<QLabel *>("infoLabel")->text(), caption);
    }

    void rotateButtonTurnsAndComesBack()
    {
        std::unique_ptr<PageWidget> tile(makeTile());
        QSignalSpy rotated(tile.get(), &PageWidget::rotatePage);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5)); // makes the buttons
        QCoreApplication::sendEvent(tile.get(), &enter);
        auto *button = tile->findChild<QPushButton *>("rotateButton");
        QVERIFY(darkAt(tile->shownPicture().toImage(), 0.05, 0.05));

        button->click();
        QCOMPARE(tile->getRotation(), 90);
        // A clockwise quarter turn moves the top-left mark to the top-right corner.
        const QImage turned = tile->shownPicture().toImage();
        QVERIFY(turned.width() > turned.height());
        QVERIFY(darkAt(turned, 0.95, 0.05));
        QVERIFY(!darkAt(turned, 0.05, 0.05));

        for (int i = 0; i < 3; ++i)
            button->click();
        QCOMPARE(tile->getRotation(), 0);
        QCOMPARE(rotated.count(), 4);
        QVERIFY(darkAt(tile->shownPicture().toImage(), 0.05, 0.05));
        tile->setRotation(450); // silently, and kept below a full turn
        QCOMPARE(tile->getRotation(), 90);
        QCOMPARE(rotated.count(), 4);
    }

    void dragCarriesGlobalIndex()
    {
        std::unique_ptr<PageWidget> tile(makeTile("/tmp/a.pdf", 7));
        tile->show();
        QVERIFY(QTest::qWaitForWindowExposed(tile.get()));
        QString payload;
        QPoint hotSpot;
        connect(tile.get(), &PageWidget::dragStarted, this, [&](PageWidget *page) {
            QCOMPARE(page, tile.get());
            auto *drag = tile->findChild<QDrag *>();
            QVERIFY(drag);
            payload = drag->mimeData()->text();
            hotSpot = drag->hotSpot();
            // End the modal drag from inside its own loop.
            QTimer::singleShot(0, tile.get(), [] {
                QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Escape);
            });
        });
        QTest::mousePress(tile.get(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
        QMouseEvent move(QEvent::MouseMove, QPointF(60, 80), tile->mapToGlobal(QPointF(60, 80)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(tile.get(), &move);
        QCOMPARE(payload, QString("7"));
        QCOMPARE(hotSpot, QPoint(42, 56));
    }

    void dropEmitsOnlyForOtherTiles_data()
    {
        QTest::addColumn<QString>("payload");
        QTest::addColumn<int>("signals");
        QTest::newRow("own index") << "3" << 0;
        QTest::newRow("another tile") << "1" << 1;
        QTest::newRow("not a number") << "x" << 1;
    }

    void dropEmitsOnlyForOtherTiles()
    {
        QFETCH(QString, payload);
        std::unique_ptr<PageWidget> tile(makeTile("/tmp/a.pdf", 3));
        QSignalSpy dropped(tile.get(), &PageWidget::pageDropped);
        QMimeData mime;
        mime.setText(payload);
        QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(tile.get(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(tile.get(), &drop);
        QTEST(int(dropped.count()), "signals");
        for (const QList<QVariant> &arguments : dropped) // both are the target
            QVERIFY(arguments[0].value<PageWidget *>() == tile.get() &&
                    arguments[1].value<PageWidget *>() == tile.get());
        // The drag-over look is replaced by the normal one.
        QCOMPARE(QColor(tile->grab().toImage().pixel(0, tile->height() / 2)), QColor("#404040"));
    }
};

QTEST_MAIN(TestPageWidget)
#include "tst_pagewidget.moc"
