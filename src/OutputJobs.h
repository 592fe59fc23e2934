#pragma once

#include "OutputFile.h"
#include "PageRenderer.h"
#include "PdfPostProcessor.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QImage;
class QPdfDocument;

// The page loops behind the output commands. They know nothing of widgets:
// the caller hands in page references taken beforehand and a progress
// function (which may pump events), and turns the result into messages.
// Every file goes through OutputFile, so a failed write never replaces a
// target and never leaves a partial file behind.
class OutputJobs
{
public:
    using Progress = std::function<void(int done)>;
    // The path of the n-th file (from 1) of a folder output.
    using PathOf = std::function<QString(int n, const PageRef &page)>;

    using Result = OutputResult;

    using Encryption = std::optional<PdfPostProcessor::EncryptionOptions>;

    struct MergeOptions
    {
        bool bookmarks = true;
        bool autoNumbers = false;
        Encryption encryption;
    };
    // All pages onto A4 at 300 dpi, top-left and aspect kept. With bookmarks,
    // the outline has one entry per source file, at its first output page.
    static Result merge(const QList<PageRef> &pages, const QString &target,
                        const MergeOptions &options, const Progress &progress);

    struct SheetOptions
    {
        int dpi = 150;       // writer resolution
        double scale = 2.0;  // render scale
        double margin = 0.0; // fraction cut from every side before turning
        QString title;
        QString creator;
        bool progressOnLoadError = true;
        Encryption encryption;
    };
    // All pages stretched onto A4 sheets, one per list position: compress,
    // web optimisation and crop.
    static Result writeSheets(const QList<PageRef> &pages, const QString &target,
                              const SheetOptions &options, const Progress &progress);

    // Every page of an open document stretched onto A4 sheets (the unlocked
    // copy); the target may be the document's own file.
    static Result writeDocument(QPdfDocument &document, const QString &target,
                                const Progress &progress);

    // One PDF per page, each of the source page's own size.
    static Result splitPages(const QList<PageRef> &pages, const PathOf &pathOf,
                             const Progress &progress);
    // One A4 PDF per run of `perFile` pages, named bolum_001.pdf, ...;
    // fileDone gets each file's number.
    static Result splitRuns(const QList<PageRef> &pages, const QString &folder, int perFile,
                            const Progress &progress, const Progress &fileDone);
    // The k-th file (from 1) of splitRuns: <folder>/bolum_001.pdf, ...
    static QString runFileName(const QString &folder, int k);

    struct ImageOptions
    {
        double scale = 2.0;
        QByteArray format; // "JPG", "PNG", ...
        int quality = -1;
    };
    static Result saveImages(const QList<PageRef> &pages, const PathOf &pathOf,
                             const ImageOptions &options, const Progress &progress);

    // Bytes of the distinct source files of the pages, each file once.
    static qint64 inputSize(const QList<PageRef> &pages);
    static int sourceCount(const QList<PageRef> &pages);
    // "1023 B", "1 KB", "1.00 MB".
    static QString sizeText(qint64 bytes);
    // The middle of the image with `margin` of its width and height cut from every side.
    static QImage cropped(const QImage &image, double margin);
    // The "i / n" label of merged pages, painted at the bottom centre.
    static void drawPageLabel(QImage &image, int position, int count);
};
