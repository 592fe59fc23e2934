// Compression that keeps text, as the Compress command runs it with Keep
// Text checked at 150 dpi (every page copied, then the pictures shrunk),
// against Ghostscript's pdfwrite with /ebook settings (150 dpi images), on the
// PDFs given, or on every PDF of the shared corpus, and on documents made at
// run time from the corpus's photo scan: a CMYK copy carrying a drawing
// program's private data and thumbnails, a copy with ICC colour, and scanned
// documents of four pages (colour and grey JPEG, lossless, JPEG 2000 photos,
// and JPEG 2000 text from the R manual). Each run
// happens in a child process of its own so that its peak memory is its own.
//
//   bench_compress [file.pdf ...]

#include "BenchFigures.h"
#include "PageAssembler.h"
#include "PdfImageCompressor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPdfDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

namespace {

// Child: our compressor, or nothing at all for the baseline.
int runOurs(const QString &in, const QString &out)
{
    QElapsedTimer timer;
    timer.start();
    bool ok = true;
    if (!in.isEmpty()) {
        QPdfDocument document;
        document.load(in);
        QList<PageRef> pages;
        for (int page = 1; page <= document.pageCount(); ++page)
            pages.append({in, page});
        PageAssembler::Options options;
        options.title = "Compressed PDF";
        options.creator = "Quirefold v2.0";
        options.blankForMissing = true;
        options.pictureScale = 150 / 72.0;
        options.finisher = [](const QString &written, QIODevice *target, QString *error) {
            PdfImageCompressor compressor({150, PdfImageCompressor::qualityFor(150)});
            const bool done = compressor.process(written, target);
            *error = compressor.errorString();
            return done;
        };
        // The application only ever copies pages it could load.
        const OutputResult result =
            pages.isEmpty() ? OutputResult{} : PageAssembler::write(pages, out, options, {});
        ok = result.written;
        if (!ok)
            std::fprintf(stderr, "%s\n", qPrintable(result.error));
    }
    print({timer.nsecsElapsed() / 1e9, QFileInfo(out).size(), ownPeakKb(), cpuSeconds()});
    return ok ? 0 : 1;
}

// Child: the reference, measured without this launcher's own memory.
int runGhostscript(const QString &in, const QString &out)
{
    QElapsedTimer timer;
    timer.start();
    const int code =
        QProcess::execute("gs", {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite",
                                 "-dPDFSETTINGS=/ebook", "-o", out, in});
    print({timer.nsecsElapsed() / 1e9, QFileInfo(out).size(), childrenPeakKb(),
           cpuSeconds(RUSAGE_CHILDREN)});
    return code == 0 ? 0 : 1;
}

// A failed child leaves empty figures; every finished one has a peak.
bool ok(const Figures &f)
{
    return f.peakKb > 0;
}

QStringList words(const QString &pdf)
{
    QProcess tool;
    tool.start("pdftotext", {pdf, "-"});
    tool.waitForFinished(-1);
    return QString::fromUtf8(tool.readAllStandardOutput())
        .split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
}

QString cell(const Figures &f, const QString &pdf)
{
    if (!ok(f))
        return QString("%1").arg("failed", -38);
    return QString("%1 %2 %3 %4")
        .arg(f.bytes, 10)
        .arg(f.seconds, 7, 'f', 3)
        .arg(f.peakKb / 1024.0, 7, 'f', 1)
        .arg(words(pdf).size(), 8);
}

QString ratio(double ours, double theirs)
{
    return theirs > 0 ? QString::number(ours / theirs, 'f', 2) : QString("-");
}

bool ghostscript(const QString &in, const QString &out, const QStringList &options)
{
    return QProcess::execute("gs", QStringList{"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER",
                                               "-sDEVICE=pdfwrite", "-o", out} +
                                       options + QStringList{in}) == 0;
}

// What a drawing program leaves on every page: its own copy of the artwork
// (200 KB of incompressible bytes) and a thumbnail.
bool addPrivateData(const QString &in, const QString &out)
{
    QProcess qpdf;
    qpdf.start("qpdf", {"--json-output", in, "-"});
    qpdf.waitForFinished(-1);
    QJsonObject root = QJsonDocument::fromJson(qpdf.readAllStandardOutput()).object();
    QJsonArray parts = root["qpdf"].toArray();
    QJsonObject header = parts[0].toObject(), objects = parts[1].toObject();
    int last = header["maxobjectid"].toInt();
    QRandomGenerator noise(23);
    const auto newStream = [&](const QJsonObject &dict, qsizetype bytes) {
        QByteArray data(bytes, Qt::Uninitialized);
        for (char &c : data)
            c = char(noise.bounded(256));
        objects[QString("obj:%1 0 R").arg(++last)] = QJsonObject{
            {"stream", QJsonObject{{"dict", dict}, {"data", QString(data.toBase64())}}}};
        return QString("%1 0 R").arg(last);
    };
    for (const QString &key : objects.keys()) {
        QJsonObject object = objects[key].toObject();
        QJsonObject page = object["value"].toObject();
        if (page["/Type"].toString() != "/Page")
            continue;
        const QJsonObject thumb{{"/Width", 60},
                                {"/Height", 80},
                                {"/ColorSpace", "/DeviceRGB"},
                                {"/BitsPerComponent", 8}};
        page["/Thumb"] = newStream(thumb, 60 * 80 * 3);
        page["/PieceInfo"] =
            QJsonObject{{"/Illustrator", QJsonObject{{"/LastModified", "u:D:20260101"},
                                                     {"/Private", newStream({}, 200'000)}}}};
        object["value"] = page;
        objects[key] = object;
    }
    header["maxobjectid"] = last;
    root["qpdf"] = QJsonArray{header, objects};
    const QString json = out + ".json";
    QFile file(json);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0)
        return false;
    file.close();
    return QProcess::execute("qpdf", {"--json-input", json, out}) == 0;
}

int quietly(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// A scanned document of four A4 pages: pages `first` to `last` of `source`
// in turn, each filling the page as Ghostscript's `device` renders it at a
// resolution of its own near `dpi` (so that no two pictures are alike),
// stored as JPEG 2000 when the device is ppmraw, put together by img2pdf.
bool scannedPages(const QString &source, int first, int last, const QString &device, int dpi,
                  const QString &out)
{
    const QString suffix = device == "png16m" ? "png" : device == "ppmraw" ? "ppm" : "jpg";
    QStringList pictures;
    for (int i = 0; i < 4; ++i) {
        const QString picture = out + QString("-%1.%2").arg(i).arg(suffix);
        const QString page = QString::number(first + i % (last - first + 1));
        if (quietly("gs", {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-dJPEGQ=90", "-sPAPERSIZE=a4",
                           "-dFIXEDMEDIA", "-dPDFFitPage", "-sDEVICE=" + device,
                           "-r" + QString::number(dpi + 2 * i), "-dFirstPage=" + page,
                           "-dLastPage=" + page, "-o", picture, source}) != 0)
            return false;
        pictures << (suffix == "ppm" ? picture + ".jp2" : picture);
        if (suffix == "ppm" &&
            quietly("opj_compress", {"-i", picture, "-o", pictures.last(), "-r", "40"}) != 0)
            return false;
    }
    return quietly("img2pdf", QStringList{"--pagesize", "A4", "-o", out} + pictures) == 0;
}

// Documents of the kinds the corpus lacks, made from its photo scan, taken
// from the files given or else from the corpus.
QStringList madeDocuments(const QStringList &files, const QTemporaryDir &dir)
{
    const QString name = "constructed_scan-img2pdf-real-images_3p.pdf";
    QString scan = QString(QUIREFOLD_CORPUS) + "/" + name;
    for (const QString &file : files)
        if (QFileInfo(file).fileName() == name)
            scan = file;
    const QString cmyk = dir.filePath("cmyk.pdf"), drawing = dir.filePath("made_cmyk-private.pdf"),
                  icc = dir.filePath("made_icc-colour.pdf");
    QStringList made;
    if (QFileInfo::exists(scan) &&
        ghostscript(scan, cmyk,
                    {"-sColorConversionStrategy=CMYK", "-dProcessColorModel=/DeviceCMYK"}) &&
        addPrivateData(cmyk, drawing))
        made << drawing;
    if (QFileInfo::exists(scan) &&
        ghostscript(scan, icc, {"-sColorConversionStrategy=UseDeviceIndependentColor"}))
        made << icc;
    // Scanners' output: photographs on colour and grey JPEG pages at 300
    // dpi, on lossless pages near 150 dpi (from the 300 dpi photo only: the
    // others, enlarged, would look drawn) and on JPEG 2000 pages at 300 dpi,
    // and text on JPEG 2000 pages.
    const struct
    {
        const char *name, *device;
        int dpi, first;
        bool text;
    } scans[] = {{"made_scan-colour-300dpi.pdf", "jpeg", 300, 1, false},
                 {"made_scan-grey-300dpi.pdf", "jpeggray", 300, 1, false},
                 {"made_scan-lossless-150dpi.pdf", "png16m", 145, 3, false},
                 {"made_scan-jpx-300dpi.pdf", "ppmraw", 300, 1, false},
                 {"made_text-jpx-300dpi.pdf", "ppmraw", 300, 11, true}};
    const QString text = QString(QUIREFOLD_CORPUS) + "/R-intro_113p.pdf";
    for (const auto &kind : scans) {
        const QString out = dir.filePath(kind.name);
        const QString source = kind.text ? text : scan;
        if (QFileInfo::exists(source) &&
            scannedPages(source, kind.first, kind.text ? 13 : 3, kind.device, kind.dpi, out))
            made << out;
    }
    return made;
}

QString header()
{
    return QString("%1 %2 %3 | %4 %5 %6 %7 | %8 %9 %10 %11 | %12 %13 %14\n")
        .arg("file", -44)
        .arg("in bytes", 10)
        .arg("words", 7)
        .arg("ours B", 10)
        .arg("s", 7)
        .arg("MB", 7)
        .arg("words", 8)
        .arg("gs B", 10)
        .arg("s", 7)
        .arg("MB", 7)
        .arg("words", 8)
        .arg("bytes x", 7)
        .arg("time x", 6)
        .arg("text", 4);
}

// Sums over the files both programs wrote.
struct Totals
{
    Figures ours, theirs;
    int compared = 0, sameTexts = 0;

    QString line() const
    {
        return QString("\nTotal over the files both wrote: ours %1 B in %2 s, gs %3 B in %4 s: "
                       "bytes x %5, time x %6; text the same in %7 of %8 files we wrote.\n")
            .arg(ours.bytes)
            .arg(ours.seconds, 0, 'f', 2)
            .arg(theirs.bytes)
            .arg(theirs.seconds, 0, 'f', 2)
            .arg(ratio(ours.bytes, theirs.bytes))
            .arg(ratio(ours.seconds, theirs.seconds))
            .arg(sameTexts)
            .arg(compared);
    }
};

// Runs both programs on one file and prints their row.
void compare(const QString &file, const QString &dir, bool haveGs, QTextStream &out, Totals &totals)
{
    const QString ours = dir + "/ours.pdf";
    const QString theirs = dir + "/gs.pdf";
    QFile::remove(ours);
    QFile::remove(theirs);
    const Figures a = measureChild({"--ours", file, ours});
    const Figures b = haveGs ? measureChild({"--gs", file, theirs}) : Figures();
    const QStringList inputWords = words(file);
    const bool sameText = ok(a) && words(ours) == inputWords;
    out << QString("%1 %2 %3 | %4 | %5 | %6 %7 %8\n")
               .arg(QFileInfo(file).fileName().left(44), -44)
               .arg(QFileInfo(file).size(), 10)
               .arg(inputWords.size(), 7)
               .arg(cell(a, ours))
               .arg(ok(b) ? cell(b, theirs) : QString("%1").arg("-", -35))
               .arg(ok(a) && ok(b) ? ratio(a.bytes, b.bytes) : "-", 7)
               .arg(ok(a) && ok(b) ? ratio(a.seconds, b.seconds) : "-", 6)
               .arg(ok(a) ? (sameText ? "same" : "DIFF") : "-", 4);
    out.flush();
    if (ok(a) && ok(b)) {
        totals.ours = {totals.ours.seconds + a.seconds, totals.ours.bytes + a.bytes};
        totals.theirs = {totals.theirs.seconds + b.seconds, totals.theirs.bytes + b.bytes};
    }
    totals.compared += ok(a);
    totals.sameTexts += sameText;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == "--ours")
        return runOurs(args[2], args[3]);
    if (args.size() == 4 && args[1] == "--gs")
        return runGhostscript(args[2], args[3]);

    args.removeFirst();
    if (args.isEmpty())
        for (const QFileInfo &info :
             QDir(QUIREFOLD_CORPUS).entryInfoList({"*.pdf"}, QDir::Files, QDir::Name))
            args << info.filePath();
    const bool haveGs = !QStandardPaths::findExecutable("gs").isEmpty();
    QTemporaryDir dir;
    args << madeDocuments(args, dir); // none without Ghostscript
    QTextStream out(stdout);
    const Figures idle = measureChild({"--ours", "", dir.filePath("idle.pdf")});
    out << "Peak of an idle child with the toolkit loaded: "
        << QString::number(idle.peakKb / 1024.0, 'f', 1) << " MB"
        << (haveGs ? "" : "; gs not found, no reference") << "\n\n";
    out << header();
    Totals totals;
    for (const QString &file : args)
        compare(file, dir.path(), haveGs, out, totals);
    out << totals.line();
    out << "\nRatios are ours / Ghostscript's: below 1 is smaller or faster. \"text\": our "
           "output's pdftotext words equal the input's.\n";
    return 0;
}
