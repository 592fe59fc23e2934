#include "CopyingBackend.h"

#include "PageAssembler.h"
#include "PdfImageCompressor.h"

namespace {

// The merge's options for copying pages: the same document information,
// outline, labels and protection as the picture merge.
PageAssembler::Options copying(const OutputJobs::MergeOptions &merge)
{
    PageAssembler::Options options;
    if (merge.bookmarks) {
        options.title = "Merged PDF Document";
        options.creator = "Quirefold v2.0";
    }
    options.bookmarks = merge.bookmarks;
    options.autoNumbers = merge.autoNumbers;
    options.encryption = merge.encryption;
    options.pictureScale = 2.5;
    return options;
}

// The sheet jobs' options for copying pages: every list position keeps a
// page, a blank A4 one where the source is gone, as on the sheets.
PageAssembler::Options copying(const OutputJobs::SheetOptions &sheets)
{
    PageAssembler::Options options;
    options.title = sheets.title;
    options.creator = sheets.creator;
    options.margin = sheets.margin;
    options.blankForMissing = true;
    options.pictureScale = sheets.scale;
    options.encryption = sheets.encryption;
    return options;
}

// Shrinks the pictures of a copied file to `dpi` before it replaces the
// target; text and drawings stay as they are.
OutputFile::Finisher pictureCompression(int dpi)
{
    return [dpi](const QString &written, QIODevice *target, QString *error) {
        PdfImageCompressor compressor({dpi, PdfImageCompressor::qualityFor(dpi)});
        if (compressor.process(written, target))
            return true;
        *error = compressor.errorString();
        return false;
    };
}

} // namespace

OutputResult CopyingBackend::merge(const QList<PageRef> &pages, const QString &target,
                                   const OutputJobs::MergeOptions &options,
                                   const Progress &progress)
{
    return PageAssembler::write(pages, target, copying(options), progress);
}

OutputResult CopyingBackend::writeSheets(const QList<PageRef> &pages, const QString &target,
                                         const SheetJob &job, const Progress &progress)
{
    PageAssembler::Options options = copying(job.sheets);
    if (job.shrinkPictures)
        options.finisher = pictureCompression(job.sheets.dpi);
    options.webOptimized = job.webOptimized;
    return PageAssembler::write(pages, target, options, progress);
}

OutputResult CopyingBackend::splitPages(const QList<PageRef> &pages, const PathOf &pathOf,
                                        const Progress &progress)
{
    return PageAssembler::splitPages(pages, pathOf, progress);
}

OutputResult CopyingBackend::splitRuns(const QList<PageRef> &pages, const QString &folder,
                                       int perFile, const Progress &progress,
                                       const Progress &fileDone)
{
    return PageAssembler::splitRuns(pages, folder, perFile, progress, fileDone);
}

OutputResult CopyingBackend::unlock(const QString &source, const QString &password,
                                    const QString &target, const Progress &progress)
{
    return PageAssembler::unlock(source, password, target, progress);
}
