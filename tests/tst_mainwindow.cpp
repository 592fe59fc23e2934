#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"
#include "Theme.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
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
    void shortcuts_data();
    void shortcuts();
    void fitsTheScreen_data();
    void fitsTheScreen();
    void layOutOnThisScreen();

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

void TestMainWindow::shortcuts_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("dialog"); // the command's first dialog
    QTest::addColumn<int>("answer");     // its message-box button, or 0 to cancel it
    QTest::addColumn<QString>("after");  // pages, selected pages, zoom
    auto row = [](const char *keys, const char *control, const char *dialog, int answer,
                  const char *after) {
        QTest::newRow(keys) << QKeySequence(keys) << QString(control) << QString::fromUtf8(dialog)
                            << answer << QString(after);
    };
    row("Ctrl+O", "addButton", "Select Files (PDF, Images, Office...)", 0, "3 1 120");
    row("Ctrl+A", "selectAllButton", "", 0, "3 3 120");
    row("Ctrl+Shift+A", "deselectButton", "", 0, "3 0 120");
    row("Del", "removeSelectedButton", "Confirm Removal", QMessageBox::Yes, "2 0 120");
    row("Ctrl+S", "mergeButton", "🔒 Şifre Koruması", QMessageBox::Cancel, "3 1 120");
    row("Ctrl+P", "printButton", "🖨️ Print Pages", 0, "3 1 120");
    row("Ctrl+Z", "undoButton", "", 0, "4 0 120");
    row("Ctrl+Y", "redoButton", "", 0, "2 0 120");
    row("Ctrl+Shift+Z", "redoButton", "", 0, "2 0 120");
    row("Ctrl++", "zoomSlider", "", 0, "3 1 130");
    row("Ctrl+=", "zoomSlider", "", 0, "3 1 130");
    row("Ctrl+-", "zoomSlider", "", 0, "3 1 110");
    row("Ctrl+0", "zoomSlider", "", 0, "3 1 100");
}

// Each key acts as a click on its control, but not while that is disabled nor
// while a modal dialog is open.
void TestMainWindow::shortcuts()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, control);
    QFETCH(QString, dialog);
    QFETCH(int, answer);
    QFETCH(QString, after);
    MainWindow window;
    window.show();
    const QString pdf = dir.filePath("shortcuts.pdf");
    QVERIFY(PdfFixtures::writePdf(pdf, 4));
    window.loadPDFPages(pdf);
    window.updatePageGrid();
    window.updateButtonStates();
    // Something to undo and something to redo.
    for (int i = 0; i < 2; ++i) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5)); // makes the tile's buttons
        QCoreApplication::sendEvent(window.pages().last(), &enter);
        window.pages().last()->findChild<QPushButton *>("removeButton")->click();
    }
    window.undo();
    window.pages().first()->setSelected(true);
    auto *slider = window.findChild<QSlider *>("zoomSlider");
    slider->setValue(120);
    auto state = [&window, slider] {
        const auto selected = std::count_if(window.pages().cbegin(), window.pages().cend(),
                                            [](PageWidget *tile) { return tile->isSelected(); });
        return QString("%1 %2 %3").arg(window.pages().size()).arg(selected).arg(slider->value());
    };

    DialogHelper helper;
    QWidget *target = window.findChild<QWidget *>(control);
    target->setEnabled(false);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keySequence(&window, keys);
    target->setEnabled(true);
    QDialog modal(&window);
    helper.custom([&keys](QWidget *shown) {
        QTest::keySequence(shown, keys);
        static_cast<QDialog *>(shown)->reject();
    });
    modal.exec();
    QCOMPARE(state(), QString("3 1 120"));

    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // Shortcuts follow the focus window, which a busy machine hands back later.
    QTRY_COMPARE(QGuiApplication::focusWindow(), window.windowHandle());
    if (!dialog.isEmpty())
        answer ? helper.messageBox(QMessageBox::StandardButton(answer)) : helper.reject();
    QTest::keySequence(&window, keys);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(state(), after);
    if (!dialog.isEmpty())
        QCOMPARE(helper.records().last().title, dialog);
}

void TestMainWindow::fitsTheScreen_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<int>("scale");
    QTest::addColumn<bool>("wraps"); // the lower toolbar row needs a second line
    QTest::newRow("1280x720") << QSize(1280, 720) << 1 << true;
    QTest::newRow("1366x768") << QSize(1366, 768) << 1 << true;
    QTest::newRow("2732x1536 at 2x") << QSize(2732, 1536) << 2 << true;
    QTest::newRow("1920x1080") << QSize(1920, 1080) << 1 << false;
}

// The platform takes its screen at start, so each size runs in a child process.
void TestMainWindow::fitsTheScreen()
{
    QFETCH(QSize, screen);
    QFETCH(int, scale);
    QFETCH(bool, wraps);
    QFile config(dir.filePath(QString("screen_%1.json").arg(QTest::currentDataTag())));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QString(R"({"screens":[{"name":"s","x":0,"y":0,"width":%1,"height":%2,)"
                         R"("logicalDpi":96}]})")
                     .arg(screen.width())
                     .arg(screen.height())
                     .toUtf8());
    config.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName());
    environment.insert("QT_SCALE_FACTOR", QString::number(scale));
    environment.insert("QUIREFOLD_SCREEN_WRAPS", wraps ? "1" : "0");
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"layOutOnThisScreen"});
    QVERIFY(child.waitForFinished(-1));
    QVERIFY2(child.exitCode() == 0, child.readAll().constData());
}

void TestMainWindow::layOutOnThisScreen()
{
    const QByteArray wraps = qgetenv("QUIREFOLD_SCREEN_WRAPS");
    if (wraps.isEmpty())
        QSKIP("Run by fitsTheScreen on a screen of its own");
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect room = window.screen()->availableGeometry();
    QVERIFY(room.contains(window.frameGeometry()));
    QVERIFY(window.minimumWidth() <= room.width() && window.minimumHeight() <= room.height());
    QList<QRect> taken;
    for (QAbstractButton *control : window.centralWidget()->findChildren<QAbstractButton *>()) {
        const QRect rect(control->mapTo(&window, QPoint()), control->size());
        QVERIFY2(window.rect().contains(rect), qPrintable(control->text()));
        QVERIFY2(control->width() >= control->sizeHint().width(), qPrintable(control->text()));
        QCOMPARE(window.childAt(rect.center()), static_cast<QWidget *>(control));
        for (const QRect &other : std::as_const(taken))
            QVERIFY2(!other.intersects(rect), qPrintable(control->text()));
        taken.append(rect);
    }
    auto *keepText = window.findChild<QCheckBox *>("keepTextCheckBox");
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                      keepText->mapTo(&window, keepText->rect().center()));
    QVERIFY(keepText->isChecked());
    const int exportLine = window.findChild<QWidget *>("exportButton")->geometry().center().y();
    QCOMPARE(keepText->geometry().center().y() > exportLine, wraps == "1");
    // A full row of tiles at 100 % (260 pixels) and much of the next stay in view.
    QVERIFY(window.findChild<QScrollArea *>("scrollArea")->viewport()->height() >= 400);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
