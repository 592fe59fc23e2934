#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class PageWidget;
class QLabel;
class QLayout;
class QScrollArea;
class QWidget;

// The window's scroll area of tiles: places the tiles in rows as wide as the
// view, shows the empty state and the page counter, and shows only the tiles
// near the view. The window keeps the tiles and their order.
class PageGrid : public QObject
{
    Q_OBJECT

public:
    // Makes the scroll area under `parent`, for the window to place; the
    // grid's counts are shown on `counter`.
    PageGrid(QWidget *parent, QLabel *counter);

    QScrollArea *view() const { return scrollArea; }
    // Tiles are made here; see MainWindow::createTile().
    QWidget *container() const { return gridContainer; }

    // Places `tiles` (the live list: it may change while events are pumped),
    // numbers them and counts their pages and files.
    void relayout(const QList<PageWidget *> &tiles);
    // Sets every tile to `percent` and places them again.
    void zoomTiles(const QList<PageWidget *> &tiles, int percent);
    static void numberTiles(const QList<PageWidget *> &tiles);

signals:
    void statusChanged(const QString &text, int timeout);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showEmptyGrid();
    bool layOutTiles(const QList<PageWidget *> &tiles, bool pumpEvents);
    void showTilesInView();

    QLabel *pageCountLabel;
    QScrollArea *scrollArea;
    QWidget *gridContainer;
    double zoomLevel = 1.0;
};

// Holds the window and the grid still while a pass that pumps events changes
// many tiles: each change would otherwise have the whole grid placed again at
// the next pump. When the pass ends the window paints again and the grid is
// placed once, unless it was replaced meanwhile.
class HeldGrid
{
public:
    explicit HeldGrid(const PageGrid &grid);
    ~HeldGrid();
    HeldGrid(const HeldGrid &) = delete;
    HeldGrid &operator=(const HeldGrid &) = delete;

private:
    QPointer<QWidget> window;
    QPointer<QLayout> layout;
};
