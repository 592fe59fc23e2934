#include "PageWidget.h"

#include "SheetLook.h"

#include <QApplication>
#include <QCache>
#include <QDrag>
#include <QFileInfo>
#include <QGridLayout>
#include <QHash>
#include <QIcon>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTransform>
#include <QVBoxLayout>

namespace {

// Tile looks, in the order of PageWidget::Look. The tile paints them from a
// picture that the style-sheet engine renders once per size (SheetLook), so a
// change of state costs a repaint rather than a re-polish of the tile and its
// children.
const SheetLook &tileLook(int look)
{
    static const SheetLook looks[] = {
        {SheetLook::Widget,
         "background-color: #2d2d2d;    border: 2px solid #444;    border-radius: 6px;"},
        {SheetLook::Widget,
         "background-color: #2a2a2a;    border: 1px solid #404040;    border-radius: 6px;"},
        {SheetLook::Widget,
         "background-color: #2a2a2a;    border: 1px solid #1976d2;    border-radius: 6px;"},
        {SheetLook::Widget,
         "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #1565c0, "
         "stop:1 #0d47a1);    border: 5px solid #00e5ff;    border-radius: 8px;"},
        {SheetLook::Widget,
         "background-color: #1a1a2e;    border: 2px dashed #1976d2;    border-radius: 6px;"},
    };
    return looks[look];
}

const SheetLook &badgeLook(bool selected)
{
    static const SheetLook normal(
        SheetLook::Label, "QLabel {    background-color: #1976d2;    color: white;    font-size: "
                          "13px;    font-weight: 600;    border-radius: 14px;    border: 1px solid "
                          "#42a5f5; }");
    static const SheetLook chosen(
        SheetLook::Label, "QLabel {    background-color: #00e5ff;    color: #000000;    "
                          "font-size: 15px;    font-weight: 800;    border-radius: 14px;    "
                          "border: 2px solid #80deea; }");
    return selected ? chosen : normal;
}

const SheetLook &thumbnailLook()
{
    static const SheetLook look(SheetLook::Label, "QLabel {    background-color: white;    border: "
                                                  "1px solid #404040;    border-radius: 4px; }");
    return look;
}

const SheetLook &captionLook()
{
    static const SheetLook look(SheetLook::Label, "color: #e0e0e0; font-size: 10px;");
    return look;
}

const char *const kOverlayLook = "background-color: rgba(30, 30, 30, 220); border-radius: 4px;";

QString overlayButtonLook(const char *background, const char *border, const char *hoverBackground,
                          const char *hoverBorder)
{
    return QString(
               "QPushButton {    background-color: %1;    border: 1px solid %2;    "
               "border-radius: 6px; }QPushButton:hover {    background-color: %3;    border: 1px "
               "solid %4; }")
        .arg(background, border, hoverBackground, hoverBorder);
}

QString greyButtonLook()
{
    return overlayButtonLook("rgba(42, 42, 42, 240)", "rgba(64, 64, 64, 240)",
                             "rgba(53, 53, 53, 250)", "rgba(255, 255, 255, 180)");
}

QString blueButtonLook()
{
    return overlayButtonLook("rgba(25, 118, 210, 240)", "rgba(30, 136, 229, 240)",
                             "rgba(30, 136, 229, 250)", "rgba(66, 165, 245, 240)");
}

QString redButtonLook()
{
    return overlayButtonLook("rgba(198, 40, 40, 240)", "rgba(211, 47, 47, 240)",
                             "rgba(211, 47, 47, 250)", "rgba(229, 57, 53, 240)");
}

// Every tile shows the same four icons. Loading them per tile cost about a
// sixth of a megabyte and a millisecond and a half each, which adds up over
// 1500 tiles, so they are loaded once and shared.
QHash<int, QIcon> &sharedIcons()
{
    static QHash<int, QIcon> icons;
    static const bool cleanupRegistered = [] {
        qAddPostRoutine([] { sharedIcons().clear(); });
        return true;
    }();
    Q_UNUSED(cleanupRegistered);
    return icons;
}

QIcon overlayIcon(QStyle *style, int which)
{
    QHash<int, QIcon> &icons = sharedIcons();
    auto found = icons.find(which);
    if (found == icons.end())
        found =
            icons.insert(which, style->standardIcon(static_cast<QStyle::StandardPixmap>(which)));
    return *found;
}

// Pictures as drawn (turned and fitted) for the tiles painted lately, by
// source picture and rotation; the cost is in kilobytes. Keeping one per tile
// would take more memory than the pictures themselves at small load factors.
QCache<QString, QPixmap> *shownPicturesInstance = nullptr;

QCache<QString, QPixmap> &shownPictures()
{
    if (!shownPicturesInstance) {
        shownPicturesInstance = new QCache<QString, QPixmap>(16 * 1024);
        qAddPostRoutine([] {
            delete shownPicturesInstance;
            shownPicturesInstance = nullptr;
        });
    }
    return *shownPicturesInstance;
}

constexpr int kThumbWidth = 168;
constexpr int kThumbHeight = 180;
constexpr QSize kPictureBox(164, 176);

} // namespace

PageWidget::PageWidget(const QPixmap &thumbnail, const QString &filePath, int pageNumber,
                       int totalPages, int globalIndex, QWidget *parent)
    : QWidget(parent)
    , filePath(filePath)
    , pageNumber(pageNumber)
    , totalPages(totalPages)
    , globalIndex(globalIndex)
    , basePixmap(thumbnail)
{
    setAcceptDrops(true);
    setupUI();
}

void PageWidget::setupUI()
{
    setFixedSize(180, 250);
    setCursor(Qt::PointingHandCursor);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);

    // The labels keep their texts; the tile paints them (eventFilter).
    indexLabel = new QLabel(QString::number(globalIndex), this);
    indexLabel->setObjectName("indexLabel");
    indexLabel->setFixedSize(28, 28);
    indexLabel->installEventFilter(this);
    layout->addWidget(indexLabel, 0, Qt::AlignCenter);

    auto *container = new QWidget(this);
    container->setFixedSize(kThumbWidth, kThumbHeight);
    thumbnailLabel = new QLabel(container);
    thumbnailLabel->setObjectName("thumbnailLabel");
    thumbnailLabel->setGeometry(0, 0, kThumbWidth, kThumbHeight);
    thumbnailLabel->installEventFilter(this);
    layout->addWidget(container);

    QString name = QFileInfo(filePath).baseName();
    if (name.length() > 15)
        name = name.left(15) + "...";
    infoLabel = new QLabel(
        QString::fromUtf8("%1 • S:%2/%3").arg(name).arg(pageNumber).arg(totalPages), this);
    infoLabel->setObjectName("infoLabel");
    infoLabel->installEventFilter(this);
    layout->addWidget(infoLabel);
}

void PageWidget::createOverlay()
{
    const QSize size = thumbnailLabel->size();
    overlayWidget = new QWidget(thumbnailLabel);
    overlayWidget->setObjectName("overlayWidget");
    overlayWidget->setGeometry(0, 0, size.width(), size.height());
    overlayWidget->setStyleSheet(kOverlayLook);
    auto *overlayLayout = new QVBoxLayout(overlayWidget);
    overlayLayout->setContentsMargins(0, 0, 0, 0);
    overlayLayout->setSpacing(0);
    overlayLayout->setAlignment(Qt::AlignCenter);
    auto *buttons = new QWidget(overlayWidget);
    auto *grid = new QGridLayout(buttons);
    grid->setSpacing(8);
    grid->setContentsMargins(0, 0, 0, 0);
    overlayLayout->addWidget(buttons);

    previewButton =
        makeOverlayButton(QStyle::SP_FileDialogDetailedView, "Preview (or double-click)",
                          blueButtonLook(), "previewButton");
    selectButton = makeOverlayButton(QStyle::SP_DialogApplyButton, "Select/Deselect",
                                     greyButtonLook(), "selectButton");
    rotateButton = makeOverlayButton(QStyle::SP_BrowserReload, QString::fromUtf8("Rotate 90°"),
                                     greyButtonLook(), "rotateButton");
    removeButton = makeOverlayButton(QStyle::SP_DialogCloseButton, "Remove Page", redButtonLook(),
                                     "removeButton");
    grid->addWidget(previewButton, 0, 0);
    grid->addWidget(selectButton, 0, 1);
    grid->addWidget(rotateButton, 1, 0);
    grid->addWidget(removeButton, 1, 1);

    connect(previewButton, &QPushButton::clicked, this, [this] { emit previewRequested(this); });
    connect(selectButton, &QPushButton::clicked, this, [this] {
        selected = !selected;
        updateSelectionStyle();
        emit selectionChanged(this);
    });
    connect(rotateButton, &QPushButton::clicked, this, [this] {
        rotation = (rotation + 90) % 360;
        updateThumbnail();
        emit rotatePage(this);
    });
    connect(removeButton, &QPushButton::clicked, this, [this] { emit removePage(this); });
}

QPushButton *PageWidget::makeOverlayButton(int icon, const QString &toolTip, const QString &look,
                                           const char *objectName)
{
    auto *button = new QPushButton(overlayWidget);
    button->setObjectName(objectName);
    button->setFixedSize(36, 36);
    button->setIcon(overlayIcon(style(), icon));
    button->setIconSize(QSize(18, 18));
    button->setToolTip(toolTip);
    button->setStyleSheet(look);
    return button;
}

QPixmap PageWidget::shownPicture() const
{
    const QVariant stored = property("originalThumbnail");
    const QPixmap picture = stored.isValid() ? stored.value<QPixmap>() : basePixmap;
    if (picture.isNull())
        return QPixmap();
    const QString key = QString("%1/%2").arg(picture.cacheKey()).arg(rotation);
    if (const QPixmap *shown = shownPictures().object(key))
        return *shown;
    QPixmap shown = picture;
    if (rotation != 0)
        shown = shown.transformed(QTransform().rotate(rotation), Qt::SmoothTransformation);
    shown = shown.scaled(kPictureBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    shownPictures().insert(key, new QPixmap(shown), shown.width() * shown.height() * 4 / 1024 + 1);
    return shown;
}

// Answering from the fixed size spares the grid, which asks every tile, from
// asking the labels inside for their sizes, which means laying out their texts.
QSize PageWidget::sizeHint() const
{
    return minimumSize();
}

QSize PageWidget::minimumSizeHint() const
{
    return minimumSize();
}

bool PageWidget::hasHeightForWidth() const
{
    return false;
}

void PageWidget::updateThumbnail()
{
    thumbnailLabel->update();
}

void PageWidget::setRotation(int degrees)
{
    rotation = degrees % 360;
    updateThumbnail();
}

void PageWidget::setZoomLevel(double zoom)
{
    const int w = static_cast<int>(zoom * kThumbWidth);
    const int h = static_cast<int>(zoom * kThumbHeight);
    thumbnailLabel->setFixedSize(w, h);
    thumbnailLabel->parentWidget()->setFixedSize(w, h);
    if (overlayWidget)
        overlayWidget->setGeometry(0, 0, w, h);
    setFixedSize(w + 12, h + 80);
    updateThumbnail();
}

void PageWidget::setGlobalIndex(int index)
{
    globalIndex = index;
    indexLabel->setText(QString::number(index));
}

void PageWidget::setSelected(bool isSelected)
{
    selected = isSelected;
    updateSelectionStyle();
}

void PageWidget::updateSelectionStyle()
{
    setLook(selected ? Look::Selected : Look::Normal);
    // The badge follows the selection flag.
    indexLabel->update();
}

void PageWidget::setLook(Look newLook)
{
    if (look == newLook)
        return;
    look = newLook;
    update();
}

void PageWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    tileLook(static_cast<int>(look)).paint(painter, rect());
}

bool PageWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Paint)
        return QWidget::eventFilter(watched, event);
    auto *label = static_cast<QLabel *>(watched);
    QPainter painter(label);
    if (label == indexLabel) {
        badgeLook(selected).paint(painter, label->rect());
        badgeLook(selected).paintText(painter, label->rect(), label->text());
    } else if (label == thumbnailLabel) {
        thumbnailLook().paint(painter, label->rect());
        // As a label draws its pixmap: centred, clipped to the inside of the border.
        label->style()->drawItemPixmap(&painter, thumbnailLook().contentsRect(label->rect()),
                                       Qt::AlignCenter, shownPicture());
    } else if (label == infoLabel) {
        captionLook().paintText(painter, label->rect(), label->text());
    }
    return true;
}

void PageWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        dragStartPosition = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void PageWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint position = event->position().toPoint();
    if ((position - dragStartPosition).manhattanLength() < QApplication::startDragDistance())
        return;

    setCursor(Qt::ClosedHandCursor);
    auto *drag = new QDrag(this);
    auto *mime = new QMimeData;
    mime->setText(QString::number(globalIndex));
    drag->setMimeData(mime);

    QPixmap image(qRound(width() * 0.7), qRound(height() * 0.7));
    image.fill(Qt::transparent);
    render(&image, QPoint(0, 0));
    drag->setPixmap(image);
    drag->setHotSpot(QPoint(qRound(position.x() * 0.7), qRound(position.y() * 0.7)));

    emit dragStarted(this);
    drag->exec(Qt::MoveAction);
    setCursor(Qt::PointingHandCursor);
}

void PageWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit previewRequested(this);
    QWidget::mouseDoubleClickEvent(event);
}

void PageWidget::enterEvent(QEnterEvent *event)
{
    if (!overlayWidget)
        createOverlay();
    overlayWidget->show();
    overlayWidget->raise();
    if (!selected)
        setLook(Look::Hover);
    QWidget::enterEvent(event);
}

void PageWidget::leaveEvent(QEvent *event)
{
    if (overlayWidget)
        overlayWidget->hide();
    if (!selected)
        setLook(Look::Normal);
    QWidget::leaveEvent(event);
}

void PageWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText()) {
        event->acceptProposedAction();
        setLook(Look::DragOver);
    }
}

void PageWidget::dropEvent(QDropEvent *event)
{
    if (event->mimeData()->hasText()) {
        const int index = event->mimeData()->text().toInt();
        if (index != globalIndex)
            emit pageDropped(this, this);
        event->acceptProposedAction();
    }
    updateSelectionStyle();
}
