#include "DialogHelper.h"
#include "MainWindow.h"
#include "OutputTestSupport.h"
#include "PageStamper.h"
#include "PageWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

QImage tileImage(const PageWidget *tile)
{
    return tile->property("originalThumbnail").value<QPixmap>().toImage();
}

} // namespace

class StampsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY(PdfFixtures::writePdf(dir.filePath("ten.pdf"), 10)); }

    void watermarkCommand_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<bool>("uncheckAll");
        QTest::addColumn<bool>("clearText");
        QTest::addColumn<QString>("title");
        QTest::newRow("3 of 10 selected")
            << QList<int>{1, 4, 8} << false << false << "Watermark Added";
        QTest::newRow("no target") << QList<int>{} << true << false << "No Selection";
        QTest::newRow("empty text") << QList<int>{} << false << true << "Empty Text";
    }

    void watermarkCommand()
    {
        QFETCH(QList<int>, selected);
        QFETCH(bool, uncheckAll);
        QFETCH(bool, clearText);
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
                // "All pages" is the default target only when nothing is selected.
                auto *check = w->findChild<QCheckBox *>("allPagesCheck");
                QCOMPARE(check->isChecked(), selected.isEmpty());
                auto *note = w->findChild<QLabel *>("selectedPagesLabel");
                QCOMPARE(note ? note->text() : QString(),
                         selected.isEmpty() ? QString() : QString::fromUtf8("✓ 3 pages selected"));
                check->setChecked(check->isChecked() && !uncheckAll);
                if (clearText)
                    w->findChild<QLineEdit *>("textEdit")->clear();
                w->findChild<QPushButton *>("okButton")->click();
            })
            .messageBox();
        window.findChild<QPushButton *>("watermarkButton")->click();
        QVERIFY2(helper.done(), qPrintable(helper.problems()));
        QTEST(helper.titles().value(0), "title");
        for (int i = 0; i < 10; ++i)
            QCOMPARE(!PdfFixtures::sameImage(tileImage(window.pages()[i]), before[i], 0),
                     selected.contains(i) && !uncheckAll);
    }

    // Black stamps on a white 600 x 800 page: where the ink lies, and how dark it gets.
    void stampPixels_data()
    {
        QTest::addColumn<bool>("watermark");
        QTest::addColumn<int>("position"); // column: position % 3
        QTest::addColumn<int>("opacity");
        QTest::addColumn<int>("alpha");
        QTest::addColumn<int>("baseline"); // plus a quarter line for the watermark
        QTest::newRow("watermark Bottom Center") << true << 7 << 100 << 255 << 750;
        QTest::newRow("watermark at 10 %") << true << 7 << 10 << 25 << 750;
        QTest::newRow("label Bottom Center") << false << 4 << 100 << 255 << 780;
        QTest::newRow("label Bottom Left") << false << 3 << 100 << 255 << 780;
    }

    void stampPixels()
    {
        QFETCH(bool, watermark);
        QFETCH(int, position);
        QFETCH(int, opacity);
        QFETCH(int, alpha);
        QFETCH(int, baseline);
        QImage page(600, 800, QImage::Format_ARGB32_Premultiplied);
        page.fill(Qt::white);
        // Digits and capitals: no ink below the baseline.
        if (watermark) {
            PageStamper::paintWatermark(page,
                                        {"HHHH", "Arial", 48, Qt::black, opacity, 0, position});
            QFont font("Arial");
            font.setPointSize(48);
            baseline += QFontMetrics(font, &page).height() / 4;
        } else {
            PageStamper::paintPageLabel(page, "1234", "Arial", 24, position, 20);
        }
        const int darkest =
            *std::min_element(page.constBits(), page.constBits() + page.sizeInBytes());
        QVERIFY2(qAbs(darkest - (255 - alpha)) <= 1, qPrintable(QString::number(darkest)));
        const QRect ink = PdfFixtures::inkBox(page, (255 + darkest) / 2);
        const QString where = QDebug::toString(ink);
        QVERIFY2(qAbs(ink.bottom() + 1 - baseline) <= 1, qPrintable(where));
        if (position % 3 == 1)
            QVERIFY2(qAbs(ink.center().x() - 300) <= 3, qPrintable(where));
        else // a glyph's side bearing leaves a few pixels
            QVERIFY2(ink.left() >= 20 && ink.left() <= 25, qPrintable(where));
    }

    void stampsAddUpAndSurviveUndo()
    {
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
            QVERIFY(!PdfFixtures::inkBox(clean, 200, band).isValid());

        for (const auto &[button, position] : {std::pair{"watermarkButton", 1},
                                               {"watermarkButton", 7},
                                               {"numbersButton", 3},
                                               {"numbersButton", 5}}) {
            DialogHelper helper;
            helper
                .custom([position = position](QWidget *w) {
                    if (auto *rotation = w->findChild<QSpinBox *>("rotationSpin")) {
                        rotation->setValue(0); // the watermark's defaults are turned and faint
                        w->findChild<QSpinBox *>("opacitySpin")->setValue(100);
                        w->findChild<QSpinBox *>("fontSizeSpin")->setValue(20);
                    }
                    w->findChild<QComboBox *>("positionCombo")->setCurrentIndex(position);
                    w->findChild<QPushButton *>("okButton")->click();
                })
                .messageBox();
            window.findChild<QPushButton *>(button)->click();
            QVERIFY2(helper.done(), qPrintable(helper.problems()));
        }

        // The snapshots were taken after stamping, so one undo keeps every stamp.
        window.findChild<QPushButton *>("undoButton")->click();
        for (const PageWidget *tile : window.pages())
            for (const QRect &band : bands)
                QVERIFY(PdfFixtures::inkBox(tileImage(tile), 200, band).isValid());
    }
};

QTEST_MAIN(StampsTest)
#include "tst_stamps.moc"
