#pragma once

#include "OutputJobs.h"

#include "ProgressReporter.h"
#include <functional>
#include <optional>

class OutputBackend;
class Prompter;
class QPrinter;

// The commands that write the workspace's pages somewhere: merge, split,
// compress, web optimisation, crop, export, image extraction, protection,
// unlocking and printing. Each one reads top to bottom: check, ask (through
// the Prompter), run (through one skeleton, on the backend the "Keep Text"
// switch chose), report. Progress and status go out as signals.
class OutputCommands : public ProgressReporter
{
    Q_OBJECT

public:
    // The pages in grid order, taken when the command starts, and the window's switches.
    struct Workspace
    {
        QList<PageRef> pages;
        bool keepText = false;
        bool bookmarks = true;
        bool autoNumbers = false;
    };

    explicit OutputCommands(Prompter *prompter, QObject *parent = nullptr);

    void merge(const Workspace &workspace);
    void split(const Workspace &workspace);
    void compress(const Workspace &workspace);
    void optimizeForWeb(const Workspace &workspace);
    void crop(const Workspace &workspace);
    void exportPages(const Workspace &workspace);
    void extractImages(const Workspace &workspace);
    void lock(const Workspace &workspace);
    void unlock(const Workspace &workspace);
    void print(const Workspace &workspace);

    // Draws the pages onto an open printer, one per sheet, fitted and centred;
    // false, after a warning, when the printer does not start.
    bool printTo(QPrinter *printer, const QList<PageRef> &pages, bool showProgress);

private:
    using Job = std::function<OutputResult(const OutputJobs::Progress &)>;
    // One run of a job with the progress bar over `steps`. When nothing was
    // written, the file named in the result (or `target`) is reported and no
    // result comes back; a folder output with no failing file just reports.
    struct Run
    {
        int steps = 0;
        std::function<QString(int done)> status; // the status line while it runs
        QString target;
        bool turkish = false;
    };
    std::optional<OutputResult> run(const Run &plan, const Job &job);
    OutputJobs::Progress progress(const std::function<QString(int done)> &status);

    bool hasPages(const Workspace &workspace, const QString &title, const QString &text);
    enum class SplitMode { EveryPage, Selected, Runs };
    std::optional<SplitMode> askSplitMode();
    int askCompressionDpi(QString *qualityName);
    std::optional<double> askCropMargin();
    bool askMergePassword(OutputJobs::Encryption *encryption);
    std::optional<int> pagesOpenedBy(const QString &source, const QString &password);
    void report(const QString &title, const QString &message, const QString &status,
                int timeout = 0);

    Prompter *prompter;
};
