#include "TileSnapshots.h"

#include "PageWidget.h"

#include <QHash>

namespace {

// A page of a source, by which undo and redo find its live tile.
struct PageKey
{
    QString filePath;
    int pageNumber;
    int totalPages;
    bool operator==(const PageKey &other) const
    {
        return pageNumber == other.pageNumber && totalPages == other.totalPages &&
               filePath == other.filePath;
    }
};

size_t qHash(const PageKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.filePath, key.pageNumber, key.totalPages);
}

PageKey pageKeyOf(const PageWidget *tile)
{
    return {tile->getFilePath(), tile->getPageNumber(), tile->property("totalPages").toInt()};
}

} // namespace

QList<PageData> TileSnapshots::take(const QList<PageWidget *> &tiles)
{
    QList<PageData> data;
    data.reserve(tiles.size());
    for (const PageWidget *tile : tiles) {
        PageData page;
        page.filePath = tile->getFilePath();
        page.pageNumber = tile->getPageNumber();
        page.totalPages = tile->property("totalPages").toInt();
        page.rotation = tile->getRotation();
        page.isSelected = tile->isSelected();
        page.thumbnail = tile->property("originalThumbnail").value<QPixmap>();
        data.append(page);
    }
    return data;
}

QList<PageWidget *> TileSnapshots::restore(const QList<PageWidget *> &liveTiles,
                                           const QList<PageData> &snapshot,
                                           const TileMaker &makeTile)
{
    QHash<PageKey, QList<PageWidget *>> live;
    for (PageWidget *tile : liveTiles)
        live[pageKeyOf(tile)].append(tile);

    QList<PageWidget *> tiles;
    tiles.reserve(snapshot.size());
    for (int i = 0; i < snapshot.size(); ++i) {
        const PageData &page = snapshot.at(i);
        auto found = live.find({page.filePath, page.pageNumber, page.totalPages});
        PageWidget *tile = nullptr;
        if (found != live.end() && !found->isEmpty()) {
            tile = found->takeFirst();
            if (tile->property("originalThumbnail").value<QPixmap>().cacheKey() !=
                page.thumbnail.cacheKey())
                tile->setProperty("originalThumbnail", QVariant::fromValue(page.thumbnail));
        } else {
            tile = makeTile(page, i + 1);
        }
        tile->setRotation(page.rotation);
        tile->setSelected(page.isSelected);
        tiles.append(tile);
    }
    for (const QList<PageWidget *> &unused : std::as_const(live))
        for (PageWidget *tile : unused)
            tile->deleteLater();
    return tiles;
}
