#include "PdfFixtures.h"

#include <QFile>
#include <QFont>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace PdfFixtures {

bool writePdf(const QString &path, const QList<Page> &pages)
{
    if (pages.isEmpty())
        return false;
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageLayout(QPageLayout(pages[0].size, pages[0].orientation, QMarginsF()));
    QPainter painter;
    for (int i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            writer.setPageLayout(QPageLayout(pages[i].size, pages[i].orientation, QMarginsF()));
            writer.newPage();
        } else if (!painter.begin(&writer)) {
            return false;
        }
        const QRect area(0, 0, writer.width(), writer.height());
        painter.fillRect(area, Qt::white);
        const int side = area.width() * 15 / 100;
        const int margin = area.width() * 5 / 100;
        painter.fillRect(QRect(margin, margin, side, side), Qt::black);
        QFont font("DejaVu Sans");
        font.setPixelSize(area.width() / 5);
        painter.setFont(font);
        painter.setPen(QColor(90, 90, 90));
        painter.drawText(area, Qt::AlignCenter,
                         pages[i].label.isEmpty() ? QString::number(i + 1) : pages[i].label);
    }
    return painter.end();
}

bool writePdf(const QString &path, int a4PageCount)
{
    return writePdf(path, QList<Page>(a4PageCount));
}

QString tinyPdf(const QString &path, int pages)
{
    const Page tiny{QPageSize(QSizeF(40, 56), QPageSize::Point), QPageLayout::Portrait, "x"};
    if (!QFile::exists(path))
        writePdf(path, QList<Page>(pages, tiny));
    return path;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

static bool open(QPdfDocument &document, const QString &path, const QString &password)
{
    if (!password.isEmpty())
        document.setPassword(password);
    document.load(path);
    return document.status() == QPdfDocument::Status::Ready;
}

QImage renderPage(const QString &path, int pageIndex, double scale, const QString &password)
{
    QPdfDocument document;
    if (!open(document, path, password) || pageIndex >= document.pageCount())
        return QImage();
    const QImage image =
        document.render(pageIndex, (document.pagePointSize(pageIndex) * scale).toSize());
    // Unpainted paper comes back transparent; look at it as white.
    QImage white(image.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    QPainter(&white).drawImage(0, 0, image);
    return white;
}

int pageCount(const QString &path, const QString &password)
{
    QPdfDocument document;
    return open(document, path, password) ? document.pageCount() : -1;
}

bool isDark(QColor c)
{
    return c.red() < 80 && c.green() < 80 && c.blue() < 80;
}

bool isWhite(QColor c)
{
    return c.red() > 235 && c.green() > 235 && c.blue() > 235;
}

QRect inkBox(const QImage &image, int below, QRect area)
{
    QRect box;
    area = area.isNull() ? image.rect() : area;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < below)
                box |= QRect(x, y, 1, 1);
    return box;
}

bool sameImage(const QImage &a, const QImage &b, double share, int tolerance)
{
    if (a.size() != b.size() || a.isNull())
        return false;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            if (qAbs(qRed(p[col]) - qRed(q[col])) > tolerance ||
                qAbs(qGreen(p[col]) - qGreen(q[col])) > tolerance ||
                qAbs(qBlue(p[col]) - qBlue(q[col])) > tolerance)
                ++differing;
    }
    return differing <= share * x.width() * x.height();
}

QPointF darkCentre(const QImage &image)
{
    double sx = 0, sy = 0;
    qint64 n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isDark(image.pixelColor(x, y))) {
                sx += x;
                sy += y;
                ++n;
            }
    return n == 0 ? QPointF(-1, -1) : QPointF(sx / n / image.width(), sy / n / image.height());
}

bool toolAvailable(const QString &program)
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}

QString run(const QString &program, const QStringList &arguments, int *exitCode)
{
    if (!toolAvailable(program)) {
        if (exitCode)
            *exitCode = -1;
        return QString();
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAll());
}

int pdfinfoPages(const QString &path)
{
    int code = 0;
    const auto match = QRegularExpression("Pages:\\s+(\\d+)").match(run("pdfinfo", {path}, &code));
    return code == 0 && match.hasMatch() ? match.captured(1).toInt() : -1;
}

QSizeF pdfinfoPageSize(const QString &path, int page)
{
    const QString n = QString::number(page), out = run("pdfinfo", {"-f", n, "-l", n, path});
    const auto match = QRegularExpression("size:\\s+([0-9.]+) x ([0-9.]+) pts").match(out);
    return match.hasMatch() ? QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble())
                            : QSizeF();
}

bool qpdfCheckClean(const QString &path, const QString &password)
{
    int code = 0; // 3 would mean warnings
    run("qpdf", {"--check", "--password=" + password, path}, &code);
    return code == 0;
}

QList<QPair<QString, int>> outline(const QString &path, const QString &password)
{
    const QString json =
        run("qpdf", {"--json", "--json-key=outlines", "--password=" + password, path});
    QList<QPair<QString, int>> items;
    for (const QJsonValue item : QJsonDocument::fromJson(json.toUtf8())["outlines"].toArray())
        items.append({item["title"].toString(), item["destpageposfrom1"].toInt()});
    return items;
}

bool encrypt(const QString &in, const QString &out, const QString &user, const QString &owner,
             int bits)
{
    int code = 0;
    QStringList args{"--encrypt", user, owner, QString::number(bits)};
    if (bits == 128)
        args << "--use-aes=y";
    args << "--" << in << out;
    run("qpdf", args, &code);
    return code == 0 && QFile::exists(out);
}

} // namespace PdfFixtures
