#include "SheetLook.h"

#include <QApplication>
#include <QCache>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QLabel>
#include <QMargins>
#include <QPainter>
#include <QPixmap>
#include <QRect>

struct SheetLook::Metrics
{
    QFont font;
    QColor text;
    QMargins border;
};

namespace {

// Fonts and pixmaps must go before the application does.
struct Caches
{
    QHash<int, SheetLook::Metrics> metrics;
    // Rendered looks by look and size; the cost is in kilobytes.
    QCache<QString, QPixmap> pictures{8 * 1024};
};

Caches *cachesInstance = nullptr;

Caches &caches()
{
    if (!cachesInstance) {
        cachesInstance = new Caches;
        qAddPostRoutine([] {
            delete cachesInstance;
            cachesInstance = nullptr;
        });
    }
    return *cachesInstance;
}

// A sample widget with the sheet, inside a parent so that it is not a window
// (a window would fill its corners with the palette's colour).
struct Sample
{
    Sample(SheetLook::Kind kind, const QString &sheet, const QSize &size)
    {
        widget = kind == SheetLook::Label ? new QLabel(&parent) : new QWidget(&parent);
        if (kind == SheetLook::Widget)
            widget->setAttribute(Qt::WA_StyledBackground, true);
        widget->setStyleSheet(sheet);
        widget->resize(size);
        widget->ensurePolished();
    }
    QWidget parent;
    QWidget *widget;
};

int nextId()
{
    static int id = 0;
    return ++id;
}

} // namespace

SheetLook::SheetLook(Kind kind, const QString &sheet)
    : kind(kind)
    , sheet(sheet)
    , id(nextId())
{}

const SheetLook::Metrics &SheetLook::metrics() const
{
    QHash<int, Metrics> &all = caches().metrics;
    auto found = all.constFind(id);
    if (found != all.constEnd())
        return *found;
    const QSize size(100, 100);
    Sample sample(kind, sheet, size);
    const QRect contents = sample.widget->contentsRect();
    Metrics measured{sample.widget->font(),
                     sample.widget->palette().color(sample.widget->foregroundRole()),
                     QMargins(contents.left(), contents.top(), size.width() - 1 - contents.right(),
                              size.height() - 1 - contents.bottom())};
    return *all.insert(id, measured);
}

void SheetLook::paint(QPainter &painter, const QRect &rect) const
{
    const qreal ratio = painter.device()->devicePixelRatio();
    const QString key =
        QString("%1/%2x%3/%4").arg(id).arg(rect.width()).arg(rect.height()).arg(ratio);
    if (const QPixmap *cached = caches().pictures.object(key)) {
        painter.drawPixmap(rect.topLeft(), *cached);
        return;
    }
    QPixmap picture(rect.size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    Sample sample(kind, sheet, rect.size());
    sample.widget->render(&picture, QPoint(), QRegion(), QWidget::RenderFlags());
    painter.drawPixmap(rect.topLeft(), picture);
    caches().pictures.insert(key, new QPixmap(picture),
                             picture.width() * picture.height() * 4 / 1024 + 1);
}

void SheetLook::paintText(QPainter &painter, const QRect &rect, const QString &text) const
{
    const Metrics &m = metrics();
    painter.setFont(m.font);
    painter.setPen(m.text);
    painter.drawText(rect.marginsRemoved(m.border), Qt::AlignCenter, text);
}

QRect SheetLook::contentsRect(const QRect &rect) const
{
    return rect.marginsRemoved(metrics().border);
}
