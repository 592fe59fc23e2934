#pragma once

// Shared by the output tests: a window with fixture pages, and independent
// readers of what the output commands wrote.

#include "DialogHelper.h"
#include "MainWindow.h"
#include "PageWidget.h"
#include "PdfFixtures.h"

#include <QDir>
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
    QString folder(const QString &name) const
    {
        QDir().mkpath(path(name));
        return path(name);
    }
    // Writes a fixture PDF and loads its pages as tiles.
    QString load(const QString &name, const QList<PdfFixtures::Page> &pages)
    {
        PdfFixtures::writePdf(path(name), pages);
        window.loadPDFPages(path(name));
        return path(name);
    }
    QString load(const QString &name, int pages)
    {
        return load(name, QList<PdfFixtures::Page>(pages));
    }
    PageWidget *page(int i) const { return window.pages().at(i); }
    void click(const char *button)
    {
        auto *b = window.findChild<QPushButton *>(button);
        // Loading pages directly skips the toolbar refresh that adding files does.
        b->setEnabled(true);
        b->click();
    }
};

// Clicks the button; the helper must have answered every dialog it expected.
#define RUN_COMMAND(ws, button, helper)                                                            \
    do {                                                                                           \
        (ws).click(button);                                                                        \
        QVERIFY2((helper).done(), qPrintable((helper).problems()));                                \
    } while (0)

inline bool near(const QSizeF &a, const QSizeF &b)
{
    return qAbs(a.width() - b.width()) < 2 && qAbs(a.height() - b.height()) < 2;
}

// One page (from 1) rendered by the independent renderer.
inline QImage popplerPage(const QString &pdf, int page, int dpi = 20)
{
    QTemporaryDir dir;
    const QString n = QString::number(page);
    PdfFixtures::run("pdftoppm", {"-r", QString::number(dpi), "-f", n, "-l", n, "-singlefile",
                                  "-png", pdf, dir.filePath("p")});
    return QImage(dir.filePath("p.png")).convertToFormat(QImage::Format_RGB32);
}

// "type width height" of every image pdfimages lists on a page (from 1);
// a soft mask shows up as type "smask".
inline QStringList embeddedImages(const QString &pdf, int page = 1)
{
    QStringList images;
    for (const QString &line : PdfFixtures::run("pdfimages", {"-list", pdf}).split('\n')) {
        const QStringList f = line.simplified().split(' ');
        if (f.size() > 4 && f[0] == QString::number(page))
            images << QString("%1 %2 %3").arg(f[2], f[3], f[4]);
    }
    return images;
}

// The first image on page 1, decoded by the independent tool.
inline QImage embeddedImage(const QString &pdf)
{
    QTemporaryDir dir;
    PdfFixtures::run("pdfimages", {"-png", "-f", "1", "-l", "1", pdf, dir.filePath("i")});
    return QImage(dir.filePath("i-000.png")).convertToFormat(QImage::Format_RGB32);
}

// A path that cannot be created: its parent is a regular file.
inline QString unwritablePath(const QTemporaryDir &dir, const QString &name)
{
    QFile blocker(dir.filePath("not-a-folder"));
    blocker.open(QIODevice::WriteOnly);
    return blocker.fileName() + "/" + name;
}

inline QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// Every text the status line shows while this lives.
struct StatusLog : QObject
{
    QStringList texts;
    explicit StatusLog(MainWindow &w)
    {
        connect(w.statusBar(), &QStatusBar::messageChanged, this, [this](auto t) { texts << t; });
    }
};

} // namespace OutputTest
