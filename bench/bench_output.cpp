// Output throughput: merge, compress at 150 dpi and split every page of a
// generated 200-page document, against a reference raster pipeline
// (pdftoppm -jpeg, then img2pdf) at the same resolution. Each run happens in a
// child process of its own so that its peak memory is its own.
//
//   bench_output [pages]

#include "BenchFigures.h"
#include "OutputJobs.h"
#include "PdfFixtures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

qint64 folderBytes(const QString &folder, const QString &pattern)
{
    qint64 total = 0;
    for (const QFileInfo &info : QDir(folder).entryInfoList({pattern}, QDir::Files))
        total += info.size();
    return total;
}

// Child: one of our operations.
int runOperation(const QString &operation, const QString &source, const QString &out)
{
    const int pages = PdfFixtures::pageCount(source);
    QList<PageRef> refs;
    for (int i = 1; i <= pages; ++i)
        refs.append({source, i, 0, false});
    QElapsedTimer timer;
    timer.start();
    Figures f;
    if (operation == "idle") {
        // Nothing: the baseline of a process with the toolkit loaded.
    } else if (operation == "merge") {
        OutputJobs::merge(refs, out + "/merged.pdf", {}, {});
        f.bytes = QFileInfo(out + "/merged.pdf").size();
    } else if (operation == "compress") {
        OutputJobs::SheetOptions options;
        options.dpi = 150;
        options.scale = 150 / 72.0;
        OutputJobs::writeSheets(refs, out + "/compressed.pdf", options, {});
        f.bytes = QFileInfo(out + "/compressed.pdf").size();
    } else {
        OutputJobs::splitPages(
            refs,
            [out](int n, const PageRef &) {
                return QString("%1/doc_sayfa_%2.pdf").arg(out).arg(n, 3, 10, QChar('0'));
            },
            {});
        f.bytes = folderBytes(out, "*.pdf");
    }
    f.seconds = timer.elapsed() / 1000.0;
    f.peakKb = ownPeakKb();
    print(f);
    return 0;
}

// Child: the reference pipeline at `dpi`.
int runReference(int dpi, const QString &source, const QString &out)
{
    QElapsedTimer timer;
    timer.start();
    QProcess::execute("pdftoppm", {"-jpeg", "-r", QString::number(dpi), source, out + "/p"});
    QStringList images;
    for (const QString &name : QDir(out).entryList({"p-*.jpg"}, QDir::Files, QDir::Name))
        images << out + "/" + name;
    QProcess::execute("img2pdf", images + QStringList{"-o", out + "/reference.pdf"});
    Figures f;
    f.seconds = timer.elapsed() / 1000.0;
    f.bytes = QFileInfo(out + "/reference.pdf").size();
    f.peakKb = childrenPeakKb(); // the tools only, not this launcher
    print(f);
    return 0;
}

Figures measure(const QStringList &arguments)
{
    return measureChild(arguments);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == "--run")
        return runOperation(args[2], args[3], args[4]);
    if (args.size() == 5 && args[1] == "--reference")
        return runReference(args[2].toInt(), args[3], args[4]);

    const int pages = args.size() > 1 ? args[1].toInt() : 200;
    QTemporaryDir dir;
    const QString source = dir.filePath("source.pdf");
    if (!PdfFixtures::writePdf(source, pages)) {
        std::fprintf(stderr, "could not write the source document\n");
        return 1;
    }
    QTextStream out(stdout);
    out << "Source: " << pages << " generated A4 pages, " << QFileInfo(source).size()
        << " bytes\n\n";
    QTemporaryDir idle(dir.filePath("idle-XXXXXX"));
    const Figures baseline = measure({"--run", "idle", source, idle.path()});
    out << "Baseline peak of an idle process with the toolkit loaded: "
        << QString::number(baseline.peakKb / 1024.0, 'f', 1) << " MB\n\n";
    out << QString("%1 %2 %3 %4  %5 %6 %7\n")
               .arg("operation", -20)
               .arg("pages/s", 9)
               .arg("bytes/page", 11)
               .arg("peak MB", 8)
               .arg("speed x", 8)
               .arg("size x", 7)
               .arg("memory x", 9);

    struct Run
    {
        QString operation;
        int dpi;
    };
    const QList<Run> runs{{"merge", 180}, {"compress", 150}, {"split", 144}};
    for (const Run &run : runs) {
        QTemporaryDir ours(dir.filePath("ours-XXXXXX"));
        QTemporaryDir theirs(dir.filePath("reference-XXXXXX"));
        const Figures a = measure({"--run", run.operation, source, ours.path()});
        const Figures b = measure({"--reference", QString::number(run.dpi), source, theirs.path()});
        auto line = [&](const QString &name, const Figures &f, const Figures *versus) {
            QString text = QString("%1 %2 %3 %4")
                               .arg(name, -20)
                               .arg(pages / qMax(f.seconds, 1e-9), 9, 'f', 1)
                               .arg(f.bytes / pages, 11)
                               .arg(f.peakKb / 1024.0, 8, 'f', 1);
            if (versus)
                text += QString("  %1 %2 %3")
                            .arg((pages / f.seconds) / (pages / versus->seconds), 8, 'f', 2)
                            .arg(double(f.bytes) / versus->bytes, 7, 'f', 2)
                            .arg(double(f.peakKb) / versus->peakKb, 9, 'f', 2);
            out << text << "\n";
        };
        line(run.operation, a, &b);
        line(QString("  reference %1 dpi").arg(run.dpi), b, nullptr);
        out.flush();
    }
    out << "\nRatios are ours / reference: speed above 1 is faster, size and memory above 1 are "
           "larger.\n";
    return 0;
}
