#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageNumberDialog.h"
#include "PageStamper.h"
#include "PageWidget.h"
#include "PdfFixtures.h"
#include "WatermarkDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Bounding box of the pixels darker than `threshold` in any channel mean.
QRect inkBox(const QImage &image, int threshold = 160, QRect area = QRect()) {
    if (area.isNull())
        area = image.rect();
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < threshold)
                box |= QRect(x, y, 1, 1);
    return box;
}

QImage whitePage(int width = 600, int height = 800) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

QImage tileImage(PageWidget *tile) {
    return tile->property("originalThumbnail").value<QPixmap>().toImage();
}

int lineHeight(const QString &family, int pointSize, QImage &device) {
    QFont font(family);
    font.setPointSize(pointSize);
    return QFontMetrics(font, &device).height();
}

} // namespace

class StampsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void watermarkDialogDefaults_data();
    void watermarkDialogDefaults();
    void watermarkStampsTheSelectedTilesOnly();
    void watermarkWithNoTargetSaysNoSelection();
    void emptyWatermarkTextIsRefusedButPreviewed();
    void opacityBecomesAlpha_data();
    void opacityBecomesAlpha();
    void colourButtonTextFollowsLightness_data();
    void colourButtonTextFollowsLightness();
    void watermarkIsCentredOnItsAnchor();
    void secondWatermarkAddsAStampAndUndoKeepsThem();
    void pageLabels_data();
    void pageLabels();
    void pageLabelBaselineSitsOnTheMargin_data();
    void pageLabelBaselineSitsOnTheMargin();
    void numberingLabelsEveryTileAndRepeats();

private:
    QString makePdf(int pages);
    QTemporaryDir dir;
    int fileCounter = 0;
};

void StampsTest::initTestCase() {
    QVERIFY(dir.isValid());
}

QString StampsTest::makePdf(int pages) {
    const QString path = dir.filePath(QString("pages%1.pdf").arg(++fileCounter));
    if (!PdfFixtures::writePdf(path, pages))
        return QString();
    return path;
}

void StampsTest::watermarkDialogDefaults_data() {
    QTest::addColumn<int>("selected");
    QTest::newRow("none selected") << 0;
    QTest::newRow("3 of 10 selected") << 3;
}

void StampsTest::watermarkDialogDefaults() {
    QFETCH(int, selected);
    WatermarkDialog dialog(10, selected);
    QCOMPARE(dialog.getText(), QString("CONFIDENTIAL"));
    QCOMPARE(dialog.getPosition(), 4);
    QCOMPARE(dialog.getOpacity(), 30);
    QCOMPARE(dialog.getFontSize(), 48);
    QCOMPARE(dialog.getRotation(), 45);
    QCOMPARE(dialog.getColor(), QColor(128, 128, 128));
    auto *check = dialog.findChild<QCheckBox *>("allPagesCheck");
    QVERIFY(check);
    QCOMPARE(check->text(), QString("All pages (10 pages)"));
    QCOMPARE(dialog.applyToAllPages(), selected == 0);
    auto *note = dialog.findChild<QLabel *>("selectedPagesLabel");
    QCOMPARE(note != nullptr, selected > 0);
    if (note)
        QCOMPARE(note->text(), QString::fromUtf8("✓ 3 pages selected"));
}

void StampsTest::watermarkStampsTheSelectedTilesOnly() {
    MainWindow window;
    window.loadPDFPages(makePdf(10));
    QCOMPARE(window.pages().size(), 10);
    QList<QImage> before;
    for (PageWidget *tile : window.pages())
        before << tileImage(tile);
    for (int i : {1, 4, 8})
        window.pages()[i]->setSelected(true);

    DialogHelper helper;
    helper
        .custom([](QWidget *w) {
            auto *dialog = static_cast<WatermarkDialog *>(w);
            QVERIFY(!dialog->applyToAllPages());
            dialog->findChild<QPushButton *>("okButton")->click();
        })
        .messageBox();
    window.findChild<QPushButton *>("watermarkButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"Watermark Added"});
    QCOMPARE(helper.texts(), QStringList{"Successfully added watermark to 3 pages."});
    QCOMPARE(window.statusBar()->currentMessage(), QString("Watermark added to 3 pages"));
    for (int i = 0; i < 10; ++i) {
        const bool stamped = tileImage(window.pages()[i]) != before[i];
        QVERIFY2(stamped == (i == 1 || i == 4 || i == 8), qPrintable(QString::number(i)));
    }
}

void StampsTest::watermarkWithNoTargetSaysNoSelection() {
    MainWindow window;
    window.loadPDFPages(makePdf(2));
    const QImage before = tileImage(window.pages()[0]);
    DialogHelper helper;
    helper
        .custom([](QWidget *w) {
            auto *check = w->findChild<QCheckBox *>("allPagesCheck");
            QVERIFY(check->isChecked());
            check->setChecked(false);
            w->findChild<QPushButton *>("okButton")->click();
        })
        .messageBox();
    window.findChild<QPushButton *>("watermarkButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"No Selection"});
    QCOMPARE(helper.texts(), QStringList{"No pages selected for watermark."});
    QCOMPARE(tileImage(window.pages()[0]), before);
}

void StampsTest::emptyWatermarkTextIsRefusedButPreviewed() {
    MainWindow window;
    window.loadPDFPages(makePdf(1));
    DialogHelper helper;
    helper
        .custom([](QWidget *w) {
            auto *dialog = static_cast<WatermarkDialog *>(w);
            dialog->findChild<QLineEdit *>("textEdit")->clear();
            PageStamper::Watermark mark;
            mark.text = "WATERMARK";
            mark.fontFamily = dialog->getFontFamily();
            const QImage shown = dialog->findChild<QLabel *>("previewLabel")
                                     ->pixmap()
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QCOMPARE(shown, PageStamper::watermarkPreview(mark));
            QVERIFY(inkBox(shown, 250).isValid());
            dialog->findChild<QPushButton *>("okButton")->click();
        })
        .messageBox();
    window.findChild<QPushButton *>("watermarkButton")->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(helper.titles(), QStringList{"Empty Text"});
    QCOMPARE(helper.texts(), QStringList{"Watermark text cannot be empty."});
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
    // Black text over white: the darkest pixel shows the alpha that was used.
    QImage page = whitePage();
    PageStamper::Watermark mark;
    mark.text = "MMMM";
    mark.fontFamily = "Arial";
    mark.color = Qt::black;
    mark.opacity = opacity;
    mark.rotation = 0;
    PageStamper::paintWatermark(page, mark);
    int darkest = 255;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            darkest = qMin(darkest, qRed(page.pixel(x, y)));
    QVERIFY2(qAbs(darkest - (255 - alpha)) <= 1, qPrintable(QString::number(darkest)));
}

void StampsTest::colourButtonTextFollowsLightness_data() {
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("textColour");
    QTest::newRow("lightness 128") << QColor(128, 128, 128) << "white";
    QTest::newRow("lightness 129") << QColor(129, 129, 129) << "black";
}

void StampsTest::colourButtonTextFollowsLightness() {
    QFETCH(QColor, colour);
    QFETCH(QString, textColour);
    WatermarkDialog dialog(1, 0);
    DialogHelper helper;
    helper.custom([colour](QWidget *w) {
        auto *picker = qobject_cast<QColorDialog *>(w);
        QVERIFY(picker);
        QCOMPARE(picker->windowTitle(), QString("Choose Watermark Color"));
        picker->setCurrentColor(colour);
        picker->accept();
    });
    auto *button = dialog.findChild<QPushButton *>("colorButton");
    button->click();
    QVERIFY2(helper.done(), qPrintable(helper.problems()));
    QCOMPARE(dialog.getColor(), colour);
    QCOMPARE(button->text(), QString("Choose Color"));
    QVERIFY2(button->styleSheet().contains(QString("color: %1;").arg(textColour)),
             qPrintable(button->styleSheet()));
    QVERIFY(button->styleSheet().contains(QString("rgb(%1, %1, %1)").arg(colour.red())));
}

void StampsTest::watermarkIsCentredOnItsAnchor() {
    QImage page = whitePage(600, 800);
    PageStamper::Watermark mark;
    mark.text = "HHHH";
    mark.fontFamily = "Arial";
    mark.color = Qt::black;
    mark.opacity = 100;
    mark.rotation = 0;
    mark.position = 7; // Bottom Center
    PageStamper::paintWatermark(page, mark);
    const QRect ink = inkBox(page);
    QVERIFY(ink.isValid());
    // Capitals sit on the baseline: 750 + h / 4, centred on x = 300.
    const int baseline = 750 + lineHeight("Arial", 48, page) / 4;
    QVERIFY2(qAbs(ink.bottom() + 1 - baseline) <= 1, qPrintable(QString::number(ink.bottom())));
    QVERIFY2(qAbs(ink.center().x() - 300) <= 3, qPrintable(QString::number(ink.center().x())));
}

void StampsTest::secondWatermarkAddsAStampAndUndoKeepsThem() {
    MainWindow window;
    window.loadPDFPages(makePdf(1));
    const QImage clean = tileImage(window.pages()[0]);
    const QRect topBand(0, 0, clean.width(), clean.height() / 4);
    const QRect bottomBand(0, clean.height() * 3 / 4, clean.width(), clean.height() / 4);
    QVERIFY(!inkBox(clean, 200, bottomBand).isValid());

    auto stampAt = [&window](int position) {
        DialogHelper helper;
        helper
            .custom([position](QWidget *w) {
                w->findChild<QSpinBox *>("rotationSpin")->setValue(0);
                w->findChild<QSpinBox *>("opacitySpin")->setValue(100);
                w->findChild<QSpinBox *>("fontSizeSpin")->setValue(20);
                w->findChild<QComboBox *>("positionCombo")->setCurrentIndex(position);
                w->findChild<QPushButton *>("okButton")->click();
            })
            .messageBox();
        window.findChild<QPushButton *>("watermarkButton")->click();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
    };
    stampAt(1);
    QVERIFY(inkBox(tileImage(window.pages()[0]), 200, topBand).width() > 20);
    stampAt(7);
    const QImage twice = tileImage(window.pages()[0]);
    QVERIFY(inkBox(twice, 200, bottomBand).width() > 20);

    // The snapshot was taken after stamping, so undoing goes back to it.
    window.findChild<QPushButton *>("undoButton")->click();
    QCOMPARE(window.pages().size(), 1);
    const QImage afterUndo = tileImage(window.pages()[0]);
    QVERIFY(inkBox(afterUndo, 200, topBand).width() > 20);
    QVERIFY(inkBox(afterUndo, 200, bottomBand).width() > 20);
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
    QTest::newRow("page of total, from 5") << 1 << 5 << 10 << ofTotal;
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

void StampsTest::pageLabelBaselineSitsOnTheMargin_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("inkLeft");  // -1: centred instead
    QTest::addColumn<int>("inkRight"); // -1: not checked
    QTest::newRow("bottom left") << 3 << 20 << -1;
    QTest::newRow("bottom center") << 4 << -1 << -1;
    QTest::newRow("bottom right") << 5 << -1 << 580;
}

void StampsTest::pageLabelBaselineSitsOnTheMargin() {
    QFETCH(int, position);
    QFETCH(int, inkLeft);
    QFETCH(int, inkRight);
    QImage page = whitePage(600, 800);
    PageStamper::paintPageLabel(page, "1234", "Arial", 24, position, 20);
    // Nothing of this label descends below its baseline, y = 800 - 20.
    const QRect ink = inkBox(page);
    QVERIFY(ink.isValid());
    QVERIFY2(qAbs(ink.bottom() + 1 - 780) <= 1, qPrintable(QString::number(ink.bottom())));
    // Glyph side bearings leave a few pixels between the advance and the ink.
    if (inkLeft >= 0)
        QVERIFY2(ink.left() >= inkLeft && ink.left() <= inkLeft + 5,
                 qPrintable(QString::number(ink.left())));
    if (inkRight >= 0)
        QVERIFY2(ink.right() < inkRight && ink.right() >= inkRight - 6,
                 qPrintable(QString::number(ink.right())));
    if (inkLeft < 0 && inkRight < 0)
        QVERIFY2(qAbs(ink.center().x() - 300) <= 3, qPrintable(QString::number(ink.center().x())));
}

void StampsTest::numberingLabelsEveryTileAndRepeats() {
    MainWindow window;
    window.loadPDFPages(makePdf(3));
    const QImage clean = tileImage(window.pages()[0]);
    const QRect topRight(clean.width() / 2, 0, clean.width() / 2, 60);
    const QRect bottomLeft(0, clean.height() - 60, clean.width() / 2, 60);
    QVERIFY(!inkBox(clean, 200, bottomLeft).isValid());

    auto number = [&window](int position) {
        DialogHelper helper;
        helper
            .custom([position](QWidget *w) {
                auto *dialog = static_cast<PageNumberDialog *>(w);
                QCOMPARE(dialog->getMargin(), 20);
                QCOMPARE(dialog->getFontSize(), 12);
                QCOMPARE(dialog->findChild<QLabel *>("infoLabel")->text(),
                         QString::fromUtf8("💡 Page numbers will be added to all 3 pages"));
                w->findChild<QComboBox *>("positionCombo")->setCurrentIndex(position);
                w->findChild<QPushButton *>("okButton")->click();
            })
            .messageBox();
        window.findChild<QPushButton *>("numbersButton")->click();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QCOMPARE(helper.titles(), QStringList{"Page Numbers Added"});
        QCOMPARE(helper.texts(), QStringList{"Successfully added page numbers to all 3 pages."});
    };
    number(2);
    number(3);
    QCOMPARE(window.statusBar()->currentMessage(), QString("Page numbers added to 3 pages"));
    for (PageWidget *tile : window.pages()) {
        QVERIFY(inkBox(tileImage(tile), 200, topRight).isValid());
        QVERIFY(inkBox(tileImage(tile), 200, bottomLeft).isValid());
    }
    window.findChild<QPushButton *>("undoButton")->click();
    QVERIFY(inkBox(tileImage(window.pages()[2]), 200, bottomLeft).isValid());
}

QTEST_MAIN(StampsTest)
#include "tst_stamps.moc"
