#include "PdfFixtures.h"
#include "PdfImageCompressor.h"

#include <QImageWriter>
#include <QtTest>

using namespace PdfFixtures;

namespace {

// A PDF object: its dictionary's entries, and stream data if any.
struct Obj
{
    QByteArray dict;
    QByteArray data = {};
};

const QByteArray Words = "Pictures shrink while words stay";
const QByteArray Text = "BT /F1 12 Tf 72 300 Td (" + Words + ") Tj ET ";
const QByteArray FiveCm = "141.73 0 0 141.73 "; // 5 cm in points

QByteArray n(qint64 value)
{
    return QByteArray::number(value);
}

// A one-page A4 document: 1 catalog, 2 pages, 3 page, 4 content, 5 font, then `objects` from 6,
// each listed in the page's resources as /X6, /X7 ... `path`.raw is the same without
// cross-references, which qpdf has to repair.
bool writeRawPdf(const QString &path, const QByteArray &content, const QList<Obj> &objects,
                 const QByteArray &pageExtra = {}, const QByteArray &catalogExtra = {},
                 const QByteArray &resourcesExtra = {})
{
    QByteArray names, pdf = "%PDF-1.7\n";
    int number = 0;
    for (int i = 6; i < objects.size() + 6; ++i)
        names += "/X" + n(i) + " " + n(i) + " 0 R ";
    const QList<Obj> all{{"/Type /Catalog /Pages 2 0 R " + catalogExtra},
                         {"/Type /Pages /Kids [3 0 R] /Count 1"},
                         {"/Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
                          "/Resources << /Font << /F1 5 0 R >> /XObject << " +
                          names + ">> " + resourcesExtra + " >> " + pageExtra},
                         {"", content},
                         {"/Type /Font /Subtype /Type1 /BaseFont /Helvetica"}};
    for (const Obj &o : all + objects)
        pdf += n(++number) + " 0 obj\n<< " + o.dict +
               (o.data.isEmpty()
                    ? " >>"
                    : " /Length " + n(o.data.size()) + " >>\nstream\n" + o.data + "\nendstream") +
               "\nendobj\n";
    writeFile(path + ".raw", pdf + "trailer << /Root 1 0 R /Size " + n(number + 1) + " >>\n");
    run("qpdf", {path + ".raw", path});
    return qpdfCheckClean(path);
}

// Smooth colour gradients with grain: compresses like a photograph.
QImage photo(int size)
{
    QImage image(size, size, QImage::Format_RGB32);
    QRandomGenerator noise(7);
    for (int i = 0, x = 0, y = 0; i < size * size; ++i, x = i % size, y = i / size)
        image.setPixel(
            x, y, qRgb(255 * x / size, 128 + 100 * y / size - noise.bounded(28), 255 * y / size));
    return image;
}

// An image XObject of the picture's pixels, Flate-coded in the colour space its depth
// suggests (the four bytes of a 32-bit pixel pass for CMYK) or in `space`, or as a JPEG.
Obj image(const QImage &pixels, bool jpeg = false, const QByteArray &more = {},
          const QByteArray &space = {})
{
    const int depth = jpeg ? 24 : pixels.depth();
    QByteArray data;
    QBuffer buffer(&data);
    if (jpeg && buffer.open(QIODevice::WriteOnly))
        QImageWriter(&buffer, "jpeg").write(pixels);
    else
        data = qCompress(pixels.constBits(), int(pixels.sizeInBytes())).mid(4);
    return {"/Subtype /Image /Width " + n(pixels.width()) + " /Height " + n(pixels.height()) +
                " /ColorSpace " +
                (!space.isEmpty() ? space.constData()
                 : depth == 24    ? "/DeviceRGB"
                 : depth == 32    ? "/DeviceCMYK"
                                  : "/DeviceGray") +
                " /BitsPerComponent " + n(depth == 1 ? 1 : 8) +
                (jpeg ? " /Filter /DCTDecode " : " /Filter /FlateDecode ") + more,
            data};
}

QByteArray bytesOf(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(120000);
    return process.readAllStandardOutput();
}

// The picture as a JPEG 2000 image XObject that leaves its colours to its data, or only the
// first `keep` bytes of it.
Obj jpx(const QImage &pixels, const QString &dir, qsizetype keep = -1)
{
    const QString ppm = dir + "/jpx.ppm", jp2 = dir + "/jpx.jp2";
    pixels.convertToFormat(QImage::Format_RGB888).save(ppm);
    bytesOf("opj_compress", {"-i", ppm, "-o", jp2, "-r", "20"});
    QFile file(jp2);
    const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : "";
    return {"/Subtype /Image /Width " + n(pixels.width()) + " /Height " + n(pixels.height()) +
                " /Filter /JPXDecode",
            keep < 0 ? data : data.left(keep)};
}

// pdfimages -list rows as "width height colour encoding object".
QList<QByteArrayList> imageRows(const QString &path)
{
    QList<QByteArrayList> rows;
    const QList<QByteArray> lines = bytesOf("pdfimages", {"-list", path}).split('\n');
    for (const QByteArray &line : lines.mid(2))
        if (const QByteArrayList f = line.simplified().split(' '); f.size() > 10)
            rows << QByteArrayList{f[3], f[4], f[5], f[8], f[10]};
    return rows;
}

// Ghostscript's copy of the page in CMYK or in ICC-based colours, when `colours` names one.
void row(const char *name, const QByteArray &content, const QList<Obj> &objects,
         const QByteArrayList &expected, const QString &colours = {})
{
    QTest::newRow(name) << content << objects << expected << colours;
}

// The page as poppler shows it at 100 dpi, or Ghostscript, which shows CMYK through a
// press profile, averaged over coarse cells.
QImage cells(const QString &pdf, bool ghostscript = false)
{
    if (ghostscript)
        bytesOf("gs", {"-q", "-dSAFER", "-sDEVICE=png16m", "-r100", "-o", pdf + ".png", pdf});
    else
        bytesOf("pdftoppm", {"-r", "100", "-singlefile", "-png", pdf, pdf});
    return QImage(pdf + ".png").scaled(30, 42, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

Q_DECLARE_METATYPE(Obj)

class TestPdfImageCompressor : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    bool compress(const QString &in, const QString &out, PdfImageCompressor *compressor)
    {
        QFile file(out);
        return file.open(QIODevice::WriteOnly) && compressor->process(in, &file);
    }

private slots:
    void resamplesImagesShownTooFine_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<Obj>>("objects");
        // One per pdfimages row: "width height colour encoding" (within 2 px) or "=" (same pixels:
        // a JPEG may be repacked losslessly), "= colour" when only the colour space changes.
        QTest::addColumn<QByteArrayList>("expected");
        QTest::addColumn<QString>("colours");
        const QByteArray atFiveCm = "q " + FiveCm + "100 500 cm /X6 Do Q " + Text;
        const QByteArray atTwoCm = "q 56.69 0 0 56.69 400 600 cm /X";
        const Obj big = image(photo(3000), true);
        const QByteArrayList once{"295 295 rgb jpeg"}, two{"295 295 rgb jpeg", "295 295 rgb jpeg"};
        row("photo at 5 cm", atFiveCm, {big}, once);
        row("larger of two uses", atFiveCm + atTwoCm + "6 Do Q", {big}, two);
        row("identical copies stored once", atFiveCm + atTwoCm + "7 Do Q", {big, big}, two);
        // Turned and scaled by 2 on the page, halved by the form; the first cm is undone by Q.
        const Obj form{"/Subtype /Form /BBox [0 0 595 842] /Matrix [0.5 0 0 0.5 0 0] /Resources "
                       "<< /XObject << /Im 7 0 R >> >>",
                       "q " + FiveCm + "0 0 cm /Im Do Q"};
        row("inside a form", "q 1000 0 0 1000 0 0 cm Q q 0 2 -2 0 400 50 cm /X6 Do Q " + Text,
            {form, big}, once);
        row("already below", atFiveCm, {image(photo(200), true)}, {"="});
        row("inverted by /Decode", atFiveCm, {image(photo(3000), true, "/Decode [1 0 1 0 1 0]")},
            {"="});
        // Dithered to a few colours: noise that JPEG would code smaller, and blur.
        const QImage dots = photo(2000)
                                .convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither)
                                .convertToFormat(QImage::Format_RGB888);
        const QImage small = photo(1000);
        row("1-bit", atFiveCm, {image(photo(1024).convertToFormat(QImage::Format_Mono))}, {"="});
        // Stored inverted: (r, g, b) is the ink (255 - r, 255 - g, 255 - b, 0). CMYK becomes
        // sRGB through the press profile, unless the page maps it through a profile of its own.
        const QImage inks = small.convertToFormat(QImage::Format_RGBA8888);
        row("inverted CMYK", atFiveCm, {image(inks, false, "/Decode [1 0 1 0 1 0 1 0]")},
            {"295 295 rgb jpeg"});
        row("CMYK JPEG", atFiveCm, {image(small, true)}, {"295 295 rgb jpeg"}, "CMYK");
        row("CMYK JPEG below", "q 500 0 0 500 50 300 cm /X6 Do Q " + Text, {image(small, true)},
            {"1000 1000 rgb jpeg"}, "CMYK");
        QFile press("/usr/share/color/icc/ghostscript/default_cmyk.icc");
        row("CMYK with the page's own profile", atFiveCm,
            {image(inks), {"/N 4", press.open(QIODevice::ReadOnly) ? press.readAll() : "none"}},
            {"295 295 cmyk jpeg"}, "DefaultCMYK");
        row("ICC-based, profile dropped", atFiveCm, {image(small, true)}, {"295 295 rgb jpeg"},
            "UseDeviceIndependentColor");
        row("sRGB profile by another name", atFiveCm, {image(photo(200), true)}, {"= rgb"},
            "UseDeviceIndependentColor");
        row("unreadable profile", atFiveCm,
            {image(photo(200), true, "", "[/ICCBased 7 0 R]"), {"/N 3", "no profile"}}, {"="});
        row("lossless photo below", atFiveCm,
            {image(photo(200).convertToFormat(QImage::Format_RGB888))}, {"200 200 rgb jpeg"});
        row("JPEG 2000", atFiveCm, {jpx(small, dir.path())}, {"295 295 rgb jpeg"});
        row("JPEG 2000, cut short", atFiveCm, {jpx(small, dir.path(), 4000)}, {"="});
        row("soft mask", atFiveCm,
            {image(small, true, "/SMask 7 0 R"),
             image(small.convertToFormat(QImage::Format_Grayscale8))},
            {"295 295 rgb jpeg", "295 295 gray image"});
        row("few colours stay lossless", atFiveCm, {image(dots)}, {"295 295 rgb image"});
        const QImage greys = small.convertToFormat(QImage::Format_Grayscale8);
        row("grey photo stored as RGB", atFiveCm,
            {image(greys.convertToFormat(QImage::Format_RGB888))}, {"295 295 rgb jpeg"});
        row("text only", Text, {}, {});
    }

    void resamplesImagesShownTooFine()
    {
        QFETCH(QByteArray, content);
        QFETCH(QList<Obj>, objects);
        QFETCH(QByteArrayList, expected);
        QFETCH(QString, colours);
        const QString made = dir.filePath("made.pdf"), out = dir.filePath("out.pdf");
        const bool converted = !colours.isEmpty() && colours != "DefaultCMYK";
        const QString in = converted ? dir.filePath("in.pdf") : made;
        QVERIFY(writeRawPdf(made, content, objects, {}, {},
                            converted || colours.isEmpty()
                                ? ""
                                : "/ColorSpace << /DefaultCMYK [/ICCBased 7 0 R] >>"));
        if (converted)
            bytesOf("gs",
                    {"-q", "-dSAFER", "-sDEVICE=pdfwrite", "-o", in,
                     "-dProcessColorModel=/Device" + QString(colours == "CMYK" ? "CMYK" : "RGB"),
                     "-sColorConversionStrategy=" + colours, made});
        PdfImageCompressor compressor({150, 75});
        QVERIFY2(compress(in, out, &compressor), qPrintable(compressor.errorString()));
        QVERIFY(qpdfCheckClean(out));

        const QList<QByteArrayList> before = imageRows(in), after = imageRows(out);
        QCOMPARE(after.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            const bool same = expected[i].startsWith('=');
            QByteArrayList want = same ? before[i] : expected[i].split(' ');
            if (same && expected[i].size() > 2)
                want[2] = expected[i].mid(2);
            for (int k : {0, 1})
                QVERIFY2(qAbs(after[i][k].toInt() - want[k].toInt()) <= (same ? 0 : 2),
                         after[i].join(' '));
            QCOMPARE(after[i].mid(2, 2), want.mid(2, 2));
            if (same)
                QCOMPARE(bytesOf("qpdf", {"--show-object=" + after[i][4], "--filtered-stream-data",
                                          "--decode-level=all", out}),
                         bytesOf("qpdf", {"--show-object=" + before[i][4], "--filtered-stream-data",
                                          "--decode-level=all", in}));
        }
        QVERIFY(bytesOf("pdftotext", {out, "-"}).simplified().contains(Words));
        const bool changed = !expected.isEmpty() && !expected[0].startsWith('=');
        const qint64 inSize = QFileInfo(in).size(), outSize = QFileInfo(out).size();
        QVERIFY2(changed ? outSize < inSize / 2 : outSize <= inSize, qPrintable(n(outSize)));
        // Poppler shows the same page, inks and profiles included; inks made sRGB look as a
        // colour-managed reader showed them.
        const bool inksConverted = changed && before[0][2] == "cmyk" && after[0][2] == "rgb";
        QVERIFY(sameImage(cells(in, inksConverted), cells(out), 0, 19));
    }

    // A drawing program's data, thumbnails and the XMP of parts go; the document's XMP stays.
    void dropsPrivateData()
    {
        const QString in = dir.filePath("in.pdf"), out = dir.filePath("out.pdf");
        const Obj form{"/Subtype /Form /BBox [0 0 9 9] /PieceInfo << /App << /Private 9 0 R >> >> "
                       "/Metadata 9 0 R",
                       "0 0 9 9 re f"};
        const Obj xmp{"/Subtype /XML", "<x:xmpmeta>document</x:xmpmeta>"};
        const Obj own{"", "private bytes"};
        QVERIFY(writeRawPdf(
            in, "/X6 Do q 9 0 0 9 0 0 cm /X7 Do Q " + Text,
            {form, image(photo(8), false, "/Metadata 9 0 R"), xmp, own, image(photo(4))},
            "/PieceInfo << /App << /Private 9 0 R >> >> /Thumb 10 0 R", "/Metadata 8 0 R"));
        PdfImageCompressor compressor;
        QVERIFY(compress(in, out, &compressor) && qpdfCheckClean(out));
        const QByteArray qdf = bytesOf("qpdf", {"--qdf", "--object-streams=disable", out, "-"});
        for (const char *gone : {"/PieceInfo", "/Thumb", "private bytes"})
            QVERIFY2(!qdf.contains(gone), gone);
        QCOMPARE(qdf.count("/Metadata"), 1);
        QVERIFY(qdf.contains("document</x:xmpmeta>"));
    }

    void failsCleanly_data()
    {
        QTest::addColumn<QString>("input");
        QTest::newRow("damaged, repairable") << "raw";
        QTest::newRow("not a PDF") << "junk";
    }

    // Nothing written unless it succeeds; then the file is sound.
    void failsCleanly()
    {
        QFETCH(QString, input);
        const bool succeeds = input == "raw";
        const QString in = dir.filePath("text.pdf"), out = dir.filePath("out.pdf");
        QVERIFY(writeRawPdf(in, Text, {}) && (input != "junk" || writeFile(in, "not a PDF")));
        PdfImageCompressor compressor;
        QCOMPARE(compress(input == "raw" ? in + ".raw" : in, out, &compressor), succeeds);
        QCOMPARE(compressor.errorString().isEmpty(), succeeds);
        QCOMPARE(QFileInfo(out).size() > 0, succeeds);
        QVERIFY(!succeeds || qpdfCheckClean(out));
    }
};

QTEST_MAIN(TestPdfImageCompressor)
#include "tst_pdfimagecompressor.moc"
