// Keep Text merge: pages copied as they are, against
// `qpdf --empty --pages <inputs> -- out.pdf` on the same inputs. Every run is a
// child process of its own so that its peak memory is its own; every figure
// is the median of five runs. Processor time (user and system) is printed
// beside the elapsed time, which other work on the machine disturbs more.
//
//   bench_keeptext [file.pdf ...]   (a generated 1500-page document, then each
//                                    file given, then all of them together)

#include "BenchFigures.h"
#include "PageAssembler.h"
#include "PdfFixtures.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kGeneratedPages = 1500;
constexpr int kRepeats = 5;

// Counted by a child process, so that reading the inputs twice does not
// count towards the merge's memory.
int pageCount(const QString &pdf)
{
    QProcess qpdf;
    qpdf.start("qpdf", {"--show-npages", pdf});
    qpdf.waitForFinished(-1);
    return qpdf.readAllStandardOutput().trimmed().toInt();
}

// Child: our merge of every page of the inputs.
int runOurs(const QString &out, const QStringList &inputs)
{
    QList<PageRef> pages;
    for (const QString &input : inputs)
        for (int n = 1, count = pageCount(input); n <= count; ++n)
            pages.append({input, n, 0, false});
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    const OutputResult result = PageAssembler::write(pages, out, {}, {});
    Figures f;
    f.seconds = timer.nsecsElapsed() / 1e9;
    f.cpuSeconds = cpuSeconds() - cpuBefore;
    f.bytes = result.written ? QFileInfo(out).size() : 0;
    f.peakKb = ownPeakKb();
    print(f);
    return result.written && result.pictures == 0 ? 0 : 1;
}

// Child: the command-line tool on the same inputs.
int runReference(const QString &out, const QStringList &inputs)
{
    QElapsedTimer timer;
    timer.start();
    QProcess::execute("qpdf", QStringList{"--empty", "--pages"} + inputs + QStringList{"--", out});
    Figures f;
    f.seconds = timer.nsecsElapsed() / 1e9;
    f.cpuSeconds = cpuSeconds(RUSAGE_CHILDREN);
    f.bytes = QFileInfo(out).size();
    f.peakKb = childrenPeakKb(); // the tool only, not this launcher
    print(f);
    return 0;
}

Figures measure(const QString &mode, const QString &out, const QStringList &inputs)
{
    QList<Figures> runs;
    for (int i = 0; i < kRepeats; ++i) {
        const Figures f = measureChild(QStringList{mode, out} + inputs);
        if (f.bytes == 0)
            return Figures();
        runs.append(f);
        QFile::remove(out);
    }
    // Each figure's median on its own.
    const auto median = [&runs](auto field) {
        QList<double> values;
        for (const Figures &f : runs)
            values.append(double(f.*field));
        std::sort(values.begin(), values.end());
        return values[kRepeats / 2];
    };
    return {median(&Figures::seconds), qint64(median(&Figures::bytes)),
            qint64(median(&Figures::peakKb)), median(&Figures::cpuSeconds)};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() >= 2 && args[0] == "--ours")
        return runOurs(args[1], args.mid(2));
    if (args.size() >= 2 && args[0] == "--reference")
        return runReference(args[1], args.mid(2));

    QTemporaryDir dir;
    const QString generated = dir.filePath("generated.pdf");
    if (!PdfFixtures::writePdf(generated, kGeneratedPages)) {
        std::fprintf(stderr, "could not write the generated document\n");
        return 1;
    }
    QList<QPair<QString, QStringList>> cases{
        {QString("generated %1 pages").arg(kGeneratedPages), {generated}}};
    QStringList readable;
    for (const QString &file : args) {
        if (pageCount(file) > 0)
            readable << QFileInfo(file).absoluteFilePath();
        else
            std::printf("skipped %s: qpdf cannot read it without help\n", qPrintable(file));
    }
    for (const QString &file : readable)
        cases.append({QFileInfo(file).fileName(), {file}});
    if (readable.size() > 1)
        cases.append({QString("all %1 files").arg(readable.size()), readable});

    QTextStream out(stdout);
    out << QString("%1 %2 %3 %4 %5 %6  %7 %8 %9 %10\n")
               .arg("input", -40)
               .arg("pages", 6)
               .arg("pages/s", 8)
               .arg("cpu p/s", 8)
               .arg("bytes", 10)
               .arg("peak MB", 8)
               .arg("time x", 6)
               .arg("cpu x", 6)
               .arg("size x", 6)
               .arg("memory x", 8);
    for (const auto &[name, inputs] : cases) {
        int pages = 0;
        for (const QString &input : inputs)
            pages += pageCount(input);
        const Figures ours = measure("--ours", dir.filePath("ours.pdf"), inputs);
        const Figures qpdf = measure("--reference", dir.filePath("qpdf.pdf"), inputs);
        const auto ratio = [](double a, double b) {
            return QString::number(a / qMax(b, 1e-6), 'f', 2);
        };
        auto line = [&](const QString &label, const Figures &f, const Figures *versus) {
            QString text = QString("%1 %2 %3 %4 %5 %6")
                               .arg(label.left(40), -40)
                               .arg(pages, 6)
                               .arg(pages / qMax(f.seconds, 1e-6), 8, 'f', 0)
                               .arg(pages / qMax(f.cpuSeconds, 1e-6), 8, 'f', 0)
                               .arg(f.bytes, 10)
                               .arg(f.peakKb / 1024.0, 8, 'f', 1);
            if (versus)
                text += QString("  %1 %2 %3 %4")
                            .arg(ratio(f.seconds, versus->seconds), 6)
                            .arg(ratio(f.cpuSeconds, versus->cpuSeconds), 6)
                            .arg(ratio(f.bytes, versus->bytes), 6)
                            .arg(ratio(f.peakKb, versus->peakKb), 8);
            out << text << "\n";
        };
        if (ours.bytes == 0)
            out << name << ": our merge failed or drew pages as pictures\n";
        line(name, ours, &qpdf);
        line("  qpdf --empty --pages", qpdf, nullptr);
        out.flush();
    }
    out << "\nRatios are ours / qpdf's: elapsed and processor time, output bytes and peak "
           "resident memory; targets 1.0, 1.1 and 2.0 at most.\n";
    return 0;
}
