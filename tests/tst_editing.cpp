// Editing commands, the undo history behind them and blank page insertion.
#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QInputDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using Order = QList<int>; // page numbers in grid order; 0 marks a blank page

class Editing : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> w;

    // Pages of 100 x 100 pt load quickly in large numbers.
    QString pdf(int count) {
        const QString path = dir.filePath(QString("pages_%1.pdf").arg(count));
        QList<PdfFixtures::Page> pages(count);
        for (PdfFixtures::Page &page : pages)
            page.size = QPageSize(QSizeF(100, 100), QPageSize::Point);
        if (!QFile::exists(path))
            PdfFixtures::writePdf(path, pages);
        return path;
    }
    // The loader leaves the toolbar's enabled states to the add command, so
    // the tests call the toolbar's slots directly.
    void load(int count) {
        w->loadPDFPages(pdf(count));
        w->updatePageGrid();
    }
    Order order() const {
        Order numbers;
        for (const PageWidget *t : w->pages())
            numbers << (t->getFilePath().contains("blank_page_") ? 0 : t->getPageNumber());
        return numbers;
    }
    PageWidget *tile(int i) const { return w->pages().at(i); }
    void clickOnTile(int i, const char *name) { tile(i)->findChild<QPushButton *>(name)->click(); }
    bool canUndo() const { return w->findChild<QPushButton *>("undoButton")->isEnabled(); }
    bool canRedo() const { return w->findChild<QPushButton *>("redoButton")->isEnabled(); }
    QString status() const { return w->statusBar()->currentMessage(); }
    void drag(int from, int to) {
        emit tile(from)->dragStarted(tile(from));
        emit tile(to)->pageDropped(tile(to), tile(to));
    }
    static void flushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        // Blank pages go to the temporary folder: keep them in ours.
        qputenv("TMPDIR", dir.path().toUtf8());
    }
    void init() {
        w = std::make_unique<MainWindow>();
        w->show();
    }
    void cleanup() { w.reset(); }

    void dropMovesToTheTargetsPosition_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<Order>("expected");
        QTest::newRow("1 onto 4") << 0 << 3 << Order{2, 3, 4, 1, 5};
        QTest::newRow("4 onto 1") << 3 << 0 << Order{4, 1, 2, 3, 5};
        QTest::newRow("onto itself") << 2 << 2 << Order{1, 2, 3, 4, 5};
    }
    void dropMovesToTheTargetsPosition() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(Order, expected);
        load(5);
        drag(from, to);
        QCOMPARE(order(), expected);
        QCOMPARE(canUndo(), from != to);
        if (from == to)
            return;
        QCOMPARE(status(), QString::fromUtf8("Page moved: %1 → %2").arg(from + 1).arg(to + 1));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(tile(i)->findChild<QLabel *>("indexLabel")->text(), QString::number(i + 1));
        // The drag is over: a second drop moves nothing.
        emit tile(1)->pageDropped(tile(1), tile(1));
        QCOMPARE(order(), expected);
    }

    void dropAfterTheDraggedTileLeftDoesNothing_data() {
        QTest::addColumn<QString>("how");
        for (const char *how : {"remove button", "remove selected", "undo", "clear"})
            QTest::newRow(how) << how;
    }
    void dropAfterTheDraggedTileLeftDoesNothing() {
        QFETCH(QString, how);
        load(5);
        w->reverseOrder();
        emit tile(0)->dragStarted(tile(0));
        DialogHelper helper;
        if (how == "remove button") {
            clickOnTile(0, "removeButton");
        } else if (how == "remove selected") {
            clickOnTile(0, "selectButton");
            helper.messageBox(QMessageBox::Yes);
            w->removeSelectedPages();
        } else if (how == "undo") {
            w->undo();
        } else {
            helper.messageBox(QMessageBox::Yes);
            w->clearAll();
            load(5);
        }
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        const Order before = order();
        const QString statusBefore = status();
        for (int round = 0; round < 2; ++round) { // before and after the deletion
            emit tile(2)->pageDropped(tile(2), tile(2));
            QCOMPARE(order(), before);
            QCOMPARE(status(), statusBefore);
            flushDeletes();
        }
    }

    void reverseNeedsTwoPages_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<Order>("expected");
        QTest::newRow("five") << 5 << Order{5, 4, 3, 2, 1};
        QTest::newRow("one") << 1 << Order{1};
    }
    void reverseNeedsTwoPages() {
        QFETCH(int, count);
        QFETCH(Order, expected);
        load(count);
        const QString statusBefore = status();
        w->reverseOrder();
        QCOMPARE(order(), expected);
        QCOMPARE(canUndo(), count > 1);
        QCOMPARE(status(), count > 1 ? QString("Page order reversed") : statusBefore);
    }

    void removeSelectedAsksFirst() {
        load(5);
        DialogHelper helper;
        helper.messageBox(QMessageBox::Ok);
        w->removeSelectedPages();
        QCOMPARE(helper.texts(), QStringList{"No pages selected!"});
        clickOnTile(1, "selectButton");
        clickOnTile(3, "selectButton");
        helper.messageBox(QMessageBox::No).messageBox(QMessageBox::Yes);
        w->removeSelectedPages();
        QVERIFY(!canUndo());
        w->removeSelectedPages();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(helper.titles(), (QStringList{"Info", "Confirm Removal", "Confirm Removal"}));
        QCOMPARE(helper.texts().at(1), "Are you sure you want to remove 2 selected page(s)?");
        QCOMPARE(order(), (Order{1, 3, 5}));
        QCOMPARE(status(), "Removed 2 page(s)");
        w->undo();
        QCOMPARE(order(), (Order{1, 2, 3, 4, 5}));
    }

    void rotateAllTurnsFromEachPagesRotation() {
        load(5);
        clickOnTile(0, "rotateButton");
        for (int i = 0; i < 3; ++i)
            w->rotateAllPages();
        QCOMPARE(tile(0)->getRotation(), 0);
        QCOMPARE(tile(1)->getRotation(), 270);
        QCOMPARE(status(), QString::fromUtf8("✅ Tüm 5 sayfa 90° döndürüldü"));
    }

    void rotateAllShowsProgressAboveHundredPages_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("100") << 100;
        QTest::newRow("101") << 101;
    }
    void rotateAllShowsProgressAboveHundredPages() {
        QFETCH(int, count);
        load(count);
        auto *bar = w->findChild<QProgressBar *>("progressBar");
        bool sawProgress = false; // the timer runs inside the command only if it pumps events
        QTimer::singleShot(0, w.get(),
                           [&] { sawProgress = bar->isVisible() && bar->maximum() == count; });
        w->rotateAllPages();
        QCOMPARE(sawProgress, count > 100);
        QVERIFY(!bar->isVisible());
        QCOMPARE(tile(count - 1)->getRotation(), 90);
    }

    void rotateAllSurvivesClearOrUndoMeanwhile_data() {
        QTest::addColumn<bool>("clear");
        QTest::newRow("clear") << true;
        QTest::newRow("undo") << false;
    }
    void rotateAllSurvivesClearOrUndoMeanwhile() {
        QFETCH(bool, clear);
        load(101);
        w->reverseOrder();
        const QPointer<PageWidget> old = tile(50);
        DialogHelper helper;
        if (clear)
            helper.messageBox(QMessageBox::Yes);
        QTimer::singleShot(0, w.get(), [&] {
            clear ? w->clearAll() : w->undo();
            flushDeletes();
        });
        w->rotateAllPages();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QVERIFY(old.isNull()); // the tiles really went away mid-loop
        // Undo brought back new tiles, which the command never saw.
        QCOMPARE(w->pages().size(), clear ? 0 : 101);
        for (const PageWidget *t : w->pages())
            QCOMPARE(t->getRotation(), 0);
        if (!clear)
            QCOMPARE(order().first(), 101);
    }

    void clearCannotBeUndone() {
        load(5);
        w->reverseOrder();
        DialogHelper helper;
        helper.messageBox(QMessageBox::No).messageBox(QMessageBox::Yes);
        w->clearAll();
        QCOMPARE(order().size(), 5);
        w->clearAll();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(helper.texts().first(),
                 "Are you sure you want to clear all 5 pages?\n\nThis action cannot be undone.");
        QCOMPARE(status(), "All pages cleared");
        QVERIFY(!canUndo() && !canRedo());
        w->undo();
        QVERIFY(w->pages().isEmpty());
    }

    void undoKeepsFiftySteps() {
        load(5);
        for (int i = 0; i < 51; ++i)
            w->reverseOrder();
        int undos = 0;
        for (; canUndo() && undos < 100; ++undos)
            w->undo();
        QCOMPARE(undos, 50);
        // The state before the first edit fell off the history.
        QCOMPARE(order(), (Order{5, 4, 3, 2, 1}));
        QCOMPARE(status(), "Undone");
        w->redo();
        QCOMPARE(status(), "Redone");
        w->rotateAllPages();
        QVERIFY(!canRedo());
    }

    void undoRestoresRotationAndSelection() {
        load(5);
        clickOnTile(0, "rotateButton");
        clickOnTile(1, "selectButton");
        w->rotateAllPages();
        w->deselectAll();
        w->undo();
        QCOMPARE(tile(0)->getRotation(), 90);
        QCOMPARE(tile(1)->getRotation(), 0);
        QVERIFY(!tile(0)->isSelected() && tile(1)->isSelected());
    }

    void restoreNeedsNoSourceFile() {
        load(5);
        const QString path = dir.filePath("gone.pdf");
        QVERIFY(QFile::copy(pdf(5), path));
        w->restorePagesFromData({}); // the empty state
        QCOMPARE(w->findChild<QLabel *>("pageCountLabel")->text(),
                 QString::fromUtf8("0 pages • 0 files"));
        QCOMPARE(w->findChildren<QLabel *>("emptyStateLabel").size(), 2);
        w->loadPDFPages(path);
        w->reverseOrder();
        QVERIFY(QFile::remove(path));
        DialogHelper helper; // no "Failed to load" box may appear
        w->undo();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(order(), (Order{1, 2, 3, 4, 5}));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(tile(i)->getGlobalIndex(), i + 1);
            QVERIFY(!tile(i)->findChild<QLabel *>("thumbnailLabel")->pixmap().isNull());
        }
        clickOnTile(4, "removeButton"); // restored tiles are wired like loaded ones
        QCOMPARE(order(), (Order{1, 2, 3, 4}));
    }

    void blankPageGoesWhereAsked_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("position");
        QTest::addColumn<Order>("expected");
        QTest::newRow("1 of 5") << 5 << 1 << Order{0, 1, 2, 3, 4, 5};
        QTest::newRow("6 of 5") << 5 << 6 << Order{1, 2, 3, 4, 5, 0};
        QTest::newRow("empty list") << 0 << 1 << Order{0};
    }
    void blankPageGoesWhereAsked() {
        QFETCH(int, count);
        QFETCH(int, position);
        QFETCH(Order, expected);
        if (count > 0)
            load(count);
        w->rotateAllPages(); // an earlier entry of the history
        Order offered;       // minimum, maximum, default
        DialogHelper helper;
        helper.custom([&](QWidget *d) {
            auto *input = static_cast<QInputDialog *>(d);
            offered = {input->intMinimum(), input->intMaximum(), input->intValue()};
            input->setIntValue(position);
            input->accept();
        });
        helper.messageBox();
        w->findChild<QPushButton *>("blankButton")->click();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(helper.records().first().text,
                 QString("Insert blank page at position (1-%1):").arg(count + 1));
        QCOMPARE(offered, (Order{1, count + 1, count + 1}));
        QCOMPARE(helper.titles(), QStringList{"Blank Page Inserted"});
        QCOMPARE(helper.texts().first(),
                 QString::fromUtf8("✅ Inserted blank page at position %1").arg(position));
        QCOMPARE(status(), QString("Blank page inserted at position %1").arg(position));
        QCOMPARE(order(), expected);
        for (int i = 0; i <= count; ++i)
            QCOMPARE(tile(i)->getGlobalIndex(), i + 1);

        const QString blank = tile(position - 1)->getFilePath();
        QCOMPARE(w->temporaryFiles(), QStringList{blank});
        QVERIFY(QRegularExpression("/blank_page_\\d+\\.pdf$").match(blank).hasMatch());
        const QSizeF size = PdfFixtures::pdfinfoPageSize(blank);
        QVERIFY(qAbs(size.width() - 595.3) < 1 && qAbs(size.height() - 841.9) < 1);
        QCOMPARE(PdfFixtures::darkCentre(PdfFixtures::renderPage(blank, 0)), QPointF(-1, -1));

        // The snapshot was taken after the insertion, so undo keeps the blank page.
        w->undo();
        QCOMPARE(order().count(0), 1);
        w->undo();
        QCOMPARE(order().count(0), count > 0 ? 0 : 1);
    }

    void blankPageFailureChangesNothing_data() {
        QTest::addColumn<bool>("unwritable");
        QTest::addColumn<QString>("title");
        QTest::newRow("file cannot be written") << true << "Blank Page Failed";
        // The list is then over the large-list threshold and the user declines.
        QTest::newRow("loader appends nothing")
            << false << QString::fromUtf8("⚠️ Large PDF Warning");
    }
    void blankPageFailureChangesNothing() {
        QFETCH(bool, unwritable);
        QFETCH(QString, title);
        load(unwritable ? 5 : 500);
        const QList<PageWidget *> before = w->pages();
        const QStringList blanksBefore = QDir(dir.path()).entryList({"blank_page_*"});
        // A regular file as the temporary folder cannot hold the blank page.
        const QString blocker = dir.filePath("a_file");
        QFile(blocker).open(QIODevice::WriteOnly);
        if (unwritable)
            qputenv("TMPDIR", blocker.toUtf8());
        DialogHelper helper;
        helper.integer(1).messageBox(unwritable ? QMessageBox::Ok : QMessageBox::No);
        w->insertBlankPage();
        qputenv("TMPDIR", dir.path().toUtf8());
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(helper.titles(), QStringList{title});
        if (unwritable)
            QVERIFY(helper.texts().first().contains(blocker + "/blank_page_"));
        QCOMPARE(w->pages(), before);
        QVERIFY(w->temporaryFiles().isEmpty());
        QVERIFY(!canUndo());
        QCOMPARE(QDir(dir.path()).entryList({"blank_page_*"}), blanksBefore);
    }
};

QTEST_MAIN(Editing)
#include "tst_editing.moc"
