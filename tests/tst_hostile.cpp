// Damaged PDFs, made from fixtures by a seeded generator, go through what a
// user does with a file: load it into the grid, then Keep Text merge, Keep
// Text compress and the picture merge. Each variant runs in a child process
// (this program with --variant FILE), so a crash or a hang is one failed row.
// A failing variant is kept in hostile-failures/ beside the test, named by its
// seed; `tst_hostile --variant FILE` replays it.
//
// QUIREFOLD_HOSTILE_SEED and QUIREFOLD_HOSTILE_VARIANTS change the run.

#include "MainWindow.h"
#include "OutputBackend.h"
#include "PageRenderer.h"
#include "PdfFixtures.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

namespace {

constexpr int kTimeoutMs = 240000; // a hang, not a slow sanitized run

QByteArray jpegPicture()
{
    QImage image(96, 64, QImage::Format_RGB32);
    QRandomGenerator noise(7);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 2, y * 3, int(noise.bounded(256))));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 80);
    return bytes;
}

QByteArray flate(const QByteArray &raw)
{
    return qCompress(raw).mid(4); // qCompress puts the length before the zlib stream
}

// Two pages written out by hand, so that every structure a variant damages is
// plain text: text, a JPEG picture, a Flate picture with a soft mask, nested
// outline entries, a named destination, explicit, named and web links, page
// labels and a form field.
QByteArray handWrittenPdf()
{
    QByteArray rgb, alpha;
    for (int i = 0; i < 32 * 32; ++i) {
        rgb += char(i % 32 * 8) + QByteArray(1, char(i / 32 * 8)) + char(128);
        alpha += char(i % 32 * 8);
    }
    const QByteArray jpeg = jpegPicture();
    const auto stream = [](const QByteArray &dict, const QByteArray &data) {
        return "<< " + dict + " /Length " + QByteArray::number(data.size()) + " >>\nstream\n" +
               data + "\nendstream";
    };
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R /Outlines 10 0 R /Names << /Dests 13 0 R >> "
        "/PageLabels << /Nums [0 << /S /r >> 1 << /S /D /P (A-) >>] >> /AcroForm << /Fields "
        "[16 0 R] /DA (/Helv 10 Tf 0 g) /DR << /Font << /Helv 5 0 R >> >> >> >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Resources << /Font << /F1 5 0 R "
        ">> /XObject << /Im1 6 0 R /Im2 7 0 R >> >> /Contents 9 0 R /Annots [11 0 R 12 0 R 14 0 "
        "R 16 0 R] >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Rotate 90 /Resources << /Font << "
        "/F1 5 0 R >> /XObject << /Im1 6 0 R >> >> /Contents 15 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        stream("/Type /XObject /Subtype /Image /Width 96 /Height 64 /ColorSpace /DeviceRGB "
               "/BitsPerComponent 8 /Filter /DCTDecode",
               jpeg),
        stream("/Type /XObject /Subtype /Image /Width 32 /Height 32 /ColorSpace /DeviceRGB "
               "/BitsPerComponent 8 /SMask 8 0 R /Filter /FlateDecode",
               flate(rgb)),
        stream("/Type /XObject /Subtype /Image /Width 32 /Height 32 /ColorSpace /DeviceGray "
               "/BitsPerComponent 8 /Filter /FlateDecode",
               flate(alpha)),
        stream("", "BT /F1 18 Tf 30 350 Td (Hostile input) Tj ET q 120 0 0 80 30 200 cm /Im1 Do "
                   "Q q 100 0 0 100 160 200 cm /Im2 Do Q"),
        "<< /Type /Outlines /First 17 0 R /Last 18 0 R /Count 3 >>",
        "<< /Type /Annot /Subtype /Link /Rect [30 340 200 370] /Dest [4 0 R /Fit] >>",
        "<< /Type /Annot /Subtype /Link /Rect [30 200 150 280] /Dest (second) >>",
        "<< /Names [(second) [4 0 R /XYZ 0 400 0]] >>",
        "<< /Type /Annot /Subtype /Link /Rect [160 200 260 300] /A << /S /URI /URI "
        "(https://example.org/) >> >>",
        stream("", "BT /F1 24 Tf 40 300 Td (Second page) Tj ET q 200 0 0 120 40 100 cm /Im1 Do Q"),
        "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (value) /Rect [30 100 200 130] "
        "/DA (/Helv 10 Tf 0 g) /P 3 0 R /F 4 >>",
        "<< /Title (Start) /Parent 10 0 R /Next 18 0 R /First 19 0 R /Last 19 0 R /Count 1 /Dest "
        "[3 0 R /XYZ 0 400 0] >>",
        "<< /Title (Second) /Parent 10 0 R /Prev 17 0 R /A << /S /GoTo /D [4 0 R /Fit] >> >>",
        "<< /Title (Pictures) /Parent 17 0 R /Dest (second) >>",
    };
    QByteArray pdf = "%PDF-1.7\n%\xe2\xe3\xcf\xd3\n";
    QList<int> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets << int(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const int xref = int(pdf.size());
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

// Text, a web link and pictures as Qt writes them: compressed content and a
// soft mask of its own making.
void writeQtPdf(const QString &path)
{
    QPdfWriter writer(path);
    writer.setResolution(96);
    QPainter painter(&writer);
    QTextDocument text;
    text.setHtml("<p>Written by Qt <a href=\"https://example.org/\">link</a></p>");
    text.drawContents(&painter);
    QImage picture = QImage::fromData(jpegPicture()).convertToFormat(QImage::Format_ARGB32);
    painter.drawImage(QRect(40, 200, 300, 200), picture);
    picture.fill(QColor(200, 30, 30, 120));
    writer.newPage();
    painter.drawImage(QRect(40, 40, 200, 200), picture);
    painter.drawText(60, 400, "Second");
}

// One damage, chosen and placed by the generator.
QByteArray damaged(QByteArray bytes, QRandomGenerator &random)
{
    const auto at = [&](int size) { return int(random.bounded(qMax(1, size))); };
    static const QList<QByteArray> keywords = {
        "obj",     "endobj",    "stream", "endstream", " R",     "xref",    "trailer", "startxref",
        "/Type",   "/Page",     "/Pages", "/Kids",     "/Count", "/Parent", "/Length", "/Filter",
        "/SMask",  "/Outlines", "/First", "/Next",     "/Dest",  "/Annots", "/Names",  "/Nums",
        "/Fields", "<<",        ">>",     "[",         "]",      "/W",      "/Index",  "/Prev"};
    static const QList<QByteArray> numbers = {"0",          "-1",          "1",  "2147483647",
                                              "4294967296", "-2147483648", "99", "1e308"};
    switch (random.bounded(5)) {
    case 0: // bytes flipped
        for (int n = 1 + at(8); n > 0; --n)
            bytes[at(bytes.size())] = char(random.bounded(256));
        return bytes;
    case 1: // truncated
        return bytes.left(bytes.size() * (20 + at(78)) / 100);
    case 2: { // a chunk repeated elsewhere
        const int from = at(bytes.size()), length = 1 + at(2048);
        return bytes.insert(at(bytes.size()), bytes.mid(from, length));
    }
    case 3: { // numbers swapped for extreme ones
        static const QRegularExpression number("(?<![\\w.])\\d+(?![\\w.])");
        for (int n = 1 + at(4); n > 0; --n) {
            QList<QRegularExpressionMatch> found;
            auto it = number.globalMatch(QString::fromLatin1(bytes));
            while (it.hasNext())
                found << it.next();
            if (found.isEmpty())
                break;
            const auto &m = found[at(int(found.size()))];
            bytes.replace(m.capturedStart(), m.capturedLength(), numbers[at(int(numbers.size()))]);
        }
        return bytes;
    }
    default: // keywords swapped for others
        for (int n = 1 + at(3); n > 0; --n) {
            const QByteArray &from = keywords[at(int(keywords.size()))];
            const int first = int(bytes.indexOf(from));
            if (first < 0)
                continue;
            const int hit = int(bytes.indexOf(from, at(bytes.size() - first) + first));
            bytes.replace(hit < 0 ? first : hit, from.size(), keywords[at(int(keywords.size()))]);
        }
        return bytes;
    }
}

// What went wrong with one output, or nothing. A failure that is reported
// and leaves no file is sound behaviour; for a file that loaded it still
// loses pages, so it counts too.
QString verdict(const OutputResult &result, const QString &file, int pages)
{
    const bool exists = QFileInfo::exists(file);
    if (!result.written)
        return exists ? "reported a failure, yet left a file"
                      : "failed: " + result.error + " (no page should be lost)";
    if (!exists)
        return "reported success, but wrote no file";
    const int written = PdfFixtures::pdfinfoPages(file);
    return written == pages ? QString() : QString("%1 pages of %2").arg(written).arg(pages);
}

// The child's work: prints one line per step, "FAULT" where one went wrong.
int runVariant(const QString &path)
{
    QTextStream out(stdout);
    {
        QPdfDocument probe;
        probe.load(path);
        // The window asks before loading more than 500 pages.
        if (probe.status() != QPdfDocument::Status::Ready || probe.pageCount() > 500) {
            out << "not loaded\n";
            return 0;
        }
    }
    MainWindow window;
    window.loadPDFPages(path);
    const QList<PageRef> pages = pageRefsOf(window.pages());
    out << "loaded " << pages.size() << " pages\n";
    if (pages.isEmpty())
        return 0;

    QTemporaryDir dir;
    const auto report = [&](const char *step, const OutputResult &result, const QString &file) {
        const QString problem = verdict(result, file, int(pages.size()));
        out << step << (problem.isEmpty() ? ": ok" : ": FAULT " + problem) << "\n";
        out.flush();
    };
    const auto copying = OutputBackend::choose(true);
    const QString copied = dir.filePath("copied.pdf");
    report("keep text merge", copying->merge(pages, copied, {}, {}), copied);
    OutputBackend::SheetJob compress;
    compress.sheets.dpi = 72;
    compress.shrinkPictures = true;
    const QString small = dir.filePath("compressed.pdf");
    report("keep text compress", copying->writeSheets(pages, small, compress, {}), small);
    const QString pictures = dir.filePath("pictures.pdf");
    report("picture merge", OutputBackend::choose(false)->merge(pages, pictures, {}, {}), pictures);
    return 0;
}

} // namespace

class HostileInputTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QList<QByteArray> fixtures;
    int tried = 0, loaded = 0;

private slots:
    void cleanupTestCase() { qInfo("%d variants tried, %d of them loaded", tried, loaded); }

    void initTestCase()
    {
        QVERIFY(PdfFixtures::toolAvailable("pdfinfo") && PdfFixtures::toolAvailable("qpdf"));
        const QString hand = dir.filePath("hand.pdf"), qt = dir.filePath("qt.pdf");
        QVERIFY(PdfFixtures::writeFile(hand, handWrittenPdf()));
        writeQtPdf(qt);
        // The same document with its objects packed into compressed streams.
        const QString packed = dir.filePath("packed.pdf");
        PdfFixtures::run("qpdf", {"--object-streams=generate", hand, packed});
        for (const QString &path : {hand, qt, packed}) {
            QCOMPARE(PdfFixtures::pdfinfoPages(path), 2);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            fixtures << file.readAll();
        }
    }

    void damagedFileIsHandledSafely_data()
    {
        QTest::addColumn<quint32>("seed");
        const quint32 first = qEnvironmentVariableIsSet("QUIREFOLD_HOSTILE_SEED")
                                  ? quint32(qEnvironmentVariableIntValue("QUIREFOLD_HOSTILE_SEED"))
                                  : 20261206u;
        const int count = qEnvironmentVariableIsSet("QUIREFOLD_HOSTILE_VARIANTS")
                              ? qEnvironmentVariableIntValue("QUIREFOLD_HOSTILE_VARIANTS")
                              : 120;
        for (int i = 0; i < count; ++i)
            QTest::addRow("seed %u", first + quint32(i)) << first + quint32(i);
    }

    void damagedFileIsHandledSafely()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        QByteArray bytes = fixtures[int(seed % quint32(fixtures.size()))];
        for (int n = 1 + int(random.bounded(2)); n > 0; --n)
            bytes = damaged(bytes, random);
        const QString variant = dir.filePath(QString("variant-%1.pdf").arg(seed));
        QVERIFY(PdfFixtures::writeFile(variant, bytes));

        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--variant", variant});
        const bool finished = child.waitForFinished(kTimeoutMs);
        if (!finished)
            child.kill(), child.waitForFinished();
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
        ++tried;
        loaded += output.startsWith("loaded") ? 1 : 0;
        QString problem = !finished                                    ? "hang"
                          : child.exitStatus() != QProcess::NormalExit ? "crash"
                          : child.exitCode() != 0 ? "exit code " + QString::number(child.exitCode())
                          : output.contains("FAULT") ? "fault"
                                                     : QString();
        if (problem.isEmpty())
            return;
        const QString kept =
            QDir::current().absoluteFilePath(QString("hostile-failures/variant-%1.pdf").arg(seed));
        QDir().mkpath(QFileInfo(kept).path());
        QFile::remove(kept);
        QFile::copy(variant, kept);
        const QString errors =
            QString::fromLocal8Bit(child.readAllStandardError()).split('\n').mid(0, 40).join('\n');
        QFAIL(qPrintable(
            QString("%1 on %2 (replay: %3 --variant %2)\n%4%5")
                .arg(problem, kept, QCoreApplication::applicationFilePath(), output, errors)));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--variant") == 0)
        return runVariant(QString::fromLocal8Bit(argv[2]));
    HostileInputTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostile.moc"
