#pragma once

#include "OutputJobs.h"

#include <memory>

// How an output command writes pages: as pictures redrawn onto A4 sheets
// (PictureBackend), or copied as they are in their sources (CopyingBackend).
// A command chooses once, from the "Keep Text" switch, and then writes the
// same page references the same way whichever it got.
class OutputBackend
{
public:
    using Progress = OutputJobs::Progress;
    using PathOf = OutputJobs::PathOf;

    // What a command asks of one output file beyond the sheet options: the
    // copying path shrinks its pictures to the sheets' dpi, or writes a file
    // for fast web view. Pictures are already at that dpi and plain.
    struct SheetJob
    {
        OutputJobs::SheetOptions sheets;
        bool shrinkPictures = false;
        bool webOptimized = false;
    };

    static std::unique_ptr<OutputBackend> choose(bool keepText);

    virtual ~OutputBackend();

    // True when pages keep their text and drawings (the copying path).
    virtual bool copiesPages() const = 0;
    virtual OutputResult merge(const QList<PageRef> &pages, const QString &target,
                               const OutputJobs::MergeOptions &options,
                               const Progress &progress) = 0;
    virtual OutputResult writeSheets(const QList<PageRef> &pages, const QString &target,
                                     const SheetJob &job, const Progress &progress) = 0;
    virtual OutputResult splitPages(const QList<PageRef> &pages, const PathOf &pathOf,
                                    const Progress &progress) = 0;
    virtual OutputResult splitRuns(const QList<PageRef> &pages, const QString &folder, int perFile,
                                   const Progress &progress, const Progress &fileDone) = 0;
    // The whole protected file, opened with the password, written unprotected.
    virtual OutputResult unlock(const QString &source, const QString &password,
                                const QString &target, const Progress &progress) = 0;
};
