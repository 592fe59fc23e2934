#include "ScreenFit.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

ScreenFit::ScreenFit(QWidget *window, const QSize &minimum)
    : QObject(window)
    , window(window)
    , minimum(minimum)
{
    window->installEventFilter(this);
    fitMinimum();
}

void ScreenFit::open(const QSize &wanted)
{
    const QSize fitting = wanted.boundedTo(room());
    window->resize(fitting);
    // Only the window manager knows the panels and the frame: a maximised
    // window is fitted between them. Without one, the size above holds.
    if (fitting != wanted)
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

bool ScreenFit::eventFilter(QObject *watched, QEvent *event)
{
    // The frame is known once the window is shown, on X11 only when the window
    // manager has framed and so moved it; the window can later be moved to a
    // screen of another size.
    if (watched != window)
        return false;
    if (event->type() == QEvent::Show) {
        connect(window->windowHandle(), &QWindow::screenChanged, this, &ScreenFit::fitMinimum,
                Qt::UniqueConnection);
    }
    if (event->type() == QEvent::Show || event->type() == QEvent::Move)
        fitMinimum();
    return QObject::eventFilter(watched, event);
}

void ScreenFit::fitMinimum()
{
    window->setMinimumSize(minimum.boundedTo(room()));
}

QSize ScreenFit::room() const
{
    const QScreen *screen = window->screen();
    if (!screen) // nothing to fit into
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize frame = window->frameGeometry().size() - window->size();
    return screen->availableGeometry().size() - frame;
}
