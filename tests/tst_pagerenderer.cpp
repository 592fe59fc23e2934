#include "OutputTestSupport.h"
#include "PageRenderer.h"

#include <QPainter>
#include <QPdfWriter>

using namespace OutputTest;
using Outcome = PageRenderer::Outcome;

Q_DECLARE_METATYPE(PageRenderer::Outcome)

class TestPageRenderer : public QObject
{
    Q_OBJECT

private slots:
    void renderSize_data();
    void renderSize();
    void rendersOnWhiteAndTurns_data();
    void rendersOnWhiteAndTurns();
    void outcomes_data();
    void outcomes();
    void posterStaysWithinBudget();
    void drawStretchedFillsPaintRect();
};

void TestPageRenderer::renderSize_data()
{
    QTest::addColumn<QSizeF>("points");
    QTest::addColumn<double>("scale");
    QTest::addColumn<qint64>("budget");
    QTest::addColumn<QSize>("expected"); // empty: only the budget is checked

    QTest::newRow("A4 at 2") << QSizeF(595, 842) << 2.0 << PageRenderer::DefaultPixelBudget
                             << QSize(1190, 1684);
    QTest::newRow("truncated, not rounded")
        << QSizeF(595.9, 842.9) << 1.0 << PageRenderer::DefaultPixelBudget << QSize(595, 842);
    QTest::newRow("A0 at 300 dpi")
        << QSizeF(2384, 3370) << 300 / 72.0 << PageRenderer::DefaultPixelBudget << QSize();
    QTest::newRow("tiny budget") << QSizeF(595, 842) << 2.0 << qint64(10000) << QSize();
}

void TestPageRenderer::renderSize()
{
    QFETCH(QSizeF, points);
    QFETCH(double, scale);
    QFETCH(qint64, budget);
    QFETCH(QSize, expected);

    const QSize size = PageRenderer::renderSize(points, scale, budget);
    if (!expected.isEmpty()) {
        QCOMPARE(size, expected);
        return;
    }
    const qint64 pixels = qint64(size.width()) * size.height();
    QVERIFY(pixels <= budget);
    // As large as the budget allows, in the page's proportions.
    QVERIFY(pixels > budget * 98 / 100);
    QVERIFY(qAbs(double(size.width()) / size.height() - points.width() / points.height()) < 0.01);
}

void TestPageRenderer::rendersOnWhiteAndTurns_data()
{
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPointF>("mark");
    QTest::newRow("unturned") << 0 << QSize(1190, 1684) << QPointF(0.125, 0.09);
    QTest::newRow("90") << 90 << QSize(1684, 1190) << QPointF(0.91, 0.125);
    QTest::newRow("270") << 270 << QSize(1684, 1190) << QPointF(0.09, 0.875);
}

void TestPageRenderer::rendersOnWhiteAndTurns()
{
    QFETCH(int, rotation);
    QFETCH(QSize, size);
    QFETCH(QPointF, mark);

    QTemporaryDir dir;
    const QString file = dir.filePath("a.pdf");
    QVERIFY(PdfFixtures::writePdf(file, 1));
    Outcome outcome = Outcome::LoadError;
    const QImage image = PageRenderer::render({file, 1, rotation, false}, 2.0, &outcome);
    QCOMPARE(outcome, Outcome::Rendered);
    QCOMPARE(image.size(), size);
    QVERIFY(!image.hasAlphaChannel());
    const QColor corner = image.pixelColor(image.width() - 1, image.height() - 1);
    QCOMPARE(corner, QColor(Qt::white));
    const QPointF centre = PdfFixtures::darkCentre(image.scaled(image.size() / 8));
    QVERIFY2(qAbs(centre.x() - mark.x()) < 0.03 && qAbs(centre.y() - mark.y()) < 0.03,
             qPrintable(QString("%1,%2").arg(centre.x()).arg(centre.y())));
}

void TestPageRenderer::outcomes_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<int>("pageNumber");
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("missing file") << QByteArray() << 1 << Outcome::LoadError;
    QTest::newRow("not a PDF") << QByteArray("%PDF-1.4 garbage") << 1 << Outcome::LoadError;
    QTest::newRow("page beyond the end") << QByteArray("fixture") << 2 << Outcome::NullImage;
}

void TestPageRenderer::outcomes()
{
    QFETCH(QByteArray, content);
    QFETCH(int, pageNumber);
    QFETCH(Outcome, outcome);

    QTemporaryDir dir;
    const QString file = dir.filePath("a.pdf");
    if (content == "fixture") {
        QVERIFY(PdfFixtures::writePdf(file, 1));
    } else if (!content.isEmpty()) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    Outcome actual = Outcome::Rendered;
    QVERIFY(PageRenderer::render({file, pageNumber, 0, false}, 1.0, &actual).isNull());
    QCOMPARE(actual, outcome);
}

void TestPageRenderer::posterStaysWithinBudget()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("poster.pdf");
    PdfFixtures::Page poster;
    poster.size = QPageSize(QPageSize::A0);
    QVERIFY(PdfFixtures::writePdf(file, {poster}));
    const qint64 budget = 2'000'000;
    const QImage image = PageRenderer::render({file, 1, 0, false}, 300 / 72.0, nullptr, budget);
    QVERIFY(!image.isNull());
    QVERIFY(qint64(image.width()) * image.height() <= budget);
    QVERIFY(PdfFixtures::darkCentre(image.scaled(image.size() / 4)).x() > 0);
}

void TestPageRenderer::drawStretchedFillsPaintRect()
{
    // A black image stretched over a page with 20 mm margins must cover
    // exactly the area inside the margins: not shifted by them twice.
    QTemporaryDir dir;
    const QString file = dir.filePath("out.pdf");
    {
        QPdfWriter writer(file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(72);
        writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
        QPainter painter(&writer);
        QImage black(10, 10, QImage::Format_RGB32);
        black.fill(Qt::black);
        QCOMPARE(PageRenderer::paintRect(writer), QRect(0, 0, writer.width(), writer.height()));
        PageRenderer::drawStretched(painter, writer, black);
    }
    const QImage page = popplerPage(file, 1, 72);
    QCOMPARE(page.size(), QSize(595, 842));
    const int margin = 57; // 20 mm in points
    auto dark = [&page](int x, int y) { return PdfFixtures::isDark(page.pixelColor(x, y)); };
    QVERIFY(!dark(margin - 3, margin - 3) && dark(margin + 3, margin + 3));
    QVERIFY(dark(595 - margin - 3, 842 - margin - 3) && !dark(595 - margin + 3, 842 - margin + 3));
}

QTEST_MAIN(TestPageRenderer)
#include "tst_pagerenderer.moc"
