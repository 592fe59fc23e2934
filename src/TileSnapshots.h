#pragma once

#include "UndoHistory.h"

#include <QList>
#include <functional>

class PageWidget;

// Turns tiles into the snapshots of the undo history and back.
class TileSnapshots
{
public:
    using TileMaker = std::function<PageWidget *(const PageData &page, int globalIndex)>;

    static QList<PageData> take(const QList<PageWidget *> &tiles);
    // The tiles of `snapshot`, in its order. The live tile of each page is
    // reused: only its place, rotation, selection and picture change. Tiles are
    // made only for pages that are not live, and the live tiles the snapshot
    // does not hold are deleted later.
    static QList<PageWidget *> restore(const QList<PageWidget *> &live,
                                       const QList<PageData> &snapshot, const TileMaker &makeTile);
};
