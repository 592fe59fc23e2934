#include "PictureBackend.h"

#include <QPdfDocument>

OutputResult PictureBackend::merge(const QList<PageRef> &pages, const QString &target,
                                   const OutputJobs::MergeOptions &options,
                                   const Progress &progress)
{
    return OutputJobs::merge(pages, target, options, progress);
}

OutputResult PictureBackend::writeSheets(const QList<PageRef> &pages, const QString &target,
                                         const SheetJob &job, const Progress &progress)
{
    return OutputJobs::writeSheets(pages, target, job.sheets, progress);
}

OutputResult PictureBackend::splitPages(const QList<PageRef> &pages, const PathOf &pathOf,
                                        const Progress &progress)
{
    return OutputJobs::splitPages(pages, pathOf, progress);
}

OutputResult PictureBackend::splitRuns(const QList<PageRef> &pages, const QString &folder,
                                       int perFile, const Progress &progress,
                                       const Progress &fileDone)
{
    return OutputJobs::splitRuns(pages, folder, perFile, progress, fileDone);
}

OutputResult PictureBackend::unlock(const QString &source, const QString &password,
                                    const QString &target, const Progress &progress)
{
    // The renderer applies a password only while loading, so it goes first.
    QPdfDocument document;
    document.setPassword(password);
    document.load(source);
    if (document.status() != QPdfDocument::Status::Ready) {
        OutputResult result;
        result.noteFailure(target, QStringLiteral("The protected file could not be opened."));
        return result;
    }
    return OutputJobs::writeDocument(document, target, progress);
}
