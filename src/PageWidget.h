#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

class QLabel;
class QPushButton;

// One page of one source PDF in the grid: the live record of the page
// (source, page number, rotation, selection) and its thumbnail tile.
// It never opens a PDF; it reports the user's actions by signals.
// The tile paints its looks from its state (no style sheet per tile), draws
// its picture turned and fitted when painted, and makes its overlay buttons
// when the mouse first enters it, so that many tiles stay cheap.
class PageWidget : public QWidget
{
    Q_OBJECT

public:
    PageWidget(const QPixmap &thumbnail, const QString &filePath, int pageNumber, int totalPages,
               int globalIndex, QWidget *parent = nullptr);

    void setRotation(int degrees);
    void setZoomLevel(double zoom);
    void setGlobalIndex(int index);
    void setSelected(bool selected);
    void updateSelectionStyle();

    QString getFilePath() const { return filePath; }
    int getPageNumber() const { return pageNumber; }
    int getRotation() const { return rotation; }
    int getGlobalIndex() const { return globalIndex; }
    bool isSelected() const { return selected; }
    // The picture as the tile shows it: turned by the rotation, fitted into 164 x 176.
    QPixmap shownPicture() const;

    // The tile's fixed size, and no height that depends on the width.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;

signals:
    void rotatePage(PageWidget *page);
    void removePage(PageWidget *page);
    void selectionChanged(PageWidget *page);
    void dragStarted(PageWidget *page);
    void previewRequested(PageWidget *page);
    void pageDropped(PageWidget *source, PageWidget *target);

public slots:
    void updateThumbnail();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    enum class Look { First, Normal, Hover, Selected, DragOver };

    void setupUI();
    void createOverlay();
    QPushButton *makeOverlayButton(int icon, const QString &toolTip, const QString &look,
                                   const char *objectName);
    void setLook(Look newLook);

    QLabel *thumbnailLabel = nullptr;
    QLabel *infoLabel = nullptr;
    QLabel *indexLabel = nullptr;
    QPushButton *selectButton = nullptr;
    QPushButton *rotateButton = nullptr;
    QPushButton *removeButton = nullptr;
    QPushButton *previewButton = nullptr;
    QWidget *overlayWidget = nullptr;

    QString filePath;
    int pageNumber;
    int totalPages;
    int globalIndex;
    int rotation = 0;
    bool selected = false;
    QPixmap basePixmap;
    QPoint dragStartPosition;
    Look look = Look::First;
};

Q_DECLARE_METATYPE(PageWidget *)
