#pragma once

#include <QString>

class QPainter;
class QRect;

// One style-sheet look for widgets that are many and change their looks often
// (the page tiles). The style-sheet engine renders the sheet once per size;
// the widgets paint that picture, and their text in the sheet's font and
// colour, so they show the same pixels as with the sheet set on each of them,
// without the polish of the widget and its children that setting a sheet costs.
class SheetLook
{
public:
    enum Kind { Widget, Label };

    // A sheet of declarations or rules for a plain widget or for a label.
    SheetLook(Kind kind, const QString &sheet);

    // Background and border, as the engine draws them for a widget of rect's size.
    void paint(QPainter &painter, const QRect &rect) const;
    // Text as a label with this sheet draws it: centred inside the border.
    void paintText(QPainter &painter, const QRect &rect, const QString &text) const;
    // The part of rect inside the border, where a label puts its contents.
    QRect contentsRect(const QRect &rect) const;

    struct Metrics; // font, text colour and border widths, measured once

private:
    const Metrics &metrics() const;

    Kind kind;
    QString sheet;
    int id;
};
