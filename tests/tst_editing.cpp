// Editing commands on the page list and the undo history behind them.
#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

class Editing : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dropMovesDraggedPageToTargetPosition_data();
    void dropMovesDraggedPageToTargetPosition();
    void dropWithoutMoveTakesNoSnapshot_data();
    void dropWithoutMoveTakesNoSnapshot();
    void dropAfterDraggedTileLeftTheListDoesNothing_data();
    void dropAfterDraggedTileLeftTheListDoesNothing();
    void reverseOrder_data();
    void reverseOrder();
    void removeSelectedAsksAndSnapshotsOnlyOnYes();
    void rotateAllTurnsEachPageFromItsOwnRotation();
    void rotateAllShowsProgressOnlyAboveHundredPages_data();
    void rotateAllShowsProgressOnlyAboveHundredPages();
    void rotateAllSurvivesListChangesWhileItPumpsEvents_data();
    void rotateAllSurvivesListChangesWhileItPumpsEvents();
    void clearCannotBeUndone();

    void fiftyOneEditsAllowFiftyUndos();
    void newEditAfterUndoEmptiesRedo();
    void undoRestoresRotationAndSelection();
    void restoreRebuildsTilesWithoutTheSources();
    void restoringEmptySnapshotShowsEmptyState();

private:
    void load(const QString &path);
    QList<int> order() const;
    QPushButton *button(const char *name) const;
    QPushButton *tileButton(int index, const char *name) const;
    QString status() const { return window->statusBar()->currentMessage(); }
    bool canUndo() const { return button("undoButton")->isEnabled(); }
    bool canRedo() const { return button("redoButton")->isEnabled(); }
    int undoAll();
    static void flushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QTemporaryDir dir;
    QString fivePages;
    std::unique_ptr<MainWindow> window;
};

void Editing::initTestCase() {
    QVERIFY(dir.isValid());
    fivePages = dir.filePath("five.pdf");
    QVERIFY(PdfFixtures::writePdf(fivePages, 5));
}

void Editing::init() {
    window = std::make_unique<MainWindow>();
    window->show();
}

void Editing::cleanup() {
    window.reset();
}

void Editing::load(const QString &path) {
    window->loadPDFPages(path);
    window->updatePageGrid();
}

QList<int> Editing::order() const {
    QList<int> numbers;
    for (const PageWidget *tile : window->pages())
        numbers << tile->getPageNumber();
    return numbers;
}

QPushButton *Editing::button(const char *name) const {
    return window->findChild<QPushButton *>(name);
}

QPushButton *Editing::tileButton(int index, const char *name) const {
    return window->pages().at(index)->findChild<QPushButton *>(name);
}

int Editing::undoAll() {
    int count = 0;
    while (canUndo() && count < 1000) {
        window->undo();
        ++count;
    }
    return count;
}

// Pages of size 100 x 100 pt load quickly in large numbers.
static QString smallPages(const QTemporaryDir &dir, int count) {
    const QString path = dir.filePath(QString("small_%1.pdf").arg(count));
    if (!QFile::exists(path)) {
        QList<PdfFixtures::Page> pages(count);
        for (PdfFixtures::Page &page : pages)
            page.size = QPageSize(QSizeF(100, 100), QPageSize::Point);
        PdfFixtures::writePdf(path, pages);
    }
    return path;
}

void Editing::dropMovesDraggedPageToTargetPosition_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("forward 1 onto 4") << 0 << 3 << QList<int>{2, 3, 4, 1, 5};
    QTest::newRow("backward 4 onto 1") << 3 << 0 << QList<int>{4, 1, 2, 3, 5};
    QTest::newRow("last onto first") << 4 << 0 << QList<int>{5, 1, 2, 3, 4};
}

void Editing::dropMovesDraggedPageToTargetPosition() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, expected);
    load(fivePages);
    PageWidget *dragged = window->pages().at(from);
    PageWidget *target = window->pages().at(to);
    emit dragged->dragStarted(dragged);
    emit target->pageDropped(target, target);

    QCOMPARE(order(), expected);
    QCOMPARE(status(), QString::fromUtf8("Page moved: %1 → %2").arg(from + 1).arg(to + 1));
    for (int i = 0; i < window->pages().size(); ++i)
        QCOMPARE(window->pages().at(i)->getGlobalIndex(), i + 1);
    // The move is one undoable step, and the drag is over.
    QVERIFY(canUndo());
    emit target->pageDropped(target, window->pages().at(2));
    QCOMPARE(order(), expected);
    window->undo();
    QCOMPARE(order(), (QList<int>{1, 2, 3, 4, 5}));
}

void Editing::dropWithoutMoveTakesNoSnapshot_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("onto itself") << 2 << 2;
    QTest::newRow("no drag started") << -1 << 2;
}

void Editing::dropWithoutMoveTakesNoSnapshot() {
    QFETCH(int, from);
    QFETCH(int, to);
    load(fivePages);
    if (from >= 0)
        emit window->pages().at(from)->dragStarted(window->pages().at(from));
    PageWidget *target = window->pages().at(to);
    emit target->pageDropped(target, target);
    QCOMPARE(order(), (QList<int>{1, 2, 3, 4, 5}));
    QVERIFY(!canUndo());
}

void Editing::dropAfterDraggedTileLeftTheListDoesNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("own remove button") << "remove";
    QTest::newRow("remove selected") << "removeSelected";
    QTest::newRow("undo") << "undo";
    QTest::newRow("clear") << "clear";
}

void Editing::dropAfterDraggedTileLeftTheListDoesNothing() {
    QFETCH(QString, how);
    load(fivePages);
    if (how == "undo") {
        window->reverseOrder();
        window->reverseOrder();
    }
    PageWidget *first = window->pages().first();
    emit first->dragStarted(first);

    DialogHelper helper;
    if (how == "remove") {
        tileButton(0, "removeButton")->click();
    } else if (how == "removeSelected") {
        tileButton(0, "selectButton")->click();
        helper.messageBox(QMessageBox::Yes);
        window->removeSelectedPages();
    } else if (how == "undo") {
        window->undo();
    } else {
        helper.messageBox(QMessageBox::Yes);
        window->clearAll();
        flushDeletes();
        load(fivePages);
    }
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    // Once before the tile is deleted, once after.
    const QList<int> before = order();
    const QString statusBefore = status();
    for (int round = 0; round < 2; ++round) {
        PageWidget *target = window->pages().at(2);
        emit target->pageDropped(target, target);
        QCOMPARE(order(), before);
        QCOMPARE(status(), statusBefore);
        flushDeletes();
    }
}

void Editing::reverseOrder_data() {
    QTest::addColumn<int>("pageCount");
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<bool>("snapshot");
    QTest::newRow("five pages") << 5 << QList<int>{5, 4, 3, 2, 1} << true;
    QTest::newRow("one page") << 1 << QList<int>{1} << false;
}

void Editing::reverseOrder() {
    QFETCH(int, pageCount);
    QFETCH(QList<int>, expected);
    QFETCH(bool, snapshot);
    const QString path = dir.filePath(QString("reverse_%1.pdf").arg(pageCount));
    QVERIFY(PdfFixtures::writePdf(path, pageCount));
    load(path);
    const QString statusBefore = status();
    window->reverseOrder();
    QCOMPARE(order(), expected);
    QCOMPARE(canUndo(), snapshot);
    QCOMPARE(status(), snapshot ? QString("Page order reversed") : statusBefore);
}

void Editing::removeSelectedAsksAndSnapshotsOnlyOnYes() {
    load(fivePages);
    DialogHelper helper;
    helper.messageBox(QMessageBox::Ok);
    window->removeSelectedPages();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"Info"});
    QCOMPARE(helper.texts(), QStringList{"No pages selected!"});
    QVERIFY(!canUndo());

    tileButton(1, "selectButton")->click();
    tileButton(3, "selectButton")->click();
    helper.clear();
    helper.messageBox(QMessageBox::No);
    window->removeSelectedPages();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"Confirm Removal"});
    QCOMPARE(helper.texts(), QStringList{"Are you sure you want to remove 2 selected page(s)?"});
    QCOMPARE(order().size(), 5);
    QVERIFY(!canUndo());

    helper.clear();
    helper.messageBox(QMessageBox::Yes);
    window->removeSelectedPages();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(order(), (QList<int>{1, 3, 5}));
    QCOMPARE(status(), QString("Removed 2 page(s)"));
    window->undo();
    QCOMPARE(order(), (QList<int>{1, 2, 3, 4, 5}));
}

void Editing::rotateAllTurnsEachPageFromItsOwnRotation() {
    load(fivePages);
    tileButton(0, "rotateButton")->click();
    QCOMPARE(window->pages().at(0)->getRotation(), 90);
    for (int i = 0; i < 3; ++i)
        window->rotateAllPages();
    QCOMPARE(window->pages().at(0)->getRotation(), 0);
    QCOMPARE(window->pages().at(1)->getRotation(), 270);
    QCOMPARE(status(), QString::fromUtf8("✅ Tüm 5 sayfa 90° döndürüldü"));
}

void Editing::rotateAllShowsProgressOnlyAboveHundredPages_data() {
    QTest::addColumn<int>("pageCount");
    QTest::addColumn<bool>("progress");
    QTest::newRow("100 pages") << 100 << false;
    QTest::newRow("101 pages") << 101 << true;
}

void Editing::rotateAllShowsProgressOnlyAboveHundredPages() {
    QFETCH(int, pageCount);
    QFETCH(bool, progress);
    load(smallPages(dir, pageCount));
    QCOMPARE(window->pages().size(), pageCount);
    auto *bar = window->findChild<QProgressBar *>("progressBar");

    // Runs inside the command only if it pumps events.
    bool sawProgress = false;
    QTimer::singleShot(0, window.get(),
                       [&] { sawProgress = bar->isVisible() && bar->maximum() == pageCount; });
    window->rotateAllPages();
    QCOMPARE(sawProgress, progress);
    QVERIFY(!bar->isVisible());
    for (const PageWidget *tile : window->pages())
        QCOMPARE(tile->getRotation(), 90);
}

void Editing::rotateAllSurvivesListChangesWhileItPumpsEvents_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("clear") << "clear";
    QTest::newRow("undo") << "undo";
}

void Editing::rotateAllSurvivesListChangesWhileItPumpsEvents() {
    QFETCH(QString, how);
    load(smallPages(dir, 101));
    window->reverseOrder();
    const QPointer<PageWidget> old = window->pages().at(50);

    DialogHelper helper;
    if (how == "clear")
        helper.messageBox(QMessageBox::Yes);
    bool deletedMeanwhile = false;
    QTimer::singleShot(0, window.get(), [&] {
        if (how == "clear")
            window->clearAll();
        else
            window->undo();
        flushDeletes();
        deletedMeanwhile = old.isNull();
    });
    window->rotateAllPages();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QVERIFY(deletedMeanwhile);

    if (how == "clear") {
        QVERIFY(window->pages().isEmpty());
    } else {
        // The restored tiles are new and were never in the command's list.
        QCOMPARE(window->pages().size(), 101);
        for (const PageWidget *tile : window->pages())
            QCOMPARE(tile->getRotation(), 0);
        QCOMPARE(window->pages().first()->getPageNumber(), 101);
    }
    QVERIFY(!window->findChild<QProgressBar *>("progressBar")->isVisible());
}

void Editing::clearCannotBeUndone() {
    load(fivePages);
    window->reverseOrder();
    DialogHelper helper;
    helper.messageBox(QMessageBox::No).messageBox(QMessageBox::Yes);
    window->clearAll();
    QCOMPARE(order().size(), 5);
    window->clearAll();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), (QStringList{"Confirm Clear", "Confirm Clear"}));
    QCOMPARE(
        helper.texts().first(),
        QString("Are you sure you want to clear all 5 pages?\n\nThis action cannot be undone."));
    QVERIFY(window->pages().isEmpty());
    QCOMPARE(status(), QString("All pages cleared"));
    QVERIFY(!canUndo());
    QVERIFY(!canRedo());
    window->undo();
    QVERIFY(window->pages().isEmpty());
}

void Editing::fiftyOneEditsAllowFiftyUndos() {
    load(fivePages);
    for (int i = 0; i < 51; ++i)
        window->reverseOrder();
    QCOMPARE(order(), (QList<int>{5, 4, 3, 2, 1}));
    QCOMPARE(undoAll(), 50);
    // The state before the first edit fell off the history.
    QCOMPARE(order(), (QList<int>{5, 4, 3, 2, 1}));
    QCOMPARE(status(), QString("Undone"));
    int redos = 0;
    while (canRedo() && redos < 100) {
        window->redo();
        ++redos;
    }
    QCOMPARE(redos, 50);
    QCOMPARE(order(), (QList<int>{5, 4, 3, 2, 1}));
    QCOMPARE(status(), QString("Redone"));
}

void Editing::newEditAfterUndoEmptiesRedo() {
    load(fivePages);
    window->reverseOrder();
    window->undo();
    QVERIFY(canRedo());
    window->rotateAllPages();
    QVERIFY(!canRedo());
    QCOMPARE(undoAll(), 1);
}

void Editing::undoRestoresRotationAndSelection() {
    load(fivePages);
    tileButton(0, "rotateButton")->click();
    tileButton(1, "selectButton")->click();
    window->rotateAllPages();
    window->deselectAll();
    QCOMPARE(status(), QString("All selections cleared"));

    window->undo();
    const QList<PageWidget *> &tiles = window->pages();
    QCOMPARE(tiles.at(0)->getRotation(), 90);
    QCOMPARE(tiles.at(1)->getRotation(), 0);
    QVERIFY(!tiles.at(0)->isSelected());
    QVERIFY(tiles.at(1)->isSelected());

    window->redo();
    QCOMPARE(window->pages().at(0)->getRotation(), 180);
    QCOMPARE(window->pages().at(1)->getRotation(), 90);
    // Deselecting took no snapshot, so redo returns to the state it left.
    QVERIFY(!window->pages().at(1)->isSelected());
}

void Editing::restoreRebuildsTilesWithoutTheSources() {
    const QString path = dir.filePath("gone.pdf");
    QVERIFY(PdfFixtures::writePdf(path, 5));
    load(path);
    emit window->pages().at(0)->dragStarted(window->pages().at(0));
    emit window->pages().at(3)->pageDropped(window->pages().at(3), window->pages().at(3));
    QVERIFY(QFile::remove(path));

    DialogHelper helper; // no "Failed to load" box may appear
    window->undo();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(order(), (QList<int>{1, 2, 3, 4, 5}));
    for (int i = 0; i < 5; ++i) {
        const PageWidget *tile = window->pages().at(i);
        QCOMPARE(tile->getGlobalIndex(), i + 1);
        QCOMPARE(tile->findChild<QLabel *>("indexLabel")->text(), QString::number(i + 1));
        QCOMPARE(tile->property("totalPages").toInt(), 5);
        QVERIFY(!tile->findChild<QLabel *>("thumbnailLabel")->pixmap().isNull());
    }
    // Restored tiles are wired like loaded ones.
    tileButton(4, "removeButton")->click();
    QCOMPARE(order(), (QList<int>{1, 2, 3, 4}));
}

void Editing::restoringEmptySnapshotShowsEmptyState() {
    load(fivePages);
    window->restorePagesFromData({});
    QVERIFY(window->pages().isEmpty());
    auto *gridContainer = window->findChild<QWidget *>("gridContainer");
    QVERIFY(!gridContainer->findChildren<QLabel *>("emptyStateLabel").isEmpty());
    QCOMPARE(window->findChild<QLabel *>("pageCountLabel")->text(),
             QString::fromUtf8("0 pages • 0 files"));
}

QTEST_MAIN(Editing)
#include "tst_editing.moc"
