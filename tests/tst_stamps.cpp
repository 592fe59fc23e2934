#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageStamper.h"
#include "PageWidget.h"
#include "PdfFixtures.h"
#include "WatermarkDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Bounding box of the pixels darker than `below` inside `area`.
QRect inkBox(const QImage &image, int below = 160, QRect area = QRect()) {
    QRect box;
    area = area.isNull() ? image.rect() : area;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < below)
                box |= QRect(x, y, 1, 1);
    return box;
}

QImage tileImage(const PageWidget *tile) {
    return tile->property("originalThumbnail").value<QPixmap>().toImage();
}

QImage whitePage() {
    QImage image(600, 800, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

} // namespace

class StampsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(PdfFixtures::writePdf(dir.filePath("ten.pdf"), 10)); }
    void watermarkCommand_data();
    void watermarkCommand();
    void opacityBecomesAlpha_data();
    void opacityBecomesAlpha();
    void colourButtonTextFollowsLightness_data();
    void colourButtonTextFollowsLightness();
    void placementByPixels_data();
    void placementByPixels();
    void pageLabels_data();
    void pageLabels();
    void stampsAddUpAndSurviveUndo();

private:
    QTemporaryDir dir;
};

void StampsTest::watermarkCommand_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<bool>("uncheckAll");
    QTest::addColumn<bool>("clearText");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("3 of 10 selected") << QList<int>{1, 4, 8} << false << false << "Watermark Added"
                                      << "Successfully added watermark to 3 pages.";
    QTest::newRow("no target") << QList<int>{} << true << false << "No Selection"
                               << "No pages selected for watermark.";
    QTest::newRow("empty text") << QList<int>{} << false << true << "Empty Text"
                                << "Watermark text cannot be empty.";
}

void StampsTest::watermarkCommand() {
    QFETCH(QList<int>, selected);
    QFETCH(bool, uncheckAll);
    QFETCH(bool, clearText);
    QFETCH(QString, title);
    QFETCH(QString, text);
    MainWindow window;
    window.loadPDFPages(dir.filePath("ten.pdf"));
    QList<QImage> before;
    for (PageWidget *tile : window.pages())
        before << tileImage(tile);
    for (int i : selected)
        window.pages()[i]->setSelected(true);

    DialogHelper helper;
    helper
        .custom([&](QWidget *w) {
            auto *dialog = static_cast<WatermarkDialog *>(w);
            auto *check = w->findChild<QCheckBox *>("allPagesCheck");
            QCOMPARE(check->text(), QString("All pages (10 pages)"));
            QCOMPARE(check->isChecked(), selected.isEmpty());
            auto *note = w->findChild<QLabel *>("selectedPagesLabel");
            QCOMPARE(note ? note->text() : QString(),
                     selected.isEmpty() ? QString() : QString::fromUtf8("✓ 3 pages selected"));
            QCOMPARE(dialog->getText(), QString("CONFIDENTIAL"));
            QCOMPARE(dialog->getPosition(), 4);
            QCOMPARE(dialog->getColor(), QColor(128, 128, 128));
            QCOMPARE(
                QList<int>({dialog->getOpacity(), dialog->getFontSize(), dialog->getRotation()}),
                QList<int>({30, 48, 45}));
            check->setChecked(check->isChecked() && !uncheckAll);
            if (clearText) {
                w->findChild<QLineEdit *>("textEdit")->clear();
                PageStamper::Watermark mark{"WATERMARK", dialog->getFontFamily()};
                const QPixmap shown = w->findChild<QLabel *>("previewLabel")->pixmap();
                QCOMPARE(shown.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                         PageStamper::watermarkPreview(mark));
            }
            w->findChild<QPushButton *>("okButton")->click();
        })
        .messageBox();
    window.findChild<QPushButton *>("watermarkButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{title});
    QCOMPARE(helper.texts(), QStringList{text});
    for (int i = 0; i < 10; ++i)
        QCOMPARE(tileImage(window.pages()[i]) != before[i], selected.contains(i) && !uncheckAll);
}

void StampsTest::opacityBecomesAlpha_data() {
    QTest::addColumn<int>("opacity");
    QTest::addColumn<int>("alpha");
    QTest::newRow("100 %") << 100 << 255;
    QTest::newRow("10 %") << 10 << 25;
}

void StampsTest::opacityBecomesAlpha() {
    QFETCH(int, opacity);
    QFETCH(int, alpha);
    // Black over white: the darkest pixel shows the alpha that was used.
    QImage page = whitePage();
    PageStamper::paintWatermark(page, {"MMMM", "Arial", 48, Qt::black, opacity, 0, 4});
    int darkest = 255;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            darkest = qMin(darkest, qRed(page.pixel(x, y)));
    QVERIFY2(qAbs(darkest - (255 - alpha)) <= 1, qPrintable(QString::number(darkest)));
}

void StampsTest::colourButtonTextFollowsLightness_data() {
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("look");
    QTest::newRow("lightness 128")
        << QColor(128, 128, 128) << "rgb(128, 128, 128);    color: white;";
    QTest::newRow("lightness 129")
        << QColor(129, 129, 129) << "rgb(129, 129, 129);    color: black;";
}

void StampsTest::colourButtonTextFollowsLightness() {
    QFETCH(QColor, colour);
    QFETCH(QString, look);
    WatermarkDialog dialog(1, 0);
    DialogHelper helper;
    helper.custom([colour](QWidget *w) {
        QCOMPARE(w->windowTitle(), QString("Choose Watermark Color"));
        w->setProperty("currentColor", colour);
        QMetaObject::invokeMethod(w, "accept");
    });
    auto *button = dialog.findChild<QPushButton *>("colorButton");
    button->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(dialog.getColor(), colour);
    QVERIFY2(button->styleSheet().contains(look), qPrintable(button->styleSheet()));
}

void StampsTest::placementByPixels_data() {
    QTest::addColumn<bool>("watermark");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("baseline"); // plus a quarter line for the watermark
    QTest::addColumn<int>("centreX");  // -1: not centred
    QTest::addColumn<int>("inkLeft");  // -1: not checked
    QTest::newRow("watermark Bottom Center") << true << 7 << 750 << 300 << -1;
    QTest::newRow("label Bottom Center") << false << 4 << 780 << 300 << -1;
    QTest::newRow("label Bottom Left") << false << 3 << 780 << -1 << 20;
}

void StampsTest::placementByPixels() {
    QFETCH(bool, watermark);
    QFETCH(int, position);
    QFETCH(int, baseline);
    QFETCH(int, centreX);
    QFETCH(int, inkLeft);
    QImage page = whitePage();
    // Digits and capitals: no ink below the baseline.
    if (watermark) {
        PageStamper::paintWatermark(page, {"HHHH", "Arial", 48, Qt::black, 100, 0, position});
        QFont font("Arial");
        font.setPointSize(48);
        baseline += QFontMetrics(font, &page).height() / 4;
    } else {
        PageStamper::paintPageLabel(page, "1234", "Arial", 24, position, 20);
    }
    const QRect ink = inkBox(page);
    QVERIFY2(qAbs(ink.bottom() + 1 - baseline) <= 1, qPrintable(QString::number(ink.bottom())));
    if (centreX >= 0)
        QVERIFY2(qAbs(ink.center().x() - centreX) <= 3, qPrintable(QString::number(ink.left())));
    if (inkLeft >= 0) // a glyph's side bearing leaves a few pixels
        QVERIFY2(ink.left() >= inkLeft && ink.left() <= inkLeft + 5,
                 qPrintable(QString::number(ink.left())));
}

void StampsTest::pageLabels_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("total");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("simple") << 0 << 1 << 3 << QStringList{"1", "2", "3"};
    QStringList ofTotal;
    for (int n = 5; n <= 14; ++n)
        ofTotal << QString("Page %1 of 10").arg(n);
    QTest::newRow("page of total from 5") << 1 << 5 << 10 << ofTotal;
    QTest::newRow("number/total") << 2 << 1 << 2 << QStringList{"1/2", "2/2"};
    QTest::newRow("roman lower past the table")
        << 3 << 9 << 4 << QStringList{"ix", "x", "11", "12"};
    QTest::newRow("roman upper") << 4 << 1 << 2 << QStringList{"I", "II"};
}

void StampsTest::pageLabels() {
    QFETCH(int, format);
    QFETCH(int, start);
    QFETCH(int, total);
    QFETCH(QStringList, labels);
    QStringList made;
    for (int i = 0; i < total; ++i)
        made << PageStamper::pageLabel(format, start + i, total);
    QCOMPARE(made, labels);
}

void StampsTest::stampsAddUpAndSurviveUndo() {
    MainWindow window;
    window.loadPDFPages(dir.filePath("ten.pdf"));
    const QImage clean = tileImage(window.pages()[0]);
    const int w = clean.width(), h = clean.height();
    // Watermarks at top and bottom centre, labels at bottom left and right.
    const QList<QRect> bands{{w / 4, 0, w / 2, h / 4},
                             {w / 4, h * 3 / 4, w / 2, 50},
                             {0, h - 30, w / 4, 30},
                             {w * 3 / 4, h - 30, w / 4, 30}};
    for (const QRect &band : bands)
        QVERIFY(!inkBox(clean, 200, band).isValid());

    auto run = [&window](const char *button, const QString &title, auto fill) {
        DialogHelper helper;
        helper
            .custom([fill](QWidget *w) {
                fill(w);
                w->findChild<QPushButton *>("okButton")->click();
            })
            .messageBox();
        window.findChild<QPushButton *>(button)->click();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(helper.titles(), QStringList{title});
    };
    for (int position : {1, 7})
        run("watermarkButton", "Watermark Added", [position](QWidget *w) {
            w->findChild<QSpinBox *>("rotationSpin")->setValue(0);
            w->findChild<QSpinBox *>("opacitySpin")->setValue(100);
            w->findChild<QSpinBox *>("fontSizeSpin")->setValue(20);
            w->findChild<QComboBox *>("positionCombo")->setCurrentIndex(position);
        });
    for (int position : {3, 5})
        run("numbersButton", "Page Numbers Added", [position](QWidget *w) {
            w->findChild<QComboBox *>("positionCombo")->setCurrentIndex(position);
        });

    // The snapshots were taken after stamping, so one undo keeps every stamp.
    window.findChild<QPushButton *>("undoButton")->click();
    for (const PageWidget *tile : window.pages())
        for (const QRect &band : bands)
            QVERIFY(inkBox(tileImage(tile), 200, band).isValid());
}

QTEST_MAIN(StampsTest)
#include "tst_stamps.moc"
