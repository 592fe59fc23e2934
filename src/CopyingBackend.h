#pragma once

#include "OutputBackend.h"

// Every page copied as it is in its source (PageAssembler): text stays text,
// and the document information, outline, labels and protection match what
// the picture path writes.
class CopyingBackend : public OutputBackend
{
public:
    bool copiesPages() const override { return true; }
    OutputResult merge(const QList<PageRef> &pages, const QString &target,
                       const OutputJobs::MergeOptions &options, const Progress &progress) override;
    OutputResult writeSheets(const QList<PageRef> &pages, const QString &target,
                             const SheetJob &job, const Progress &progress) override;
    OutputResult splitPages(const QList<PageRef> &pages, const PathOf &pathOf,
                            const Progress &progress) override;
    OutputResult splitRuns(const QList<PageRef> &pages, const QString &folder, int perFile,
                           const Progress &progress, const Progress &fileDone) override;
    OutputResult unlock(const QString &source, const QString &password, const QString &target,
                        const Progress &progress) override;
};
