// Inserting a blank A4 page at a chosen position.
#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QInputDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

class BlankPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void insertsAtTheChosenPosition_data();
    void insertsAtTheChosenPosition();
    void undoRightAfterKeepsTheBlankPage();
    void cancelChangesNothing();
    void failureChangesNothing_data();
    void failureChangesNothing();

private:
    static QList<int> order(const MainWindow &window);
    static bool canUndo(const MainWindow &window) {
        return window.findChild<QPushButton *>("undoButton")->isEnabled();
    }
    QString pdfWithPages(int count, QSizeF points = QSizeF(595, 842));

    QTemporaryDir dir;
    QByteArray savedTmp;
};

void BlankPage::initTestCase() {
    QVERIFY(dir.isValid());
    // Blank pages are written to the temporary folder: keep them in ours.
    savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", dir.path().toUtf8());
}

void BlankPage::cleanupTestCase() {
    qputenv("TMPDIR", savedTmp);
}

QList<int> BlankPage::order(const MainWindow &window) {
    QList<int> numbers;
    for (const PageWidget *tile : window.pages())
        numbers << (tile->getFilePath().contains("blank_page_") ? 0 : tile->getPageNumber());
    return numbers;
}

QString BlankPage::pdfWithPages(int count, QSizeF points) {
    const QString path = dir.filePath(QString("pages_%1.pdf").arg(count));
    if (!QFile::exists(path)) {
        QList<PdfFixtures::Page> pages(count);
        for (PdfFixtures::Page &page : pages)
            page.size = QPageSize(points, QPageSize::Point);
        PdfFixtures::writePdf(path, pages);
    }
    return path;
}

void BlankPage::insertsAtTheChosenPosition_data() {
    QTest::addColumn<int>("pageCount");
    QTest::addColumn<int>("position");
    QTest::addColumn<QList<int>>("expected"); // 0 marks the blank page
    QTest::newRow("first of 5") << 5 << 1 << QList<int>{0, 1, 2, 3, 4, 5};
    QTest::newRow("middle of 5") << 5 << 3 << QList<int>{1, 2, 0, 3, 4, 5};
    QTest::newRow("end of 5") << 5 << 6 << QList<int>{1, 2, 3, 4, 5, 0};
    QTest::newRow("empty list") << 0 << 1 << QList<int>{0};
}

void BlankPage::insertsAtTheChosenPosition() {
    QFETCH(int, pageCount);
    QFETCH(int, position);
    QFETCH(QList<int>, expected);
    MainWindow window;
    if (pageCount > 0) {
        window.loadPDFPages(pdfWithPages(pageCount));
        window.updatePageGrid();
    }

    QList<int> offered; // minimum, maximum, default
    DialogHelper helper;
    helper
        .custom([&](QWidget *w) {
            auto *input = static_cast<QInputDialog *>(w);
            offered = {input->intMinimum(), input->intMaximum(), input->intValue()};
            input->setIntValue(position);
            input->accept();
        })
        .messageBox(QMessageBox::Ok);
    window.findChild<QPushButton *>("blankButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    QCOMPARE(helper.records().first().title, QString("Insert Blank Page"));
    QCOMPARE(helper.records().first().text,
             QString("Insert blank page at position (1-%1):").arg(pageCount + 1));
    QCOMPARE(offered, (QList<int>{1, pageCount + 1, pageCount + 1}));
    QCOMPARE(helper.titles(), QStringList{"Blank Page Inserted"});
    QCOMPARE(helper.texts(),
             QStringList{QString::fromUtf8("✅ Inserted blank page at position %1").arg(position)});
    QCOMPARE(window.statusBar()->currentMessage(),
             QString("Blank page inserted at position %1").arg(position));

    QCOMPARE(order(window), expected);
    for (int i = 0; i < window.pages().size(); ++i)
        QCOMPARE(window.pages().at(i)->getGlobalIndex(), i + 1);

    const QString blank = window.pages().at(position - 1)->getFilePath();
    QCOMPARE(window.temporaryFiles(), QStringList{blank});
    QCOMPARE(QFileInfo(blank).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    QVERIFY(QRegularExpression("^blank_page_\\d+\\.pdf$")
                .match(QFileInfo(blank).fileName())
                .hasMatch());
    QCOMPARE(PdfFixtures::pdfinfoPages(blank), 1);
    const QSizeF size = PdfFixtures::pdfinfoPageSize(blank);
    QVERIFY2(qAbs(size.width() - 595.3) < 1 && qAbs(size.height() - 841.9) < 1,
             qPrintable(QString("%1 x %2").arg(size.width()).arg(size.height())));
    QCOMPARE(PdfFixtures::darkCentre(PdfFixtures::renderPage(blank, 0)), QPointF(-1, -1));
}

void BlankPage::undoRightAfterKeepsTheBlankPage() {
    MainWindow window;
    window.loadPDFPages(pdfWithPages(5));
    window.updatePageGrid();
    window.reverseOrder();

    DialogHelper helper;
    helper.integer(1).messageBox(QMessageBox::Ok);
    window.insertBlankPage();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(order(window), (QList<int>{0, 5, 4, 3, 2, 1}));

    // The snapshot was taken after the insertion.
    window.undo();
    QCOMPARE(order(window), (QList<int>{0, 5, 4, 3, 2, 1}));
    window.undo();
    QCOMPARE(order(window), (QList<int>{1, 2, 3, 4, 5}));
    QVERIFY(!canUndo(window));
}

void BlankPage::cancelChangesNothing() {
    MainWindow window;
    window.loadPDFPages(pdfWithPages(5));
    window.updatePageGrid();
    DialogHelper helper;
    helper.reject();
    window.insertBlankPage();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(order(window), (QList<int>{1, 2, 3, 4, 5}));
    QVERIFY(window.temporaryFiles().isEmpty());
    QVERIFY(!canUndo(window));
}

void BlankPage::failureChangesNothing_data() {
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("title");
    QTest::newRow("blank file cannot be written") << "unwritable"
                                                  << "Blank Page Failed";
    // The list is then over the large-list threshold and the user declines.
    QTest::newRow("loader appends nothing")
        << "declined" << QString::fromUtf8("⚠️ Large PDF Warning");
}

void BlankPage::failureChangesNothing() {
    QFETCH(QString, cause);
    QFETCH(QString, title);
    MainWindow window;
    const int count = cause == "declined" ? 500 : 5;
    window.loadPDFPages(pdfWithPages(count, QSizeF(100, 100)));
    window.updatePageGrid();
    QCOMPARE(window.pages().size(), count);
    const QList<PageWidget *> before = window.pages();
    const QStringList blanksBefore = QDir(dir.path()).entryList({"blank_page_*"});

    const QString blocker = dir.filePath("a_file");
    if (cause == "unwritable") {
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // A missing folder would be dropped from the temporary path; a regular
        // file stays and cannot hold the blank page.
        qputenv("TMPDIR", blocker.toUtf8());
    }
    DialogHelper helper;
    helper.integer(1).messageBox(cause == "declined" ? QMessageBox::No : QMessageBox::Ok);
    window.insertBlankPage();
    qputenv("TMPDIR", dir.path().toUtf8());
    QVERIFY2(helper.done(), qPrintable(helper.problems()));

    QCOMPARE(helper.titles(), QStringList{title});
    if (cause == "unwritable")
        QVERIFY2(helper.texts().first().contains(blocker + "/blank_page_"),
                 qPrintable(helper.texts().first()));
    QCOMPARE(window.pages(), before);
    QVERIFY(window.temporaryFiles().isEmpty());
    QVERIFY(!canUndo(window));
    QCOMPARE(QDir(dir.path()).entryList({"blank_page_*"}), blanksBefore);
}

QTEST_MAIN(BlankPage)
#include "tst_blankpage.moc"
