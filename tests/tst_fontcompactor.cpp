#include "PdfFixtures.h"
#include "PdfImageCompressor.h"

#include <QPainter>
#include <QPdfWriter>
#include <QtTest>

using namespace PdfFixtures;

namespace {

const QString Urw = "/usr/share/fonts/type1/urw-base35/NimbusRoman-Regular.t1";
const QString DejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

QByteArray n(qint64 value)
{
    return QByteArray::number(value);
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One page showing `text` in /F1 and /F2, two fonts whose programs are equal but separate
// objects. `font` is the font dictionary's own entries, `file` the program's stream entries.
bool fontPdf(const QString &path, const QByteArray &font, const QByteArray &key,
             const QByteArray &program, const QByteArray &file, const QByteArray &text)
{
    const QByteArray descriptor = "/Type /FontDescriptor /FontName /Test /Flags 32 /ItalicAngle 0 "
                                  "/FontBBox [-200 -300 1200 1000] /Ascent 900 /Descent -250 "
                                  "/CapHeight 700 /StemV 80 " +
                                  key;
    const QList<QPair<QByteArray, QByteArray>> objects{
        {"/Type /Catalog /Pages 2 0 R", {}},
        {"/Type /Pages /Kids [3 0 R] /Count 1", {}},
        {"/Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
         "/Resources << /Font << /F1 5 0 R /F2 8 0 R >> >>",
         {}},
        {"", "BT /F1 24 Tf 40 700 Td " + text + " Tj ET BT /F2 18 Tf 40 600 Td " + text + " Tj ET"},
        {"/Type /Font " + font + " /FontDescriptor 6 0 R", {}},
        {descriptor + " 7 0 R", {}},
        {file, program},
        {"/Type /Font " + font + " /FontDescriptor 9 0 R", {}},
        {descriptor + " 10 0 R", {}},
        {file, program}};
    QByteArray pdf = "%PDF-1.7\n";
    for (int i = 0; i < objects.size(); ++i) {
        const auto &[dict, data] = objects[i];
        pdf += n(i + 1) + " 0 obj\n<< " + dict +
               (data.isEmpty()
                    ? " >>"
                    : " /Length " + n(data.size()) + " >>\nstream\n" + data + "\nendstream") +
               "\nendobj\n";
    }
    writeFile(path + ".raw", pdf + "trailer << /Root 1 0 R >>\n");
    run("qpdf", {"--empty", "--pages", path + ".raw", "--", path});
    return qpdfCheckClean(path);
}

// The .t1 files of fonts-urw-base35 are laid out as an embedded Type 1 program: clear text,
// binary eexec part, zeros. `keep` is the share of the binary part kept.
bool type1Pdf(const QString &path, double keep)
{
    const QByteArray t1 = bytesOf(Urw);
    const qsizetype clear = t1.indexOf("eexec") + 6, zeros = t1.indexOf(QByteArray(64, '0'));
    const qsizetype binary = qsizetype((zeros - clear) * keep);
    const QByteArray program = t1.left(clear + binary) + t1.mid(zeros);
    return !t1.isEmpty() &&
           fontPdf(path,
                   "/Subtype /Type1 /BaseFont /NimbusRoman-Regular /Encoding << /Differences "
                   "[128 /eacute /germandbls] >>",
                   "/FontFile", program,
                   "/Length1 " + n(clear) + " /Length2 " + n(binary) + " /Length3 " +
                       n(t1.size() - zeros),
                   "(Quirefold keeps caf\200 and Stra\201e)");
}

bool qtPdf(const QString &path)
{
    QPdfWriter writer(path);
    QPainter painter(&writer);
    painter.setFont(QFont("DejaVu Sans", 24));
    painter.drawText(QPointF(500, 1000), "Quirefold keeps café and Straße");
    return painter.end();
}

QStringList wordsOf(const QString &pdf)
{
    return run("pdftotext", {pdf, "-"}).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
}

// Pages rendered by poppler into files named after `prefix` (never beside the input).
QList<QImage> pagesOf(const QString &pdf, const QString &prefix)
{
    run("pdftoppm", {"-r", "100", "-png", pdf, prefix});
    QList<QImage> pages;
    const QFileInfo info(prefix);
    for (const QFileInfo &png : info.dir().entryInfoList({info.fileName() + "-*.png"}))
        pages << QImage(png.filePath());
    return pages;
}

} // namespace

class TestFontCompactor : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void compactsFonts_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("type");      // every font's, as pdffonts lists it
        QTest::addColumn<QByteArray>("marker"); // in one object of the output
        QTest::addColumn<double>("share");      // largest output size over input size
        const QString type1 = dir.filePath("type1.pdf"), damaged = dir.filePath("damaged.pdf");
        const QString trueType = dir.filePath("truetype.pdf"), qt = dir.filePath("qt.pdf");
        QVERIFY(!QFile::exists(Urw) || (type1Pdf(type1, 1) && type1Pdf(damaged, 0.5)));
        QVERIFY(fontPdf(trueType,
                        "/Subtype /TrueType /BaseFont /DejaVuSans "
                        "/Encoding /WinAnsiEncoding",
                        "/FontFile2", bytesOf(DejaVu), "/Length1 " + n(bytesOf(DejaVu).size()),
                        "(Quirefold keeps caf\351 and Stra\337e)"));
        QVERIFY(qtPdf(qt));
        const QString corpus = qEnvironmentVariable("QUIREFOLD_CORPUS", QUIREFOLD_CORPUS);
        QTest::newRow("Type 1 to CFF") << type1 << "Type 1C " << QByteArray("/Type1C") << 0.6;
        QTest::newRow("damaged Type 1 stays")
            << damaged << "Type 1 " << QByteArray("/Length3") << 0.6;
        QTest::newRow("TrueType subset")
            << trueType << "TrueType " << QByteArray("/Length1") << 0.05;
        QTest::newRow("Qt's CID TrueType") << qt << "CID TrueType" << QByteArray() << 0.8;
        QTest::newRow("TeX card") << corpus + "/octave-refcard_a4-landscape_3p.pdf"
                                  << "Type 1C " << QByteArray() << 0.5;
        QTest::newRow("Word 2016") << corpus + "/pdfparse-05_msword2016_1p.pdf"
                                   << "TrueType " << QByteArray() << 0.1;
    }

    // Independent readers find the same words and pictures in a sound, smaller file.
    void compactsFonts()
    {
        QFETCH(QString, in);
        QFETCH(QString, type);
        QFETCH(QByteArray, marker);
        QFETCH(double, share);
        if (!QFile::exists(in))
            QSKIP(qPrintable("Missing (corpus, or Type 1 fonts of fonts-urw-base35): " + in));
        const QString out = dir.filePath(QTest::currentDataTag()) + ".pdf";
        QFile file(out);
        PdfImageCompressor compressor;
        QVERIFY(file.open(QIODevice::WriteOnly) && compressor.process(in, &file));
        file.close();
        QVERIFY(qpdfCheckClean(out));
        QVERIFY(QFileInfo(out).size() <= QFileInfo(in).size() * share);
        const QString fonts = run("pdffonts", {out});
        QVERIFY2(fonts.contains(type), qPrintable(fonts));
        if (!marker.isEmpty())
            QCOMPARE(run("qpdf", {"--json", out}).count(marker), 1);
        const QStringList words = wordsOf(out);
        for (const QString &word : wordsOf(in))
            QVERIFY2(words.contains(word), qPrintable(word));
        const QList<QImage> before = pagesOf(in, out + ".before"),
                            after = pagesOf(out, out + ".after");
        QCOMPARE(after.size(), before.size());
        for (int i = 0; i < before.size(); ++i)
            QVERIFY2(sameImage(before[i], after[i]), qPrintable(n(i + 1)));
    }
};

QTEST_MAIN(TestFontCompactor)
#include "tst_fontcompactor.moc"
