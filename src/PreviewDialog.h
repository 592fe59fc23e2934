#pragma once

#include <QDialog>
#include <QList>
#include <QPixmap>
#include <QString>

class QLabel;
class QPushButton;
class QScrollArea;
class QSlider;

// One page handed to the preview: where it comes from.
struct PageInfo
{
    QString filePath;
    int pageNumber = 0;
};

// A modal viewer that renders one page at a time afresh from its source PDF,
// unrotated and without stamps, with zoom, fit and navigation over the list.
class PreviewDialog : public QDialog
{
    Q_OBJECT

public:
    PreviewDialog(const QList<PageInfo> &pages, int currentIndex, QWidget *parent = nullptr);

public slots:
    void nextPage();
    void prevPage();
    void firstPage();
    void lastPage();
    void onZoomChanged(int value);
    void fitToWindow();
    void actualSize();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setupUI();
    class QHBoxLayout *createHeader();
    QScrollArea *createView();
    void createFloatingButtons();
    QHBoxLayout *createBottomRow();
    void loadPage(int index);
    void updateNavigationButtons();
    void showScaled();
    void placeFloatingButtons();
    void goTo(int index);

    QList<PageInfo> pages;
    int currentIndex;
    double zoomFactor = 1.0;
    QScrollArea *scrollArea = nullptr;
    QLabel *imageLabel = nullptr;
    QLabel *infoLabel = nullptr;
    QPushButton *firstButton = nullptr;
    QPushButton *prevButton = nullptr;
    QPushButton *nextButton = nullptr;
    QPushButton *lastButton = nullptr;
    QSlider *zoomSlider = nullptr;
    QPushButton *fitButton = nullptr;
    QPushButton *actualSizeButton = nullptr;
    QPushButton *closeButton = nullptr;
    QPixmap currentPixmap;
};
