#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

class QLabel;
class QPushButton;

// One page of one source PDF in the grid: the live record of the page
// (source, page number, rotation, selection) and its thumbnail tile.
// It never opens a PDF; it reports the user's actions by signals.
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
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void setupUI();
    QPushButton *makeOverlayButton(int icon, const QString &toolTip, const QString &look,
                                   const char *objectName);
    void applyLook(const QString &tileSheet);

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
};

Q_DECLARE_METATYPE(PageWidget *)
