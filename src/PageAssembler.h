#pragma once

#include "OutputJobs.h"

#include <QList>
#include <QString>

// Writes pages as they are in their source files: each page is copied with
// its content and resources through the PDF library, so text stays text,
// drawings stay sharp and every page keeps its own size (media and crop
// box). It takes the same page references as the picture jobs; a page's
// rotation is added to the rotation its source gives it. Links between pages
// that land in the same file keep working, and the sources' outlines come
// along, cut down to the pages of each file (PageNavigation).
//
// Copied pages keep the page labels they had in their sources, and their
// form fields stay fields of the one form of the output (PageLabelMerger,
// FormFieldMerger).
//
// A page whose source the library cannot read, but the renderer still can
// (a damaged file that the renderer repairs), becomes a picture page of its
// own size, rendered as the picture jobs render it; `pictures` in the result
// counts them. Nothing the library throws leaves this class: failures come
// back in the result, and every file goes through OutputFile, so a failed
// write leaves its target as it was.
//
//     PageAssembler::Options options;
//     options.finisher = ...; // to run over the copy before it replaces the target
//     const OutputResult result = PageAssembler::write(pages, target, options, progress);
class PageAssembler
{
public:
    using Progress = OutputJobs::Progress;
    using PathOf = OutputJobs::PathOf;

    struct Options
    {
        QString title; // document information, when not empty
        QString creator;
        // One outline entry per source file, at its first page, with the
        // source's outline beneath it; without, the sources' outlines at top level.
        bool bookmarks = false;
        bool autoNumbers = false; // "i / n" as text at the bottom centre of each page as seen
        double margin = 0.0;      // fraction of the visible box cut away on every side
        // A page whose source does not load becomes a blank A4 page; otherwise it is left out.
        bool blankForMissing = false;
        bool webOptimized = false; // linearized, object streams, streams compressed anew
        double pictureScale = 2.0; // pixels per point of picture pages
        OutputJobs::Encryption encryption;
        // Runs over the complete written file before it reaches the target.
        OutputFile::Finisher finisher;
    };

    // Every page into one file.
    static OutputResult write(const QList<PageRef> &pages, const QString &target,
                              const Options &options, const Progress &progress);

    // One file per page. Counted as failures: a source that does not load,
    // and a page that renders to nothing.
    static OutputResult splitPages(const QList<PageRef> &pages, const PathOf &pathOf,
                                   const Progress &progress);
    // One file per run of `perFile` pages, named as OutputJobs::splitRuns names
    // them; fileDone gets each file's number.
    static OutputResult splitRuns(const QList<PageRef> &pages, const QString &folder, int perFile,
                                  const Progress &progress, const Progress &fileDone);

    // The whole protected file, opened with the password and written without
    // encryption: every page, the outline, links, form fields and metadata.
    static OutputResult unlock(const QString &source, const QString &password,
                               const QString &target, const Progress &progress);
};
