#include "FlowLayout.h"

#include <QWidget>

FlowLayout::FlowLayout(QWidget *parent)
    : QLayout(parent)
{}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void FlowLayout::addSeparator(QWidget *separator)
{
    addWidget(separator);
    entries.last().separator = true;
}

void FlowLayout::addItem(QLayoutItem *item)
{
    entries.append({item, false});
    invalidate();
}

int FlowLayout::count() const
{
    return entries.size();
}

QLayoutItem *FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < entries.size() ? entries.at(index).item : nullptr;
}

QLayoutItem *FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= entries.size())
        return nullptr;
    QLayoutItem *item = entries.takeAt(index).item;
    invalidate();
    return item;
}

Qt::Orientations FlowLayout::expandingDirections() const
{
    return {};
}

bool FlowLayout::hasHeightForWidth() const
{
    return true;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const
{
    // The widest item: narrower, it would be clipped.
    QSize size(0, 0);
    for (const Entry &entry : entries) {
        if (!entry.item->isEmpty())
            size = size.expandedTo(entry.item->sizeHint());
    }
    return size.grownBy(contentsMargins());
}

// Everything on one line, as the row stands where it has room.
QSize FlowLayout::sizeHint() const
{
    QSize size(0, 0);
    for (const Entry &entry : entries) {
        if (entry.item->isEmpty())
            continue;
        const QSize hint = entry.item->sizeHint();
        size.setWidth(size.width() + (size.width() > 0 ? gap() : 0) + hint.width());
        size.setHeight(qMax(size.height(), hint.height()));
    }
    return size.grownBy(contentsMargins());
}

void FlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::gap() const
{
    return qMax(0, spacing());
}

// The width of the group that starts at entry first, up to the next separator.
int FlowLayout::groupWidth(int first) const
{
    int width = 0;
    for (int i = first; i < entries.size() && !entries.at(i).separator; ++i) {
        if (!entries.at(i).item->isEmpty())
            width += (width > 0 ? gap() : 0) + entries.at(i).item->sizeHint().width();
    }
    return width;
}

int FlowLayout::arrange(const QRect &rect, bool apply) const
{
    const QMargins margins = contentsMargins();
    const QRect area = rect.marginsRemoved(margins);
    struct Placed
    {
        QLayoutItem *item;
        int x;
        int width;
    };
    QList<QList<Placed>> lines(1);
    QList<QLayoutItem *> dropped;
    int x = area.x();
    for (int i = 0; i < entries.size(); ++i) {
        const Entry &entry = entries.at(i);
        if (entry.item->isEmpty())
            continue;
        const int width = entry.item->sizeHint().width();
        // A separator stays only where the whole group after it fits beside it.
        const int needed = entry.separator ? width + gap() + groupWidth(i + 1) : width;
        if (!lines.last().isEmpty() && x + gap() + needed > area.x() + area.width()) {
            lines.append(QList<Placed>());
            x = area.x();
        }
        if (entry.separator && lines.last().isEmpty()) {
            dropped.append(entry.item);
            continue;
        }
        if (!lines.last().isEmpty())
            x += gap();
        lines.last().append({entry.item, x, width});
        x += width;
    }

    int y = area.y();
    for (const QList<Placed> &line : std::as_const(lines)) {
        int height = 0;
        for (const Placed &placed : line)
            height = qMax(height, placed.item->sizeHint().height());
        if (apply) {
            // As in a box layout: items of fixed height are centred in the line.
            for (const Placed &placed : line)
                placed.item->setGeometry(QRect(placed.x, y, placed.width, height));
        }
        if (height > 0)
            y += height + gap();
    }
    if (apply) {
        for (QLayoutItem *item : std::as_const(dropped))
            item->setGeometry(QRect(area.topLeft(), QSize(0, 0)));
    }
    const int used = y > area.y() ? y - gap() - area.y() : 0;
    return used + margins.top() + margins.bottom();
}
