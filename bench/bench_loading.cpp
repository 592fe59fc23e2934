// Loading a 1500-page document into the window, then rebuilding the grid and
// zooming once; pdftoppm renders the same pages at the same scale for scale.
//
// Usage: bench_loading [pages]   (default 1500)

#include "DialogHelper.h"
#include "MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>

#include <cstdio>

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

QString memoryField(const QByteArray &field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return "unknown";
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return QString::fromLatin1(line.mid(field.size()).simplified());
    return "unknown";
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int pages = argc > 1 ? QString(argv[1]).toInt() : 1500;

    QTemporaryDir dir;
    const QString path = dir.filePath("bench.pdf");
    QElapsedTimer timer;
    timer.start();
    if (!writeDocument(path, pages)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("generated %d pages (%lld KB) in %lld ms\n", pages, QFile(path).size() / 1024,
                timer.elapsed());

    MainWindow window;
    window.show();
    std::printf("resident memory before loading (VmRSS): %s\n", qPrintable(memoryField("VmRSS:")));
    DialogHelper helper;
    if (pages > 500)
        helper.messageBox(QMessageBox::Yes);
    timer.restart();
    window.loadPDFPages(path);
    const double loadSeconds = timer.nsecsElapsed() / 1e9;
    if (!helper.done() || window.pages().size() != pages) {
        std::fprintf(stderr, "loading failed: %s, %lld tiles\n", qPrintable(helper.problems()),
                     static_cast<long long>(window.pages().size()));
        return 1;
    }
    const double ourRate = pages / loadSeconds;
    std::printf("loadPDFPages: %.2f s, %.1f pages/s\n", loadSeconds, ourRate);
    std::printf("peak resident memory (VmHWM): %s\n", qPrintable(memoryField("VmHWM:")));

    timer.restart();
    window.updatePageGrid();
    std::printf("updatePageGrid: %lld ms\n", timer.elapsed());

    timer.restart();
    window.findChild<QSlider *>("zoomSlider")->setValue(120);
    std::printf("zoom to 120%%: %lld ms\n", timer.elapsed());

    // The same pages at the factor the window used (0.12 x 72 dpi).
    QProcess pdftoppm;
    timer.restart();
    pdftoppm.start("pdftoppm", {"-r", "8.64", "-png", path, dir.filePath("ppm")});
    if (!pdftoppm.waitForFinished(-1) || pdftoppm.exitCode() != 0) {
        std::printf("pdftoppm: not available\n");
        return 0;
    }
    const double ppmSeconds = timer.nsecsElapsed() / 1e9;
    const double ppmRate = pages / ppmSeconds;
    std::printf("pdftoppm -r 8.64 -png: %.2f s, %.1f pages/s\n", ppmSeconds, ppmRate);
    std::printf("loading rate / pdftoppm rate: %.2f\n", ourRate / ppmRate);
    return 0;
}
