// Keep Text merge: pages copied as they are, against
// `qpdf --empty --pages <inputs> -- out.pdf` on the same inputs. Every run is a
// child process of its own so that its peak memory is its own; every figure
// is the median of five runs. Processor time (user and system) is printed
// beside the elapsed time, which other work on the machine disturbs more.
// Below each input: the links that lead to a page of the file, the outline
// items that do, and the pages with a label, in the sources and in each
// output, all counted from what `qpdf --json` reads.
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
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>

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

// What a reader can follow in a file.
struct Navigation
{
    int links = 0; // internal links that lead to a page of the file
    int deadLinks = 0;
    int bookmarks = 0; // outline items that lead to a page
    int labels = 0;    // pages with a label

    Navigation &operator+=(const Navigation &o)
    {
        links += o.links, deadLinks += o.deadLinks, bookmarks += o.bookmarks, labels += o.labels;
        return *this;
    }
};

// Reads a file's objects as qpdf writes them out in JSON, and follows
// destinations as a reader does: explicit, or named in the name tree or the
// older dictionary of names.
class JsonReader
{
public:
    explicit JsonReader(const QString &pdf)
    {
        QProcess qpdf;
        qpdf.start("qpdf",
                   {"--json", "--json-key=pages", "--json-key=outlines", "--json-key=qpdf", pdf});
        qpdf.waitForFinished(-1);
        json = QJsonDocument::fromJson(qpdf.readAllStandardOutput()).object();
        objects = json["qpdf"].toArray().at(1).toObject();
        for (const QJsonValue page : json["pages"].toArray())
            pages.insert(page["object"].toString());
        const QJsonObject root =
            object(object(objects.value("trailer")["value"])["/Root"]).toObject();
        readNames(object(root["/Names"])["/Dests"], 0);
        const QJsonObject dests = object(root["/Dests"]).toObject();
        for (auto i = dests.begin(); i != dests.end(); ++i)
            names.insert(i.key(), i.value());
    }

    Navigation count()
    {
        Navigation n;
        for (const QJsonValue page : json["pages"].toArray()) {
            n.labels += !page["label"].isNull();
            for (const QJsonValue a : object(object(page["object"])["/Annots"]).toArray()) {
                const QJsonObject link = object(a).toObject();
                const QJsonObject action = object(link["/A"]).toObject();
                if (link["/Subtype"] != "/Link" ||
                    (!link.contains("/Dest") && action["/S"] != "/GoTo"))
                    continue;
                const bool works =
                    leadsToPage(link.contains("/Dest") ? link["/Dest"] : action["/D"]);
                (works ? n.links : n.deadLinks)++;
            }
        }
        const std::function<void(const QJsonArray &)> items = [&](const QJsonArray &list) {
            for (const QJsonValue item : list) {
                n.bookmarks += leadsToPage(item["dest"]);
                items(item["kids"].toArray());
            }
        };
        items(json["outlines"].toArray());
        return n;
    }

private:
    QJsonValue object(QJsonValue v) const
    {
        static const QRegularExpression reference("^\\d+ \\d+ R$");
        for (int i = 0; i < 32 && reference.match(v.toString()).hasMatch(); ++i)
            v = objects.value("obj:" + v.toString())["value"];
        return v;
    }

    void readNames(QJsonValue node, int depth)
    {
        node = object(node);
        if (!node.isObject() || depth > 64)
            return;
        const QJsonArray pairs = object(node["/Names"]).toArray();
        for (int i = 0; i + 1 < pairs.size(); i += 2)
            names.insert(pairs[i].toString(), pairs[i + 1]);
        for (const QJsonValue kid : object(node["/Kids"]).toArray())
            readNames(kid, depth + 1);
    }

    bool leadsToPage(QJsonValue dest) const
    {
        dest = object(dest);
        if (dest.isString())
            dest = object(names.value(dest.toString()));
        if (dest.isObject())
            dest = object(dest["/D"]);
        return pages.contains(dest.toArray().at(0).toString());
    }

    QJsonObject json;
    QJsonObject objects;
    QSet<QString> pages;
    QHash<QString, QJsonValue> names;
};

Navigation navigationOf(const QStringList &pdfs)
{
    Navigation n;
    for (const QString &pdf : pdfs)
        n += JsonReader(pdf).count();
    return n;
}

QString navigationText(const QString &label, const Navigation &n, const Navigation &source)
{
    return QString("  %1 links %2 of %3 (%4 dead), bookmarks %5 of %6, labelled pages %7 of %8\n")
        .arg(label, -22)
        .arg(n.links)
        .arg(source.links)
        .arg(n.deadLinks)
        .arg(n.bookmarks)
        .arg(source.bookmarks)
        .arg(n.labels)
        .arg(source.labels);
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
        if (i + 1 < kRepeats) // the last one is read for its links
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
        const Navigation source = navigationOf(inputs);
        out << navigationText("ours:", navigationOf({dir.filePath("ours.pdf")}), source)
            << navigationText("qpdf --empty --pages:", navigationOf({dir.filePath("qpdf.pdf")}),
                              source);
        QFile::remove(dir.filePath("ours.pdf"));
        QFile::remove(dir.filePath("qpdf.pdf"));
        out.flush();
    }
    out << "\nRatios are ours / qpdf's: elapsed and processor time, output bytes and peak "
           "resident memory; targets 1.0, 1.1 and 2.0 at most.\n";
    return 0;
}
