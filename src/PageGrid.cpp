#include "PageGrid.h"

#include "PageWidget.h"
#include "Theme.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QVBoxLayout>

PageGrid::PageGrid(QWidget *parent, QLabel *counter)
    : QObject(parent)
    , pageCountLabel(counter)
    , scrollArea(new QScrollArea(parent))
    , gridContainer(new QWidget)
{
    scrollArea->setObjectName("scrollArea");
    scrollArea->setWidgetResizable(true);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    gridContainer->setObjectName("gridContainer");
    gridContainer->setMinimumSize(900, 500);
    gridContainer->setAcceptDrops(true);
    scrollArea->setWidget(gridContainer);
    // Tiles are shown only near the viewport; see showTilesInView().
    gridContainer->installEventFilter(this);
    scrollArea->viewport()->installEventFilter(this);
    for (QScrollBar *bar : {scrollArea->verticalScrollBar(), scrollArea->horizontalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, &PageGrid::showTilesInView);
}

void PageGrid::relayout(const QList<PageWidget *> &tiles)
{
    QWidget *window = scrollArea->window();
    const int count = tiles.size();
    const bool large = count > 300;
    if (large) {
        window->setUpdatesEnabled(false);
        emit statusChanged(QString::fromUtf8("⏳ Updating grid with %1 pages...").arg(count), 0);
    }

    // Deleting the layout deletes its rows and items, never the tiles.
    delete gridContainer->layout();
    // The labels of an earlier empty state are not needed once pages exist.
    qDeleteAll(
        gridContainer->findChildren<QLabel *>("emptyStateLabel", Qt::FindDirectChildrenOnly));

    if (count == 0) {
        showEmptyGrid();
    } else if (!layOutTiles(tiles, large)) {
        // A command run while events were pumped rebuilt the grid itself.
        window->setUpdatesEnabled(true);
        return;
    }
    if (large) {
        window->setUpdatesEnabled(true);
        if (count > 0)
            emit statusChanged(QString::fromUtf8("✅ Grid updated (%1 pages)").arg(count), 2000);
    }
    if (count == 0)
        return;

    QSet<QString> files;
    for (PageWidget *tile : tiles)
        files.insert(tile->getFilePath());
    pageCountLabel->setText(
        QString::fromUtf8("%1 pages • %2 files").arg(tiles.size()).arg(files.size()));
    numberTiles(tiles);
}

void PageGrid::numberTiles(const QList<PageWidget *> &tiles)
{
    for (int i = 0; i < tiles.size(); ++i)
        tiles[i]->setGlobalIndex(i + 1);
}

void PageGrid::showEmptyGrid()
{
    auto *layout = new QVBoxLayout(gridContainer);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const auto &[text, look] :
         {std::pair{"No PDF pages loaded", Theme::emptyStateTitle()},
          std::pair{"Click 'Add PDF Files' or drag & drop PDF files here",
                    Theme::emptyStateHint()}}) {
        auto *label = new QLabel(text, gridContainer);
        label->setObjectName("emptyStateLabel");
        label->setAlignment(Qt::AlignCenter);
        label->setStyleSheet(look);
        layout->addWidget(label);
    }
    gridContainer->setMinimumHeight(400);
    pageCountLabel->setText(QString::fromUtf8("0 pages • 0 files"));
}

bool PageGrid::layOutTiles(const QList<PageWidget *> &pages, bool pumpEvents)
{
    const int count = pages.size();
    // Guarded: while events are pumped below, the user may clear or undo, which
    // deletes tiles and rebuilds the grid, layout included.
    QPointer<QVBoxLayout> outer = new QVBoxLayout(gridContainer);
    outer->setSpacing(18);
    outer->setContentsMargins(20, 20, 20, 20);
    outer->setAlignment(Qt::AlignTop);
    // Disabled while it fills, so that the event pumps do not place the tiles
    // of every partial grid; placed once at the end.
    outer->setEnabled(false);

    const int columnWidth = static_cast<int>(180 * zoomLevel) + 15;
    const int available = scrollArea->viewport()->width() - 45;
    const int columns = qMax(1, available / columnWidth);
    const int rows = (count + columns - 1) / columns;

    const QList<QPointer<PageWidget>> tiles(pages.cbegin(), pages.cend());
    QHBoxLayout *row = nullptr;
    for (int i = 0; i < tiles.size(); ++i) {
        if (i % columns == 0) {
            row = new QHBoxLayout;
            row->setSpacing(15);
            row->setAlignment(Qt::AlignLeft);
            outer->addLayout(row);
        }
        // The tiles are the container's children already: a plain item skips
        // addWidget's search of the whole grid for each tile's previous place.
        if (tiles[i])
            row->addItem(new QWidgetItem(tiles[i]));
        if (pumpEvents && i > 0 && i % 50 == 0) {
            QCoreApplication::processEvents();
            if (!outer)
                return false;
        }
    }
    outer->addStretch();
    gridContainer->setMinimumHeight(static_cast<int>(250 * zoomLevel) * rows + (rows - 1) * 15 +
                                    40);
    outer->setEnabled(true);
    outer->activate();
    showTilesInView();
    return true;
}

// Only the tiles in and near the viewport are shown; the others keep their
// place in the grid, hidden, and cost nothing when the window repaints or
// everything is updated, which keeps commands on long lists quick.
void PageGrid::showTilesInView()
{
    QLayout *grid = gridContainer->layout();
    // No grid, or one still being filled: it calls again when it is placed.
    if (!grid || !grid->isEnabled())
        return;
    const QRect viewport = scrollArea->viewport()->rect();
    const QRect near = viewport.translated(-gridContainer->pos())
                           .adjusted(0, -viewport.height(), 0, viewport.height());
    // Each show would lay the whole grid out again; once at the end is enough.
    grid->setEnabled(false);
    bool changed = false;
    for (int r = 0; r < grid->count(); ++r) {
        QLayout *row = grid->itemAt(r)->layout();
        for (int i = 0; row && i < row->count(); ++i) {
            QWidget *tile = row->itemAt(i)->widget();
            const bool shown = tile->geometry().intersects(near);
            if (shown == tile->isHidden()) {
                tile->setVisible(shown);
                changed = true;
            }
        }
    }
    grid->setEnabled(true);
    if (changed)
        grid->activate();
}

bool PageGrid::eventFilter(QObject *watched, QEvent *event)
{
    // The grid was placed again, or the view moved or changed size.
    if ((event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) &&
        (watched == gridContainer || watched == scrollArea->viewport()))
        showTilesInView();
    return QObject::eventFilter(watched, event);
}

void PageGrid::zoomTiles(const QList<PageWidget *> &pages, int percent)
{
    zoomLevel = percent / 100.0;
    const int count = pages.size();
    const QList<QPointer<PageWidget>> tiles(pages.cbegin(), pages.cend());
    if (count > 200) {
        const HeldGrid heldGrid(*this);
        emit statusChanged(
            QString::fromUtf8("⏳ Zooming %1 pages to %2%...").arg(count).arg(percent), 0);
        for (int i = 0; i < tiles.size(); ++i) {
            if (tiles[i])
                tiles[i]->setZoomLevel(zoomLevel);
            if (i > 0 && i % 50 == 0)
                QCoreApplication::processEvents();
        }
        relayout(pages);
    } else {
        for (PageWidget *tile : pages)
            tile->setZoomLevel(zoomLevel);
        relayout(pages);
    }
    emit statusChanged(QString::fromUtf8("✅ Zoom: %1%").arg(percent), 1500);
}

HeldGrid::HeldGrid(const PageGrid &grid)
    : window(grid.container()->window())
    , layout(grid.container()->layout())
{
    window->setUpdatesEnabled(false);
    if (layout)
        layout->setEnabled(false);
}

HeldGrid::~HeldGrid()
{
    if (window)
        window->setUpdatesEnabled(true);
    if (!layout)
        return;
    layout->setEnabled(true);
    QCoreApplication::postEvent(layout->parentWidget(), new QEvent(QEvent::LayoutRequest));
}
