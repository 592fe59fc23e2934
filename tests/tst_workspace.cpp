// Undo and redo reuse the live tiles and tiles paint their own looks, to keep
// large workspaces fast; neither may change what the user sees.
#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"

#include <QLabel>
#include <QMimeData>
#include <QtTest>

class Workspace : public QObject
{
    Q_OBJECT

private slots:
    // Each undo and redo gives back a recorded state: pages, turns, selections,
    // badges and stamped pictures, with the grid showing exactly the list.
    void undoRedoGiveBackEveryState()
    {
        QPixmap white(60, 80);
        white.fill();
        QList<PageData> pages;
        for (int i = 0; i < 6; ++i) // the same pages twice, two selected, one turned
            pages << PageData{"/x/a.pdf", i % 3 + 1, 3, i == 3 ? 90 : 0, i == 1 || i == 4, white};
        MainWindow w;
        w.show();
        w.restorePagesFromData(pages);
        QPixmap black(60, 80);
        black.fill(Qt::black);
        auto stamp = [&](PageWidget *t) { // as the stamping commands do, snapshot after
            t->setProperty("originalThumbnail", black);
            t->updateThumbnail();
            w.saveState();
        };
        // Per tile: page, turn, selection, badge, the picture held, and whether
        // the picture shown is dark where the pages are white.
        auto state = [&w] {
            QStringList tiles;
            for (const PageWidget *t : w.pages()) {
                const QImage shown = t->shownPicture().toImage();
                tiles << QString::asprintf(
                    "%d@%d%s #%s %lld%s", t->getPageNumber(), t->getRotation(),
                    t->isSelected() ? "*" : "",
                    qPrintable(t->findChild<QLabel *>("indexLabel")->text()),
                    t->property("originalThumbnail").value<QPixmap>().cacheKey(),
                    qGray(shown.pixel(shown.width() - 3, shown.height() - 3)) < 99 ? "d" : "");
            }
            return tiles.join(", ");
        };
        stamp(w.pages()[2]);
        QStringList states{state()};
        w.onDragStarted(w.pages()[1]);
        w.onPageDropped(nullptr, w.pages()[4]);
        states << state();
        stamp(w.pages()[0]);
        states << state();
        w.rotateAllPages();
        states << state();
        DialogHelper helper;
        helper.messageBox(QMessageBox::Yes);
        w.removeSelectedPages();
        states << state();
        const int expected[] = {3, 2, 2, 0, 0, 0, 2, 2, 3, 4}; // after 5 undos, then 5 redos
        for (int step = 0; step < 10; ++step) {
            step < 5 ? w.undo() : w.redo();
            QCOMPARE(state(), states[expected[step]]);
            // No tile outlives its page, and the grid shows the list in order.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
            QCOMPARE(w.findChild<QWidget *>("gridContainer")->findChildren<PageWidget *>().size(),
                     w.pages().size());
            for (int i = 1; i < w.pages().size(); ++i) {
                const QPoint before = w.pages()[i - 1]->pos(), at = w.pages()[i]->pos();
                QVERIFY(at.y() > before.y() || (at.y() == before.y() && at.x() > before.x()));
            }
        }
        QVERIFY(helper.done() && QSet<QString>(states.cbegin(), states.cend()).size() == 5);
        QCOMPARE(states[0].count('d') + states[2].count('d'), 1 + 2); // stamped tiles shown dark
    }

    void looksByPixels_data()
    {
        // The state, then colours at the left edge ("-": dashed), low inside,
        // in the badge and in the picture.
        QTest::addColumn<QString>("row");
        QTest::newRow("first") << "first #444444 #2d2d2d #1976d2 #ffffff";
        QTest::newRow("normal") << "normal #404040 #2a2a2a #1976d2 #ffffff";
        QTest::newRow("hover") << "hover #1976d2 #2a2a2a #1976d2 #3d3d3d";
        QTest::newRow("selected") << "selected #00e5ff #0d47a1 #00e5ff #ffffff";
        QTest::newRow("drag over") << "drag - #1a1a2e #1976d2 #ffffff";
        QTest::newRow("selected hover") << "selected+hover #00e5ff #0d47a1 #00e5ff #3d3d3d";
    }
    void looksByPixels()
    {
        QFETCH(QString, row);
        const QStringList expected = row.split(' ');
        QPixmap white(100, 140);
        white.fill();
        PageWidget tile(white, "/x/a.pdf", 1, 1, 1);
        tile.show();
        if (expected[0] != "first")
            tile.setSelected(expected[0].startsWith("selected"));
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QMimeData mime;
        mime.setText("7");
        QDragEnterEvent drag(QPoint(5, 5), Qt::MoveAction, &mime, Qt::LeftButton, {});
        if (expected[0].endsWith("hover") || expected[0] == "drag")
            QCoreApplication::sendEvent(&tile, expected[0] == "drag" ? (QEvent *)&drag : &enter);

        const QImage image = tile.grab().toImage();
        auto near = [&image](int x, int y, const QString &colour) {
            const QColor a = image.pixelColor(x, y), b(colour == "-" ? "#1976d2" : colour);
            return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) +
                       qAbs(a.blue() - b.blue()) <
                   24;
        };
        int border = 0; // along the left edge, below the round corners
        for (int y = 20; y < image.height() - 20; ++y)
            border += near(0, y, expected[1]);
        QVERIFY(expected[1] == "-" ? border > 20 && border < image.height() - 60
                                   : border == image.height() - 40 && !near(0, 0, expected[1]));
        QVERIFY(near(8, image.height() - 10, expected[2]));
        QVERIFY(near(14 + (image.width() - 28) / 2, 6 + 3, expected[3])); // the badge's top
        QVERIFY(near(image.width() / 2, 50, expected[4]));
    }
};

QTEST_MAIN(Workspace)
#include "tst_workspace.moc"
