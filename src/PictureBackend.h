#pragma once

#include "OutputBackend.h"

// Every page rendered and drawn as a picture (OutputJobs).
class PictureBackend : public OutputBackend
{
public:
    bool copiesPages() const override { return false; }
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
