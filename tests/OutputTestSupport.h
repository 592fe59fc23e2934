#pragma once

// Shared by the output tests: a window with fixture pages, and readers of
// what the output commands wrote.

#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace OutputTest {

struct Workspace
{
    QTemporaryDir dir;
    MainWindow window;

    QString path(const QString &name) const { return dir.filePath(name); }

    QString pdf(const QString &name, const QList<PdfFixtures::Page> &pages)
    {
        const QString file = path(name);
        if (!PdfFixtures::writePdf(file, pages))
            return QString();
        return file;
    }
    QString pdf(const QString &name, int a4Pages)
    {
        return pdf(name, PdfFixtures::a4Pages(a4Pages));
    }

    void load(const QString &file) { window.loadPDFPages(file); }

    // Clicks a toolbar button while the helper answers the dialogs it opens.
    void click(const char *button)
    {
        auto *b = window.findChild<QPushButton *>(button);
        QVERIFY(b);
        // Loading pages directly skips the toolbar refresh that adding files does.
        b->setEnabled(true);
        b->click();
    }
};

inline PdfFixtures::Page landscapeA4()
{
    PdfFixtures::Page page;
    page.orientation = QPageLayout::Landscape;
    return page;
}

// Renders one page (from 1) with the independent renderer at `dpi`.
inline QImage popplerPage(const QString &pdf, int page, int dpi = 20)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath("p");
    int code = 0;
    PdfFixtures::run("pdftoppm",
                     {"-r", QString::number(dpi), "-f", QString::number(page), "-l",
                      QString::number(page), "-singlefile", "-png", pdf, prefix},
                     &code);
    return code == 0 ? QImage(prefix + ".png").convertToFormat(QImage::Format_RGB32) : QImage();
}

// Pixel sizes of the images embedded on a page (from 1), as pdfimages lists them.
inline QList<QSize> embeddedImageSizes(const QString &pdf, int page = 1)
{
    QList<QSize> sizes;
    const QString list = PdfFixtures::run("pdfimages", {"-list", pdf});
    for (const QString &line : list.split('\n')) {
        const QStringList fields = line.simplified().split(' ');
        if (fields.size() > 4 && fields[0] == QString::number(page) && fields[2] == "image")
            sizes << QSize(fields[3].toInt(), fields[4].toInt());
    }
    return sizes;
}

// The first image embedded on a page, decoded by the independent tool.
inline QImage embeddedImage(const QString &pdf, int page = 1)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath("i");
    PdfFixtures::run("pdfimages", {"-png", "-f", QString::number(page), "-l", QString::number(page),
                                   pdf, prefix});
    return QImage(prefix + "-000.png").convertToFormat(QImage::Format_RGB32);
}

// Every text the status line shows while the object lives.
class StatusLog : public QObject
{
public:
    explicit StatusLog(MainWindow &window)
    {
        connect(window.statusBar(), &QStatusBar::messageChanged, this,
                [this](const QString &text) { texts << text; });
    }
    QStringList texts;
};

// True when any image of the PDF carries a soft mask (transparency).
inline bool hasSoftMask(const QString &pdf)
{
    int code = 0;
    const QString list = PdfFixtures::run("pdfimages", {"-list", pdf}, &code);
    for (const QString &line : list.split('\n')) {
        const QStringList fields = line.simplified().split(' ');
        if (fields.size() > 2 && fields[2] == "smask")
            return true;
    }
    return code != 0;
}

// Share of the rows from `fromRow` (a fraction of the height) down that are all white.
inline bool bandIsWhite(const QImage &image, double fromRow, double toRow = 1.0)
{
    for (int y = int(image.height() * fromRow); y < int(image.height() * toRow); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!PdfFixtures::isWhite(image.pixelColor(x, y)))
                return false;
    return true;
}

// A path that cannot be created: its parent is a regular file.
inline QString unwritablePath(const QTemporaryDir &dir, const QString &name)
{
    const QString blocker = dir.filePath("not-a-folder");
    QFile file(blocker);
    file.open(QIODevice::WriteOnly);
    file.write("x");
    return blocker + "/" + name;
}

inline QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace OutputTest
