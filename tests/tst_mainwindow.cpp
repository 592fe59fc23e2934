#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"
#include "Theme.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void identityAndTheme();
    void windowGeometryAndTitle();
    void toolbarRowsTopToBottom();
    void buttonTextsAndTooltips_data();
    void buttonTextsAndTooltips();
    void buttonStates_data();
    void buttonStates();
    void startsEmptyWithReadyMessage();
    void shortcuts_data();
    void shortcuts();

private:
    QTemporaryDir dir;
};

void TestMainWindow::initTestCase()
{
    Theme::setupApplication(*qApp);
    QVERIFY(dir.isValid());
}

void TestMainWindow::identityAndTheme()
{
    QCOMPARE(QCoreApplication::applicationName(), QString("Quirefold"));
    QCOMPARE(QCoreApplication::applicationVersion(), QString("2.0.0"));
    QCOMPARE(QCoreApplication::organizationName(), QString("Quirefold"));
    // The scroll-bar sheet wraps the style; its base shows through the standard palette.
    std::unique_ptr<QStyle> fusion(QStyleFactory::create("Fusion"));
    std::unique_ptr<QStyle> windows(QStyleFactory::create("Windows"));
    QCOMPARE(QApplication::style()->standardPalette(), fusion->standardPalette());
    QVERIFY(fusion->standardPalette() != windows->standardPalette());

    const QPalette palette = QApplication::palette();
    const QList<QPair<QPalette::ColorRole, QColor>> roles = {
        {QPalette::Window, QColor(30, 30, 30)},
        {QPalette::WindowText, Qt::white},
        {QPalette::Base, QColor(25, 25, 25)},
        {QPalette::AlternateBase, QColor(45, 45, 45)},
        {QPalette::ToolTipBase, QColor(13, 115, 119)},
        {QPalette::ToolTipText, Qt::white},
        {QPalette::Text, Qt::white},
        {QPalette::Button, QColor(45, 45, 45)},
        {QPalette::ButtonText, Qt::white},
        {QPalette::BrightText, QColor(20, 255, 236)},
        {QPalette::Link, QColor(13, 115, 119)},
        {QPalette::Highlight, QColor(13, 115, 119)},
        {QPalette::HighlightedText, Qt::white}};
    for (const auto &[role, colour] : roles)
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            QCOMPARE(palette.color(group, role), colour);

    const QString sheet = qApp->styleSheet();
    QVERIFY(sheet.contains("QScrollBar::handle:vertical:hover { background: #14ffec; }"));
    QVERIFY(sheet.contains(
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }"));
}

void TestMainWindow::windowGeometryAndTitle()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), QString("Quirefold - Ultimate PDF Tool"));
    QCOMPARE(window.minimumSize(), QSize(1100, 750));
    QCOMPARE(window.size(), QSize(1400, 850));
    QVERIFY(window.acceptDrops());
    QVERIFY(window.findChild<QProgressBar *>("progressBar")->isHidden());
}

// The rows must appear upper (Add Files...), middle (Extract...), lower (Export...).
void TestMainWindow::toolbarRowsTopToBottom()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const int addY = window.findChild<QPushButton *>("addButton")->mapTo(&window, QPoint()).y();
    const int extractY =
        window.findChild<QPushButton *>("extractButton")->mapTo(&window, QPoint()).y();
    const int exportY =
        window.findChild<QPushButton *>("exportButton")->mapTo(&window, QPoint()).y();
    const int gridY = window.findChild<QScrollArea *>("scrollArea")->mapTo(&window, QPoint()).y();
    QVERIFY(window.findChild<QLabel *>("titleLabel")->mapTo(&window, QPoint()).y() < addY);
    QVERIFY(addY < extractY);
    QVERIFY(extractY < exportY);
    QVERIFY(exportY < gridY);
}

void TestMainWindow::buttonTextsAndTooltips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    const auto row = [](const char *name, const char *text, const char *tip) {
        QTest::newRow(name) << QString(name) << QString::fromUtf8(text) << QString::fromUtf8(tip);
    };
    row("addButton", "📄 Add Files", "Add PDF files, images, or Office documents");
    row("mergeButton", "🔗 Merge", "Merge all PDFs into one file");
    row("clearButton", "🗑 Clear", "Clear all pages");
    row("undoButton", "Undo", "Undo (Ctrl+Z)");
    row("redoButton", "Redo", "Redo (Ctrl+Y)");
    row("selectAllButton", "Select All", "");
    row("deselectButton", "Deselect", "");
    row("extractButton", "🖼\xEF\xB8\x8F Extract", "Extract images from PDF");
    row("blankButton", "📄 Blank", "Insert blank page");
    row("cropButton", "✂\xEF\xB8\x8F Crop", "Crop page margins");
    row("optimizeButton", "⚡ Optimize", "Optimize for web/email");
    row("exportButton", "📤 Export", "Export pages as images (JPG, PNG, etc.)");
    row("printButton", "🖨\xEF\xB8\x8F Print", "Print PDF pages");
    row("watermarkButton", "💧 Watermark", "Add watermark to pages");
    row("numbersButton", "🔢 Numbers", "Add page numbers");
    row("rotateAllButton", "Rotate All", "");
    row("removeSelectedButton", "Remove Selected", "");
    row("reverseButton", "Reverse", "");
    row("splitButton", "✂\xEF\xB8\x8F Split", "Split PDF into separate files");
    row("compressButton", "🗜\xEF\xB8\x8F Compress", "Reduce PDF file size");
    row("lockButton", "🔒 Lock", "Add password protection");
    row("unlockButton", "🔓 Unlock", "Remove password protection");
}

void TestMainWindow::buttonTextsAndTooltips()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    MainWindow window;
    auto *button = window.findChild<QPushButton *>(name);
    QVERIFY(button);
    QCOMPARE(button->text(), text);
    QCOMPARE(button->toolTip(), toolTip);
    QCOMPARE(button->minimumHeight(), 36);
    QCOMPARE(button->maximumHeight(), 36);
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

void TestMainWindow::startsEmptyWithReadyMessage()
{
    MainWindow window;
    QCOMPARE(window.statusBar()->currentMessage(),
             QString::fromUtf8("✅ Hazır - PDF dosyalarını sürükleyip bırakın veya 'Dosya Ekle' "
                               "butonunu kullanın"));
    QVERIFY(window.pages().isEmpty());
    QCOMPARE(window.findChild<QLabel *>("pageCountLabel")->text(), QString("0 pages"));
    QVERIFY(window.findChild<QCheckBox *>("bookmarksCheckBox")->isChecked());
    QVERIFY(!window.findChild<QCheckBox *>("autoNumbersCheckBox")->isChecked());
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
    for (int i = 0; i < 2; ++i)
        window.pages().last()->findChild<QPushButton *>("removeButton")->click();
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
    if (!dialog.isEmpty())
        answer ? helper.messageBox(QMessageBox::StandardButton(answer)) : helper.reject();
    QTest::keySequence(&window, keys);
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(state(), after);
    if (!dialog.isEmpty())
        QCOMPARE(helper.records().last().title, dialog);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
