// Editing commands, the undo history behind them and blank page insertion.
#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

class Editing : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> w;

    // Small pages load quickly by the hundred. The loader leaves the toolbar to the add command.
    void load(int count, const QString &name = {})
    {
        const QString path = dir.filePath(name.isEmpty() ? QString("p%1.pdf").arg(count) : name);
        const PdfFixtures::Page page{QPageSize(QSizeF(100, 100), QPageSize::Point), {}, {}};
        if (!QFile::exists(path))
            PdfFixtures::writePdf(path, QList<PdfFixtures::Page>(count, page));
        w->loadPDFPages(path);
        w->updatePageGrid();
    }
    // The grid as text: page numbers in order, "b" for a blank page, "@90" for a rotation and
    // "*" for a selected tile. Every tile must show its thumbnail and its badge must read 1..n.
    QString grid() const
    {
        QStringList tiles;
        for (const PageWidget *t : w->pages()) {
            if (t->findChild<QLabel *>("indexLabel")->text() != QString::number(tiles.size() + 1) ||
                t->shownPicture().isNull())
                return QString("tile %1 unfinished").arg(tiles.size() + 1);
            QString text = t->getFilePath().contains("blank_page_")
                               ? QString("b")
                               : QString::number(t->getPageNumber());
            if (t->getRotation() != 0)
                text += QString("@%1").arg(t->getRotation());
            tiles << (t->isSelected() ? text + "*" : text);
        }
        return tiles.join(' ');
    }
    PageWidget *tile(int i) const { return w->pages().at(i); }
    void click(int i, const char *name) // the buttons appear when the mouse enters the tile
    {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(tile(i), &enter);
        tile(i)->findChild<QPushButton *>(name)->click();
    }
    void drop(int i) { emit tile(i)->pageDropped(tile(i), tile(i)); }
    static void flushDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Runs steps like "drag 0;drop 3" or "undo*50". "drop N" drops twice, before and after
    // deleteLater() takes effect; the drag is over after the first. "yes", "no", "ok" and "int N"
    // queue the answer to the next dialog; "unwritable" points the temporary folder at a file;
    // "gone" loads five pages from a file that is deleted right after.
    void run(const QString &script, DialogHelper &helper)
    {
        const QHash<QString, std::function<void(int)>> steps{
            {"reverse", [&](int) { w->reverseOrder(); }},
            {"rotateAll", [&](int) { w->rotateAllPages(); }},
            {"removeSelected", [&](int) { w->removeSelectedPages(); }},
            {"deselect", [&](int) { w->deselectAll(); }},
            {"clear", [&](int) { w->clearAll(); }},
            {"undo", [&](int) { w->undo(); }},
            {"redo", [&](int) { w->redo(); }},
            {"blank", [&](int) { w->findChild<QPushButton *>("blankButton")->click(); }},
            {"load", [&](int) { load(5); }},
            {"gone", [&](int) { load(5, "gone.pdf"), QFile::remove(dir.filePath("gone.pdf")); }},
            {"restoreEmpty", [&](int) { w->restorePagesFromData({}); }},
            {"drag", [&](int i) { emit tile(i)->dragStarted(tile(i)); }},
            {"drop", [&](int i) { drop(i), flushDeletes(), drop(i); }},
            {"rm", [&](int i) { click(i, "removeButton"); }},
            {"select", [&](int i) { click(i, "selectButton"); }},
            {"rotate", [&](int i) { click(i, "rotateButton"); }},
            {"yes", [&](int) { helper.messageBox(QMessageBox::Yes); }},
            {"no", [&](int) { helper.messageBox(QMessageBox::No); }},
            {"ok", [&](int) { helper.messageBox(QMessageBox::Ok); }},
            {"int", [&](int i) { helper.integer(i); }},
            {"unwritable", [&](int) { qputenv("TMPDIR", dir.filePath("a_file").toUtf8()); }},
        };
        for (const QString &step : script.split(';')) {
            const QStringList words = step.split(QRegularExpression("[ *]"));
            QVERIFY2(steps.contains(words[0]), qPrintable(step));
            for (int n = step.contains('*') ? words[1].toInt() : 1; n > 0; --n)
                steps[words[0]](words.value(1).toInt());
        }
    }
    static void row(const char *name, int count, const char *script, const char *expected,
                    bool undoable, const char *message = "")
    {
        QTest::newRow(name) << count << QString(script) << QString(expected) << undoable
                            << QString(message);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QFile(dir.filePath("a_file")).open(QIODevice::WriteOnly));
    }
    void init()
    {
        qputenv("TMPDIR", dir.path().toUtf8()); // blank pages land in our folder
        w = std::make_unique<MainWindow>();
        w->show();
    }
    void cleanup() { w.reset(); }

    void edits_data()
    {
        QTest::addColumn<int>("count"); // pages loaded first
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected"); // the grid afterwards
        QTest::addColumn<bool>("undoable");
        QTest::addColumn<QString>("message"); // in the status bar or a box's title
        row("drop 1 onto 4", 5, "drag 0;drop 3", "2 3 4 1 5", true, "Page moved: 1 → 4");
        row("drop 4 onto 1", 5, "drag 3;drop 0", "4 1 2 3 5", true, "Page moved: 4 → 1");
        row("drop onto itself", 5, "drag 2;drop 2", "1 2 3 4 5", false);
        row("reverse one page", 1, "reverse", "1", false);
        row("remove selected, none selected", 5, "ok;removeSelected", "1 2 3 4 5", false);
        row("remove selected", 5, "select 1;select 3;yes;removeSelected", "1 3 5", true);
        row("clear, then undo", 5, "reverse;yes;clear;undo", "", false);
        row("restore an empty snapshot", 5, "restoreEmpty", "", false);
        // Restoring makes new tiles from the snapshot, wired like loaded ones, without the file.
        row("restore without the file", 0, "gone;reverse;undo;rm 4", "1 2 3 4", true);
        // The dragged tile goes away before the drop: the drop must not use it.
        row("dragged, removed", 5, "reverse;drag 0;rm 0;drop 2", "4 3 2 1", true);
        row("dragged, removed as selected", 5, "reverse;drag 0;select 0;yes;removeSelected;drop 2",
            "4 3 2 1", true);
        row("dragged, undone", 5, "reverse;drag 0;undo;drop 2", "1 2 3 4 5", false);
        row("dragged, cleared", 5, "drag 0;yes;clear;load;drop 2", "1 2 3 4 5", false);
        row("rotate all thrice from 90", 5, "rotate 0;select 1;rotateAll*3",
            "1 2@270* 3@270 4@270 5@270", true);
        row("undo of rotate all", 5, "rotate 0;select 1;rotateAll*3;deselect;undo",
            "1@270 2@180* 3@180 4@180 5@180", true);
        row("50 of 51 edits undone", 5, "reverse*51;undo*50", "5 4 3 2 1", false);
        row("an edit after undo empties redo", 5, "reverse;undo;drag 0;drop 4;redo", "2 3 4 5 1",
            true);
        row("blank at 1 of 5", 5, "int 1;ok;blank", "b 1 2 3 4 5", true);
        row("blank at 6 of 5", 5, "int 6;ok;blank", "1 2 3 4 5 b", true);
        row("blank into an empty list", 0, "int 1;ok;blank", "b", true);
        // The snapshot is taken after the insertion, so undo keeps the blank page.
        row("blank, then undo", 5, "int 6;ok;blank;undo", "1 2 3 4 5 b", false);
        row("blank not written", 5, "unwritable;int 1;ok;blank", "1 2 3 4 5", false,
            "Blank Page Failed");
        // Over the large-list threshold the user declines, so the loader appends nothing.
        row("blank not loaded", 500, "int 1;no;blank", "unchanged", false,
            "⚠️ Large PDF Warning");
    }
    void edits()
    {
        QFETCH(int, count);
        QFETCH(QString, script);
        QFETCH(QString, expected);
        QFETCH(QString, message);
        if (count > 0)
            load(count);
        if (expected == "unchanged")
            expected = grid();
        DialogHelper helper;
        run(script, helper);
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(grid(), expected);
        if (expected.isEmpty())
            QCOMPARE(w->findChildren<QLabel *>("emptyStateLabel").size(), 2);
        QTEST(w->findChild<QPushButton *>("undoButton")->isEnabled(), "undoable");
        if (!message.isEmpty())
            QVERIFY2(
                w->statusBar()->currentMessage() == message || helper.titles().contains(message),
                qPrintable(w->statusBar()->currentMessage() + " | " + helper.titles().join(", ")));
        // Each blank page kept is a white A4 sheet, deleted with the window.
        QCOMPARE(w->temporaryFiles().size(), int(expected.split(' ').count("b")));
        for (const QString &path : w->temporaryFiles()) {
            QCOMPARE(PdfFixtures::pdfinfoPageSize(path).toSize(), QSize(595, 842));
            QCOMPARE(PdfFixtures::darkCentre(PdfFixtures::renderPage(path, 0)), QPointF(-1, -1));
        }
    }

    // Rotate-all above 100 pages, the grid rebuild above 300 and the zoom above 200 pump
    // events; a clear or undo from in there deletes the tiles under them.
    void longPassesPumpEvents_data()
    {
        QTest::addColumn<QString>("pass");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("meanwhile");
        QTest::newRow("rotate 100") << "rotate" << 100 << "";
        QTest::newRow("rotate 101") << "rotate" << 101 << "";
        QTest::newRow("rotate 101, clear meanwhile") << "rotate" << 101 << "clear";
        QTest::newRow("rotate 101, undo meanwhile") << "rotate" << 101 << "undo";
        QTest::newRow("grid rebuild 301, clear meanwhile") << "grid" << 301 << "clear";
        QTest::newRow("zoom 201, clear meanwhile") << "zoom" << 201 << "clear";
    }
    void longPassesPumpEvents()
    {
        QFETCH(QString, pass);
        QFETCH(int, count);
        QFETCH(QString, meanwhile);
        load(count);
        w->reverseOrder();
        auto *bar = w->findChild<QProgressBar *>("progressBar");
        bool pumped = false; // the timer fires inside the pass only if it pumps events
        DialogHelper helper;
        if (meanwhile == "clear")
            helper.messageBox(QMessageBox::Yes);
        QTimer::singleShot(0, w.get(), [&] {
            pumped = pass != "rotate" || (bar->isVisible() && bar->maximum() == count);
            if (!meanwhile.isEmpty())
                meanwhile == "clear" ? w->clearAll() : w->undo();
            flushDeletes();
        });
        if (pass == "rotate")
            w->rotateAllPages();
        else if (pass == "zoom")
            w->findChild<QSlider *>("zoomSlider")->setValue(120);
        else
            w->updatePageGrid();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(pumped, count > 100);
        QVERIFY(!bar->isVisible() && w->updatesEnabled());
        QCOMPARE(w->pages().size(), meanwhile == "clear" ? 0 : count);
        if (meanwhile == "clear")
            QCOMPARE(w->findChild<QLabel *>("pageCountLabel")->text(),
                     QString::fromUtf8("0 pages • 0 files"));
        for (const PageWidget *t : w->pages()) // undo's new tiles were never seen by the loop
            QCOMPARE(t->getRotation(), meanwhile.isEmpty() ? 90 : 0);
    }
};

QTEST_MAIN(Editing)
#include "tst_editing.moc"
