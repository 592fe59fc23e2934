#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"
#include "Theme.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void buttonStates_data();
    void buttonStates();
    void undoRedoShortcuts_data();
    void undoRedoShortcuts();

private:
    QTemporaryDir dir;
};

void TestMainWindow::initTestCase()
{
    Theme::setupApplication(*qApp);
    QVERIFY(dir.isValid());
}

void TestMainWindow::buttonStates_data()
{
    QTest::addColumn<int>("pageCount");
    QTest::newRow("empty") << 0;
    QTest::newRow("one page") << 1;
    QTest::newRow("two pages") << 2;
}

void TestMainWindow::buttonStates()
{
    QFETCH(int, pageCount);
    MainWindow window;
    if (pageCount > 0) {
        const QString pdf = dir.filePath(QString("states_%1.pdf").arg(pageCount));
        QVERIFY(PdfFixtures::writePdf(pdf, pageCount));
        window.loadPDFPages(pdf);
        window.updatePageGrid();
        window.updateButtonStates();
    }
    QCOMPARE(window.pages().size(), pageCount);
    if (pageCount == 0) {
        QCOMPARE(window.statusBar()->currentMessage(),
                 QString::fromUtf8("✅ Hazır - PDF dosyalarını sürükleyip bırakın veya 'Dosya "
                                   "Ekle' butonunu kullanın"));
        QCOMPARE(window.findChild<QLabel *>("pageCountLabel")->text(), QString("0 pages"));
    }
    const bool hasPages = pageCount > 0;
    for (const char *name : {"mergeButton", "clearButton", "rotateAllButton",
                             "removeSelectedButton", "selectAllButton", "deselectButton"})
        QVERIFY2(window.findChild<QPushButton *>(name)->isEnabled() == hasPages, name);
    QCOMPARE(window.findChild<QSlider *>("zoomSlider")->isEnabled(), hasPages);
    QCOMPARE(window.findChild<QPushButton *>("reverseButton")->isEnabled(), pageCount > 1);
    QVERIFY(!window.findChild<QPushButton *>("undoButton")->isEnabled());
    QVERIFY(!window.findChild<QPushButton *>("redoButton")->isEnabled());
    for (const char *name :
         {"addButton", "exportButton", "printButton", "watermarkButton", "numbersButton",
          "splitButton", "compressButton", "lockButton", "unlockButton", "extractButton",
          "blankButton", "cropButton", "optimizeButton"})
        QVERIFY2(window.findChild<QPushButton *>(name)->isEnabled(), name);
}

void TestMainWindow::undoRedoShortcuts_data()
{
    QTest::addColumn<QKeyCombination>("redoKeys");
    QTest::newRow("Ctrl+Y") << QKeyCombination(Qt::CTRL, Qt::Key_Y);
    QTest::newRow("Ctrl+Shift+Z") << QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z);
}

// The Undo and Redo tooltips promise these keys; they act only while the
// matching button is enabled.
void TestMainWindow::undoRedoShortcuts()
{
    QFETCH(QKeyCombination, redoKeys);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString pdf = dir.filePath("shortcuts.pdf");
    QVERIFY(PdfFixtures::writePdf(pdf, 3));
    window.loadPDFPages(pdf);
    window.updatePageGrid();
    window.updateButtonStates();

    // Nothing to undo yet: the key does nothing.
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window.pages().size(), 3);

    window.pages().first()->findChild<QPushButton *>("removeButton")->click();
    QCOMPARE(window.pages().size(), 2);
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window.pages().size(), 3);
    QCOMPARE(window.statusBar()->currentMessage(), QString("Undone"));
    QTest::keyClick(&window, redoKeys.key(), redoKeys.keyboardModifiers());
    QCOMPARE(window.pages().size(), 2);
    QCOMPARE(window.statusBar()->currentMessage(), QString("Redone"));
    // Redo is spent: pressing it again changes nothing.
    QTest::keyClick(&window, redoKeys.key(), redoKeys.keyboardModifiers());
    QCOMPARE(window.pages().size(), 2);
    QCOMPARE(window.statusBar()->currentMessage(), QString("Redone"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
