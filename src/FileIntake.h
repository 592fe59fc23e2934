#pragma once

#include "ProgressReporter.h"
#include <QList>
#include <QStringList>
#include <functional>

class PageGrid;
class PageWidget;
class Prompter;
class QPixmap;
class QUrl;

// Brings files into the workspace: converts images and office documents into
// PDFs of a batch folder and appends a tile for each page of each PDF to the
// page list. The window places the new tiles afterwards. Every question and
// message goes through the prompter.
class FileIntake : public ProgressReporter
{
    Q_OBJECT

public:
    // Makes the tile of one page; the window makes it in the grid and wires it.
    using TileMaker = std::function<PageWidget *(const QPixmap &thumbnail, const QString &filePath,
                                                 int pageNumber, int totalPages, int globalIndex)>;

    FileIntake(QList<PageWidget *> &pages, const PageGrid &grid, Prompter &prompter,
               TileMaker makeTile, QObject *parent = nullptr);

    // Asks for files and loads them; the number of files chosen, 0 when
    // nothing was loaded.
    int addFiles();
    // Loads the supported files among dropped ones, without questions.
    void addDropped(const QList<QUrl> &urls);
    // Appends the pages of one PDF, unless the user or the page limit refuses.
    void loadPdf(const QString &filePath);
    // Appends a blank A4 page to the `count` pages listed; false when the list
    // does not hold it then.
    bool addBlankPage(int count);
    // Converted inputs and blank pages, made by this run.
    const QStringList &temporaryFiles() const { return tempFiles; }

private:
    QStringList convertBatch(const QStringList &paths, const QString &batchFolder, bool verbose);
    QString convert(const QString &path, int index, bool image, const QString &batchFolder,
                    const QString &name, bool verbose);
    void loadBatch(const QStringList &pdfs, bool verbose);
    bool confirmLoad(int total, const QString &factorText);

    QList<PageWidget *> &pages;
    const PageGrid &grid;
    Prompter &prompter;
    TileMaker makeTile;
    QStringList tempFiles;
};
