#pragma once

#include <QObject>
#include <QSize>

class QWidget;

// Keeps a top-level window within the room its screen offers (the available
// geometry, less panels and the window's frame). The window opens at the size
// it wants where that fits, and fills the room otherwise; its minimum size
// never exceeds the room, on whichever screen it is shown.
class ScreenFit : public QObject
{
    Q_OBJECT

public:
    ScreenFit(QWidget *window, const QSize &minimum);

    // Sizes the window before it is first shown.
    void open(const QSize &wanted);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitMinimum();
    QSize room() const;

    QWidget *window;
    QSize minimum;
};
