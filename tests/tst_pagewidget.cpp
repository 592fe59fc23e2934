#include "PageWidget.h"

#include <QDrag>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A page picture with a black block in its top-left corner, so a turn shows.
QPixmap markedPicture()
{
    QImage image(200, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            image.setPixel(x, y, qRgb(0, 0, 0));
    return QPixmap::fromImage(image);
}

PageWidget *makeTile(const QString &path = "/tmp/report.pdf", int index = 3)
{
    auto *tile = new PageWidget(markedPicture(), path, 2, 7, index);
    tile->setProperty("originalThumbnail", QVariant::fromValue(markedPicture()));
    tile->setProperty("totalPages", 7);
    return tile;
}

QImage shownPicture(PageWidget *tile)
{
    return tile->shownPicture().toImage();
}

// The overlay and its buttons are made when the mouse first enters the tile.
void hover(PageWidget *tile)
{
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(tile, &enter);
}

bool darkAt(const QImage &image, double fx, double fy)
{
    return qGray(image.pixel(int(fx * (image.width() - 1)), int(fy * (image.height() - 1)))) < 60;
}

void sendDrop(PageWidget *tile, QMimeData *mime)
{
    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tile, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tile, &drop);
}

} // namespace

class TestPageWidget : public QObject
{
    Q_OBJECT

private slots:
    void captionTruncatesLongNames_data();
    void captionTruncatesLongNames();
    void rotateButtonTurnsAndComesBack();
    void dragCarriesGlobalIndex();
    void dropEmitsOnlyForOtherTiles_data();
    void dropEmitsOnlyForOtherTiles();
};

void TestPageWidget::captionTruncatesLongNames_data()
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

void TestPageWidget::captionTruncatesLongNames()
{
    QFETCH(QString, path);
    QFETCH(QString, caption);
    std::unique_ptr<PageWidget> tile(makeTile(path));
    QCOMPARE(tile->findChild<QLabel *>("infoLabel")->text(), caption);
}

void TestPageWidget::rotateButtonTurnsAndComesBack()
{
    std::unique_ptr<PageWidget> tile(makeTile());
    QSignalSpy rotated(tile.get(), &PageWidget::rotatePage);
    hover(tile.get());
    auto *button = tile->findChild<QPushButton *>("rotateButton");
    QVERIFY(darkAt(shownPicture(tile.get()), 0.05, 0.05));

    button->click();
    QCOMPARE(tile->getRotation(), 90);
    // A clockwise quarter turn moves the top-left mark to the top-right corner.
    const QImage turned = shownPicture(tile.get());
    QVERIFY(turned.width() > turned.height());
    QVERIFY(darkAt(turned, 0.95, 0.05));
    QVERIFY(!darkAt(turned, 0.05, 0.05));

    button->click();
    button->click();
    button->click();
    QCOMPARE(tile->getRotation(), 0);
    QCOMPARE(rotated.count(), 4);
    QVERIFY(darkAt(shownPicture(tile.get()), 0.05, 0.05));
    tile->setRotation(450); // silently, and kept below a full turn
    QCOMPARE(tile->getRotation(), 90);
    QCOMPARE(rotated.count(), 4);
}

void TestPageWidget::dragCarriesGlobalIndex()
{
    std::unique_ptr<PageWidget> tile(makeTile("/tmp/a.pdf", 7));
    tile->show();
    QVERIFY(QTest::qWaitForWindowExposed(tile.get()));
    QString payload;
    QSize dragImage;
    QPoint hotSpot;
    connect(tile.get(), &PageWidget::dragStarted, this, [&](PageWidget *page) {
        QCOMPARE(page, tile.get());
        auto *drag = tile->findChild<QDrag *>();
        QVERIFY(drag);
        payload = drag->mimeData()->text();
        dragImage = drag->pixmap().size();
        hotSpot = drag->hotSpot();
        // End the modal drag from inside its own loop.
        QTimer::singleShot(0, tile.get(),
                           [] { QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Escape); });
    });
    QTest::mousePress(tile.get(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 80), tile->mapToGlobal(QPointF(60, 80)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tile.get(), &move);
    QCOMPARE(payload, QString("7"));
    QCOMPARE(dragImage, QSize(qRound(180 * 0.7), qRound(250 * 0.7)));
    QCOMPARE(hotSpot, QPoint(42, 56));
}

void TestPageWidget::dropEmitsOnlyForOtherTiles_data()
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<int>("signals");
    QTest::newRow("own index") << "3" << 0;
    QTest::newRow("another tile") << "1" << 1;
    QTest::newRow("not a number") << "x" << 1;
}

void TestPageWidget::dropEmitsOnlyForOtherTiles()
{
    QFETCH(QString, payload);
    std::unique_ptr<PageWidget> tile(makeTile("/tmp/a.pdf", 3));
    QSignalSpy dropped(tile.get(), &PageWidget::pageDropped);
    QMimeData mime;
    mime.setText(payload);
    sendDrop(tile.get(), &mime);
    QTEST(int(dropped.count()), "signals");
    for (const QList<QVariant> &arguments : dropped) // both are the target
        QVERIFY(arguments[0].value<PageWidget *>() == tile.get() &&
                arguments[1].value<PageWidget *>() == tile.get());
    // The drag-over look is replaced by the normal one.
    QCOMPARE(QColor(tile->grab().toImage().pixel(0, tile->height() / 2)), QColor("#404040"));
}

QTEST_MAIN(TestPageWidget)
#include "tst_pagewidget.moc"
