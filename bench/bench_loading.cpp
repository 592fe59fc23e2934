// A large workspace: loading a generated document into the window, the first
// grid build, and every workspace command on it, each timed from the command
// (or the answer to its question box) until deleted tiles are gone, the grid is
// laid out and painted. pdftoppm renders the same pages at the same scale in
// the same run for scale. Each figure is the median of several runs, printed
// next to its target, with the resident memory over undo/redo cycles.
//
// Usage: bench_loading [pages] [runs] [undo/redo cycles] [--no-reference]
//        (defaults 1500, 5, 10)
//
// Under valgrind --tool=callgrind --collect-atstart=no only the timed parts are
// counted, and each part is dumped on its own (callgrind.out.<pid>.<n>).

#include "BenchFigures.h"
#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define COUNT_TOGGLE() CALLGRIND_TOGGLE_COLLECT
#define COUNT_DUMP(name) CALLGRIND_DUMP_STATS_AT(name)
#else
#define COUNT_TOGGLE()
#define COUNT_DUMP(name)
#endif

namespace {

bool writeDocument(const QString &path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const QString sentence = "The quick brown fox jumps over the lazy dog; page %1, line %2.";
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        painter.setPen(QPen(Qt::darkBlue, 2));
        painter.setBrush(QColor(200, 220, 255));
        painter.drawRect(40, 40, 515, 60);
        painter.drawEllipse(QPointF(480, 700), 60, 40);
        QPainterPath curve;
        curve.moveTo(50, 760);
        curve.cubicTo(150, 650 + page % 50, 300, 820, 545, 740);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(curve);
        for (int x = 50; x < 550; x += 25)
            painter.drawLine(x, 600, x + 10, 640);
        painter.setPen(Qt::black);
        painter.setFont(QFont("DejaVu Sans", 18, QFont::Bold));
        painter.drawText(QRect(40, 40, 515, 60), Qt::AlignCenter, QString("Page %1").arg(page + 1));
        painter.setFont(QFont("DejaVu Sans", 9));
        for (int line = 0; line < 30; ++line)
            painter.drawText(50, 130 + line * 15, sentence.arg(page + 1).arg(line + 1));
    }
    return painter.end();
}

double memoryMb(const QByteArray &field)
{
    return ownMemoryKb(field) / 1024.0;
}

double median(QList<double> samples)
{
    if (samples.isEmpty())
        return -1;
    std::sort(samples.begin(), samples.end());
    const int n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

// What the user waits for after a command: deleted tiles go, the layout
// settles and the window paints what changed, as the event loop would do it;
// then the grid is painted once more, so that it is painted at least once.
void settle(MainWindow &window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    window.findChild<QScrollArea *>("scrollArea")->viewport()->repaint();
}

class Bench
{
public:
    Bench(MainWindow &window)
        : window(window)
    {}

    // Milliseconds from the call until the window is settled.
    double time(const std::function<void()> &command)
    {
        COUNT_TOGGLE();
        QElapsedTimer clock;
        clock.start();
        command();
        settle(window);
        const double ms = clock.nsecsElapsed() / 1e6;
        COUNT_TOGGLE();
        return ms;
    }

    // Milliseconds from the Yes to the question box until the window is settled.
    double timeAfterYes(const std::function<void()> &command)
    {
        QElapsedTimer clock;
        DialogHelper helper;
        helper.custom([&clock](QWidget *box) {
            COUNT_TOGGLE();
            clock.start();
            static_cast<QMessageBox *>(box)->button(QMessageBox::Yes)->click();
        });
        command();
        settle(window);
        const double ms = clock.isValid() ? clock.nsecsElapsed() / 1e6 : -1;
        if (clock.isValid())
            COUNT_TOGGLE();
        if (!helper.done())
            std::fprintf(stderr, "unexpected dialog: %s\n", qPrintable(helper.problems()));
        return ms;
    }

    PageWidget *tile(int i) const { return window.pages().at(i); }

    MainWindow &window;
};

struct Row
{
    const char *name;
    QList<double> samples;
    double target;
    bool atMost = true;
    const char *unit = "ms";
};

void printRow(const Row &row)
{
    const double value = median(row.samples);
    const bool met = row.atMost ? value <= row.target : value >= row.target;
    QString spread;
    if (row.samples.size() > 1)
        spread = QString("%1-%2")
                     .arg(*std::min_element(row.samples.cbegin(), row.samples.cend()), 0, 'f', 1)
                     .arg(*std::max_element(row.samples.cbegin(), row.samples.cend()), 0, 'f', 1);
    std::printf("%-34s %10.2f %-4s %2s %8.2f %-4s %-6s n=%-3lld %s\n", row.name, value, row.unit,
                row.atMost ? "<=" : ">=", row.target, row.unit, met ? "met" : "MISSED",
                static_cast<long long>(row.samples.size()), qPrintable(spread));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool reference = !args.removeAll("--no-reference");
    const int pages = args.value(0, "1500").toInt();
    const int runs = qMax(1, args.value(1, "5").toInt());
    const int cycles = qMax(1, args.value(2, "10").toInt());

    QTemporaryDir dir;
    const QString path = dir.filePath("bench.pdf");
    QElapsedTimer timer;
    timer.start();
    if (!writeDocument(path, pages)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("platform %s; generated %d pages (%lld KB) in %lld ms; %d runs each\n",
                qPrintable(QGuiApplication::platformName()), pages, QFile(path).size() / 1024,
                timer.elapsed(), runs);

    MainWindow window;
    window.show();
    settle(window);
    Bench bench(window);
    std::printf("resident memory before loading: %.0f MB\n", memoryMb("VmRSS:"));

    // Loading and the first grid build, against pdftoppm at the window's factor
    // (0.12 x 72 dpi).
    Row ours{"loading, pages/s", {}, 0, false, "p/s"};
    QList<double> ppm;
    Row build{"first grid build", {}, 300};
    for (int run = 0; run < runs; ++run) {
        if (!window.pages().isEmpty()) {
            DialogHelper helper;
            helper.messageBox(QMessageBox::Yes);
            window.clearAll();
            settle(window);
        }
        if (reference) {
            QProcess pdftoppm;
            timer.restart();
            pdftoppm.start("pdftoppm", {"-r", "8.64", "-png", path, dir.filePath("ppm")});
            if (pdftoppm.waitForFinished(-1) && pdftoppm.exitCode() == 0)
                ppm << pages / (timer.nsecsElapsed() / 1e9);
        }
        const double ms = pages > 500 ? bench.timeAfterYes([&] { window.loadPDFPages(path); })
                                      : bench.time([&] { window.loadPDFPages(path); });
        if (window.pages().size() != pages) {
            std::fprintf(stderr, "loading failed: %lld tiles\n",
                         static_cast<long long>(window.pages().size()));
            return 1;
        }
        ours.samples << pages / (ms / 1000);
        COUNT_DUMP("loading");
        build.samples << bench.time([&] { window.updatePageGrid(); });
        COUNT_DUMP("first grid build");
    }
    std::printf("resident memory after loading: %.0f MB\n", memoryMb("VmRSS:"));

    QList<Row> rows;
    auto repeat = [&](const char *name, int times, const std::function<double(int)> &sample) {
        Row row{name, {}, 100};
        for (int i = 0; i < times; ++i)
            row.samples << sample(i);
        COUNT_DUMP(name);
        rows << row;
    };
    auto *slider = window.findChild<QSlider *>("zoomSlider");
    repeat("zoom one step", 2 * runs,
           [&](int i) { return bench.time([&] { slider->setValue(i % 2 ? 100 : 110); }); });
    Row selectAll{"Select All", {}, 100};
    Row deselect{"Deselect", {}, 100};
    for (int i = 0; i < runs; ++i) {
        selectAll.samples << bench.time([&] { window.selectAll(); });
        deselect.samples << bench.time([&] { window.deselectAll(); });
    }
    COUNT_DUMP("select all and deselect");
    rows << selectAll << deselect;
    repeat("Rotate All", runs, [&](int) { return bench.time([&] { window.rotateAllPages(); }); });
    // The drag has begun and is over the target; the drop moves the page.
    repeat("drag-and-drop move", runs, [&](int i) {
        PageWidget *dragged = bench.tile(i % 2 ? pages - 3 : 2);
        PageWidget *target = bench.tile(i % 2 ? 5 : pages - 10);
        emit dragged->dragStarted(dragged);
        QMimeData mime;
        mime.setText(QString::number(dragged->getGlobalIndex()));
        QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        return bench.time([&] {
            QDropEvent drop(QPointF(5, 5), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &drop);
        });
    });
    repeat("Reverse", runs, [&](int) { return bench.time([&] { window.reverseOrder(); }); });

    // Undo and redo of the last reverse: every page moves. Memory after each cycle.
    Row undo{"Undo", {}, 100};
    Row redo{"Redo", {}, 100};
    QList<double> cycleMb;
    for (int i = 0; i < cycles; ++i) {
        undo.samples << bench.time([&] { window.undo(); });
        redo.samples << bench.time([&] { window.redo(); });
        cycleMb << memoryMb("VmRSS:");
    }
    COUNT_DUMP("undo and redo");
    rows << undo << redo;
    const double peakMb = memoryMb("VmHWM:");
    std::printf("resident memory after each undo/redo cycle (MB):");
    for (double mb : cycleMb)
        std::printf(" %.0f", mb);
    std::printf("\n");

    const QList<PageData> full = window.getCurrentPagesData();
    repeat("Remove Selected (10 pages)", runs, [&](int) {
        for (int k = 0; k < 10; ++k)
            bench.tile(k * (window.pages().size() / 10))->setSelected(true);
        return bench.timeAfterYes([&] { window.removeSelectedPages(); });
    });
    repeat("Clear", runs, [&](int) {
        window.restorePagesFromData(full);
        settle(window);
        return bench.timeAfterYes([&] { window.clearAll(); });
    });

    std::printf("\n%-34s %10s %-4s %2s %8s %-4s %-6s %-5s %s\n", "figure", "median", "", "",
                "target", "", "", "runs", "min-max");
    if (!ppm.isEmpty()) {
        Row ratio{"loading / pdftoppm pages per second", {}, 1.0, false, "x"};
        ratio.samples << median(ours.samples) / median(ppm);
        ours.target = median(ppm);
        printRow(ours);
        std::printf("%-34s %10.2f p/s\n", "pdftoppm -r 8.64 -png, pages/s", ours.target);
        printRow(ratio);
    } else {
        printRow(ours);
    }
    printRow(build);
    for (const Row &row : rows)
        printRow(row);
    printRow({"peak memory after undo/redo (VmHWM)", {peakMb}, 350, true, "MB"});
    // Growth from the second cycle to the last, per cycle: the first may still
    // fill caches.
    const double growth =
        cycleMb.size() > 2 ? (cycleMb.last() - cycleMb[1]) / (cycleMb.size() - 2) : 0;
    printRow({"memory growth per undo/redo cycle", {growth}, 1, true, "MB"});
    return 0;
}
