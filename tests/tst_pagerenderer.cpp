#include "OutputFile.h"
#include "OutputTestSupport.h"
#include "PageRenderer.h"

#include <QPainter>
#include <QPdfWriter>

using namespace OutputTest;
using Outcome = PageRenderer::Outcome;

// The page rendering and the safe output file that every output command uses.
class TestPageRenderer : public QObject
{
    Q_OBJECT

private slots:
    void rendersOnWhiteAndTurns_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPointF>("mark");
        QTest::newRow("unturned") << 0 << QSize(1190, 1684) << QPointF(0.125, 0.09);
        QTest::newRow("90") << 90 << QSize(1684, 1190) << QPointF(0.91, 0.125);
        QTest::newRow("270") << 270 << QSize(1684, 1190) << QPointF(0.09, 0.875);
    }
    void rendersOnWhiteAndTurns()
    {
        QFETCH(int, rotation);
        QFETCH(QPointF, mark);
        QTemporaryDir dir;
        QVERIFY(PdfFixtures::writePdf(dir.filePath("a.pdf"), 1));
        Outcome outcome = Outcome::LoadError;
        const QImage image =
            PageRenderer::render({dir.filePath("a.pdf"), 1, rotation}, 2, &outcome);
        QCOMPARE(outcome, Outcome::Rendered);
        QTEST(image.size(), "size");
        QVERIFY(!image.hasAlphaChannel());
        QVERIFY(PdfFixtures::isWhite(image.pixelColor(image.width() - 1, image.height() - 1)));
        const QPointF centre = PdfFixtures::darkCentre(image.scaled(image.size() / 8));
        QVERIFY(qAbs(centre.x() - mark.x()) < 0.03 && qAbs(centre.y() - mark.y()) < 0.03);
    }

    void outcomes()
    {
        QTemporaryDir dir;
        const QString poster = dir.filePath("poster.pdf");
        QVERIFY(
            PdfFixtures::writePdf(poster, {{QPageSize(QPageSize::A0), QPageLayout::Portrait, {}}}));
        Outcome outcome = Outcome::Rendered;
        QVERIFY(PageRenderer::render({dir.filePath("missing.pdf")}, 1, &outcome).isNull());
        QCOMPARE(outcome, Outcome::LoadError);
        // This test program itself stands for a file that is not a PDF.
        QVERIFY(
            PageRenderer::render({QCoreApplication::applicationFilePath()}, 1, &outcome).isNull());
        QCOMPARE(outcome, Outcome::LoadError);
        QVERIFY(PageRenderer::render({poster, 2}, 1, &outcome).isNull());
        QCOMPARE(outcome, Outcome::NullImage);
        // A poster at 300 dpi is rendered as large as the budget allows instead of failing.
        const QImage image = PageRenderer::render({poster}, 300 / 72.0, &outcome, 2'000'000);
        QCOMPARE(outcome, Outcome::Rendered);
        const qint64 pixels = qint64(image.width()) * image.height();
        QVERIFY2(pixels <= 2'000'000 && pixels > 1'960'000, qPrintable(QString::number(pixels)));
        QVERIFY(qAbs(double(image.width()) / image.height() - 2384 / 3370.0) < 0.01);
    }

    void drawStretchedFillsPaintRect()
    {
        // A black image stretched over a page with 20 mm margins covers exactly
        // the area inside them: not shifted by the margins a second time.
        QTemporaryDir dir;
        const QString file = dir.filePath("out.pdf");
        {
            QPdfWriter writer(file);
            writer.setResolution(72);
            writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
            QPainter painter(&writer);
            QImage black(10, 10, QImage::Format_RGB32);
            black.fill(Qt::black);
            PageRenderer::drawStretched(painter, writer, black);
        }
        const QImage page = popplerPage(file, 1, 72);
        auto dark = [&page](int x, int y) { return PdfFixtures::isDark(page.pixelColor(x, y)); };
        const int m = 57; // 20 mm in points
        QVERIFY(!dark(m - 3, m - 3) && dark(m + 3, m + 3));
        QVERIFY(dark(595 - m - 3, 842 - m - 3) && !dark(595 - m + 3, 842 - m + 3));
    }

    void outputFileReplacesOnlyWhenCommitted_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("commit") << "commit" << QByteArray("new");
        QTest::newRow("cancel") << "cancel" << QByteArray("old");
        QTest::newRow("dropped unfinished") << "drop" << QByteArray("old");
        QTest::newRow("finisher") << "finisher" << QByteArray("[new]");
        QTest::newRow("failing finisher") << "refuse" << QByteArray("old");
    }
    void outputFileReplacesOnlyWhenCommitted()
    {
        QFETCH(QString, ending);
        QTemporaryDir dir;
        QFile target(dir.filePath("t.pdf"));
        QVERIFY(target.open(QIODevice::WriteOnly) && target.write("old") == 3);
        target.close();
        {
            OutputFile out(target.fileName());
            if (ending == "finisher" || ending == "refuse")
                out.setFinisher(
                    [ending](const QString &written, QIODevice *target, QString *error) {
                        QFile in(written);
                        in.open(QIODevice::ReadOnly);
                        target->write("[" + in.readAll() + "]");
                        *error = "refused";
                        return ending == "finisher";
                    });
            QVERIFY(out.open());
            out.device()->write("new");
            if (ending == "cancel")
                out.cancel();
            else if (ending != "drop")
                QCOMPARE(out.commit(), ending != "refuse");
        }
        QVERIFY(target.open(QIODevice::ReadOnly));
        QTEST(target.readAll(), "after");
        QCOMPARE(filesIn(dir.path()), QStringList{"t.pdf"}); // no temporary left behind

        OutputFile unwritable(unwritablePath(dir, "t.pdf"));
        QVERIFY(!unwritable.open() && !unwritable.errorString().isEmpty());
    }
};

QTEST_MAIN(TestPageRenderer)
#include "tst_pagerenderer.moc"
