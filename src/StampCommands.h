#pragma once

#include "ProgressReporter.h"
#include <QList>
#include <functional>

class PageWidget;
class Prompter;
class QImage;
class QWidget;

// Watermarks and page numbers, painted onto the tiles' full-size pictures:
// ask (the option dialogs over `dialogParent`), paint tile by tile with
// progress, report. `stamped` asks the window to record the result for undo.
class StampCommands : public ProgressReporter
{
    Q_OBJECT

public:
    // `generation` tells whether the window replaced its tiles meanwhile.
    StampCommands(QWidget *dialogParent, Prompter *prompter, std::function<int()> generation,
                  QObject *parent = nullptr);

    void addWatermark(const QList<PageWidget *> &tiles);
    void addPageNumbers(const QList<PageWidget *> &tiles);

signals:
    void stamped();

private:
    void stampTiles(const QList<PageWidget *> &targets, const QString &statusText,
                    const std::function<void(QImage &, int)> &paint);
    bool hasPages(const QList<PageWidget *> &tiles, const QString &text);

    QWidget *dialogParent;
    Prompter *prompter;
    std::function<int()> generation;
};
