#include "StampCommands.h"

#include "PageNumberDialog.h"
#include "PageStamper.h"
#include "PageWidget.h"
#include "Prompter.h"
#include "WatermarkDialog.h"

#include <QCoreApplication>
#include <QPointer>

StampCommands::StampCommands(QWidget *dialogParent, Prompter *prompter,
                             std::function<int()> generation, QObject *parent)
    : ProgressReporter(parent)
    , dialogParent(dialogParent)
    , prompter(prompter)
    , generation(std::move(generation))
{}

bool StampCommands::hasPages(const QList<PageWidget *> &tiles, const QString &text)
{
    if (!tiles.isEmpty())
        return true;
    prompter->information("No Pages", text);
    return false;
}

// Repaints each target's full-size picture in turn (the tiles then show the
// stamped pages), then has the stamped state recorded for undo.
void StampCommands::stampTiles(const QList<PageWidget *> &targets, const QString &statusText,
                               const std::function<void(QImage &, int)> &paint)
{
    // Guarded: the loop pumps events, and a tile may be removed meanwhile, or
    // the workspace replaced by undo, redo or clear.
    const QList<QPointer<PageWidget>> tiles(targets.cbegin(), targets.cend());
    const int started = generation();
    const int n = tiles.size();
    emit progressStarted(n);
    for (int i = 0; i < n; ++i) {
        PageWidget *tile = tiles[i];
        if (tile && started == generation()) {
            QImage image = tile->property("originalThumbnail").value<QPixmap>().toImage();
            if (!image.isNull() && image.format() < QImage::Format_RGB32)
                image.convertTo(QImage::Format_ARGB32_Premultiplied);
            paint(image, i);
            tile->setProperty("originalThumbnail", QVariant::fromValue(QPixmap::fromImage(image)));
            tile->updateThumbnail();
        }
        emit progressChanged(i + 1);
        emit statusChanged(statusText.arg(i + 1).arg(n), 0);
        QCoreApplication::processEvents();
    }
    emit progressFinished();
    emit stamped();
}

void StampCommands::addWatermark(const QList<PageWidget *> &tiles)
{
    if (!hasPages(tiles, "No pages to add watermark. Please add PDF files first."))
        return;
    const auto selectedCount = std::count_if(tiles.cbegin(), tiles.cend(),
                                             [](PageWidget *tile) { return tile->isSelected(); });
    WatermarkDialog dialog(tiles.size(), int(selectedCount), dialogParent);
    if (dialog.exec() != QDialog::Accepted)
        return;

    PageStamper::Watermark mark;
    mark.text = dialog.getText();
    mark.opacity = dialog.getOpacity();
    mark.fontSize = dialog.getFontSize();
    mark.fontFamily = dialog.getFontFamily();
    mark.color = dialog.getColor();
    mark.rotation = dialog.getRotation();
    mark.position = dialog.getPosition();
    const bool allPages = dialog.applyToAllPages();
    if (mark.text.isEmpty()) {
        prompter->warning("Empty Text", "Watermark text cannot be empty.");
        return;
    }

    QList<PageWidget *> targets;
    for (PageWidget *tile : tiles)
        if (allPages || tile->isSelected())
            targets.append(tile);
    if (targets.isEmpty()) {
        prompter->information("No Selection", "No pages selected for watermark.");
        return;
    }

    const int n = targets.size();
    stampTiles(targets, "Adding watermark... %1 of %2",
               [&mark](QImage &image, int) { PageStamper::paintWatermark(image, mark); });
    prompter->information("Watermark Added",
                          QString("Successfully added watermark to %1 pages.").arg(n));
    emit statusChanged(QString("Watermark added to %1 pages").arg(n), 0);
}

void StampCommands::addPageNumbers(const QList<PageWidget *> &tiles)
{
    if (!hasPages(tiles, "No pages to add numbers. Please add PDF files first."))
        return;
    const int total = tiles.size();
    PageNumberDialog dialog(total, dialogParent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int start = dialog.getStartNumber();
    const int fontSize = dialog.getFontSize();
    const QString family = dialog.getFontFamily();
    const int margin = dialog.getMargin();
    const int format = dialog.getFormat();
    const int position = dialog.getPosition();

    stampTiles(tiles, "Adding page numbers... %1 of %2", [&](QImage &image, int i) {
        PageStamper::paintPageLabel(image, PageStamper::pageLabel(format, start + i, total), family,
                                    fontSize, position, margin);
    });
    prompter->information("Page Numbers Added",
                          QString("Successfully added page numbers to all %1 pages.").arg(total));
    emit statusChanged(QString("Page numbers added to %1 pages").arg(total), 0);
}
