#pragma once

#include <QLayout>
#include <QList>

// A toolbar row that wraps: its items stand left to right at their preferred
// sizes, as in a box layout with a closing stretch, and where the row is
// narrower than they need they go on in further lines below. Separators split
// the row into groups; a line breaks between groups where a whole group fits
// on the next line, and a separator at a break is not drawn. No item is ever
// made narrower than it asks to be, so no text is clipped.
class FlowLayout : public QLayout
{
public:
    explicit FlowLayout(QWidget *parent = nullptr);
    ~FlowLayout() override;

    // Adds a separator that ends one group and starts the next.
    void addSeparator(QWidget *separator);

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect &rect) override;

private:
    struct Entry
    {
        QLayoutItem *item = nullptr;
        bool separator = false;
    };

    // Breaks the items into lines within rect; places them when apply is set.
    // Returns the height that the lines take, margins included.
    int arrange(const QRect &rect, bool apply) const;
    int groupWidth(int first) const;
    int gap() const;

    QList<Entry> entries;
};
