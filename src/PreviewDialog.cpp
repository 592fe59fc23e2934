#include "PreviewDialog.h"

#include "Theme.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPdfDocument>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char *const kInfoLook = "font-size: 13px; font-weight: 600; color: #e0e0e0; padding: 8px "
                              "12px; background-color: #2a2a2a; border-radius: 6px;";
const char *const kZoomLabelLook = "color: #ccc; font-size: 12px;";
const char *const kSliderLook =
    "QSlider::groove:horizontal {    background: #2a2a2a;    height: 4px;    border-radius: 2px; "
    "}QSlider::handle:horizontal {    background: #1976d2;    width: 14px;    height: 14px;    "
    "margin: -5px 0;    border-radius: 7px; }";
const char *const kSmallButtonLook =
    "QPushButton {    background-color: #2a2a2a;    border: 1px solid #404040;    border-radius: "
    "4px;    font-size: 11px; }QPushButton:hover { background-color: #353535; }";
const char *const kScrollAreaLook = "QScrollArea {    background-color: #1a1a1a;    border: 1px "
                                    "solid #2a2a2a;    border-radius: 6px; }";
const char *const kImageLook = "background-color: white; padding: 5px;";
const char *const kFloatingButtonLook =
    "QPushButton {    background-color: rgba(42, 42, 42, 220);    border: 1px solid rgba(64, 64, "
    "64, 240);    border-radius: 8px;    font-size: 20px;    font-weight: bold;    color: white; "
    "}QPushButton:hover {    background-color: rgba(25, 118, 210, 240);    border: 1px solid "
    "rgba(66, 165, 245, 240); }QPushButton:disabled {    background-color: rgba(30, 30, 30, 150);  "
    "  color: rgba(85, 85, 85, 150);    border: 1px solid rgba(42, 42, 42, 150); }";
const char *const kBottomButtonLook =
    "QPushButton {    background-color: #2a2a2a;    border: 1px solid #404040;    border-radius: "
    "6px;    font-size: 12px;    font-weight: 500;    padding: 6px 12px; }QPushButton:hover { "
    "background-color: #1976d2; border-color: #42a5f5; }QPushButton:disabled { background-color: "
    "#1e1e1e; color: #555; border-color: #2a2a2a; }";
const char *const kCloseButtonLook =
    "QPushButton {    background-color: #c62828;    border: 1px solid #d32f2f;    border-radius: "
    "6px;    font-size: 12px;    font-weight: 500;    padding: 6px 12px;    color: white; "
    "}QPushButton:hover { background-color: #d32f2f; border-color: #e53935; }";

constexpr int kFloatingWidth = 50;
constexpr int kFloatingHeight = 80;
constexpr int kFitDelayAfterOpen = 100;
constexpr int kFitDelayAfterMove = 50;
constexpr double kRenderScale = 2.5;
constexpr int kMaxRenderSide = 8000;

// The buttons never take the keyboard focus, so that the arrow and page keys
// always reach the dialog's own navigation instead of a slider or button.
QPushButton *makeButton(const QString &text, const char *look, const char *objectName,
                        QWidget *parent = nullptr)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setStyleSheet(look);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// Renders at kRenderScale pixels per point, but never beyond kMaxRenderSide
// on the longer side, so that a poster-sized page can still be allocated.
QImage renderOnWhite(QPdfDocument &document, int pageIndex)
{
    // Scaled in floating point: a damaged page may claim billions of points.
    QSizeF pixels = document.pagePointSize(pageIndex) * kRenderScale;
    if (qMax(pixels.width(), pixels.height()) > kMaxRenderSide)
        pixels.scale(kMaxRenderSide, kMaxRenderSide, Qt::KeepAspectRatio);
    const QSize size(static_cast<int>(pixels.width()), static_cast<int>(pixels.height()));
    if (size.isEmpty())
        return {};
    QImage page = document.render(pageIndex, size);
    if (page.isNull())
        return {};
    // The renderer leaves unpainted paper transparent; white goes behind it
    // in place, so a large page needs no second buffer.
    {
        QPainter painter(&page);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        painter.fillRect(page.rect(), Qt::white);
    }
    page.convertTo(QImage::Format_RGB32);
    return page;
}

} // namespace

PreviewDialog::PreviewDialog(const QList<PageInfo> &pages, int currentIndex, QWidget *parent)
    : QDialog(parent)
    , pages(pages)
    , currentIndex(currentIndex)
{
    setWindowTitle("PDF Preview");
    resize(1000, 800);
    setModal(true);
    setupUI();
    loadPage(currentIndex);
    QTimer::singleShot(kFitDelayAfterOpen, this, &PreviewDialog::fitToWindow);
}

void PreviewDialog::setupUI()
{
    setStyleSheet(Theme::dialogBackground());
    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(10, 10, 10, 10);
    mainLayout->setSpacing(8);
    mainLayout->addLayout(createHeader());
    mainLayout->addWidget(createView(), 1);
    createFloatingButtons();
    mainLayout->addLayout(createBottomRow());
}

QHBoxLayout *PreviewDialog::createHeader()
{
    auto *header = new QHBoxLayout;
    infoLabel = new QLabel(this);
    infoLabel->setObjectName("infoLabel");
    infoLabel->setStyleSheet(kInfoLook);
    header->addWidget(infoLabel);
    header->addStretch();
    auto *zoomLabel = new QLabel("Zoom:", this);
    zoomLabel->setStyleSheet(kZoomLabelLook);
    header->addWidget(zoomLabel);
    zoomSlider = new QSlider(Qt::Horizontal, this);
    zoomSlider->setObjectName("zoomSlider");
    zoomSlider->setRange(25, 400);
    zoomSlider->setValue(100);
    zoomSlider->setFixedWidth(150);
    zoomSlider->setStyleSheet(kSliderLook);
    zoomSlider->setFocusPolicy(Qt::NoFocus);
    connect(zoomSlider, &QSlider::valueChanged, this, &PreviewDialog::onZoomChanged);
    header->addWidget(zoomSlider);
    fitButton = makeButton("Fit", kSmallButtonLook, "fitButton");
    fitButton->setFixedSize(50, 30);
    fitButton->setToolTip("Fit to Window");
    connect(fitButton, &QPushButton::clicked, this, &PreviewDialog::fitToWindow);
    header->addWidget(fitButton);
    actualSizeButton = makeButton("100%", kSmallButtonLook, "actualSizeButton");
    actualSizeButton->setFixedSize(50, 30);
    actualSizeButton->setToolTip("Actual Size");
    connect(actualSizeButton, &QPushButton::clicked, this, &PreviewDialog::actualSize);
    header->addWidget(actualSizeButton);
    return header;
}

QScrollArea *PreviewDialog::createView()
{
    scrollArea = new QScrollArea(this);
    scrollArea->setObjectName("scrollArea");
    scrollArea->setWidgetResizable(false);
    scrollArea->setAlignment(Qt::AlignCenter);
    scrollArea->setStyleSheet(kScrollAreaLook);
    scrollArea->setFocusPolicy(Qt::NoFocus);
    imageLabel = new QLabel;
    imageLabel->setObjectName("imageLabel");
    imageLabel->setAlignment(Qt::AlignCenter);
    imageLabel->setScaledContents(false);
    imageLabel->setStyleSheet(kImageLook);
    scrollArea->setWidget(imageLabel);
    return scrollArea;
}

// Floating over the page, placed by resizeEvent().
void PreviewDialog::createFloatingButtons()
{
    prevButton = makeButton(QString::fromUtf8("◀"), kFloatingButtonLook, "prevButton", this);
    prevButton->setFixedSize(kFloatingWidth, kFloatingHeight);
    prevButton->setToolTip(QString::fromUtf8("Previous Page (←)"));
    connect(prevButton, &QPushButton::clicked, this, &PreviewDialog::prevPage);
    nextButton = makeButton(QString::fromUtf8("▶"), kFloatingButtonLook, "nextButton", this);
    nextButton->setFixedSize(kFloatingWidth, kFloatingHeight);
    nextButton->setToolTip(QString::fromUtf8("Next Page (→)"));
    connect(nextButton, &QPushButton::clicked, this, &PreviewDialog::nextPage);
    prevButton->raise();
    nextButton->raise();
}

QHBoxLayout *PreviewDialog::createBottomRow()
{
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(8);
    firstButton = makeButton(QString::fromUtf8("⏮ First"), kBottomButtonLook, "firstButton");
    firstButton->setMinimumHeight(36);
    connect(firstButton, &QPushButton::clicked, this, &PreviewDialog::firstPage);
    bottom->addWidget(firstButton);
    lastButton = makeButton(QString::fromUtf8("Last ⏭"), kBottomButtonLook, "lastButton");
    lastButton->setMinimumHeight(36);
    connect(lastButton, &QPushButton::clicked, this, &PreviewDialog::lastPage);
    bottom->addWidget(lastButton);
    bottom->addStretch();
    closeButton = makeButton(QString::fromUtf8("✖ Close"), kCloseButtonLook, "closeButton");
    closeButton->setMinimumHeight(36);
    closeButton->setMinimumWidth(100);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(closeButton);
    return bottom;
}

void PreviewDialog::loadPage(int index)
{
    if (index < 0 || index >= pages.size())
        return;
    currentIndex = index;
    const PageInfo &page = pages.at(index);
    // An unreadable source keeps the previous picture, label and buttons.
    QPdfDocument document;
    document.load(page.filePath);
    if (document.status() != QPdfDocument::Status::Ready)
        return;
    QImage image = renderOnWhite(document, page.pageNumber - 1);
    if (!image.isNull()) {
        currentPixmap = QPixmap::fromImage(std::move(image));
        showScaled();
    }
    infoLabel->setText(QString::fromUtf8("Page %1 of %2 • %3")
                           .arg(index + 1)
                           .arg(pages.size())
                           .arg(QFileInfo(page.filePath).fileName()));
    updateNavigationButtons();
}

void PreviewDialog::showScaled()
{
    const QSize size(static_cast<int>(currentPixmap.width() * zoomFactor),
                     static_cast<int>(currentPixmap.height() * zoomFactor));
    const QPixmap scaled =
        currentPixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    imageLabel->setPixmap(scaled);
    imageLabel->resize(scaled.size());
}

void PreviewDialog::updateNavigationButtons()
{
    const int count = pages.size();
    firstButton->setEnabled(currentIndex > 0);
    prevButton->setEnabled(currentIndex > 0);
    nextButton->setEnabled(currentIndex < count - 1);
    lastButton->setEnabled(currentIndex < count - 1);
    prevButton->setVisible(count > 1);
    nextButton->setVisible(count > 1);
}

void PreviewDialog::goTo(int index)
{
    loadPage(index);
    QTimer::singleShot(kFitDelayAfterMove, this, &PreviewDialog::fitToWindow);
}

void PreviewDialog::nextPage()
{
    if (currentIndex < pages.size() - 1)
        goTo(currentIndex + 1);
}

void PreviewDialog::prevPage()
{
    if (currentIndex > 0)
        goTo(currentIndex - 1);
}

void PreviewDialog::firstPage()
{
    goTo(0);
}

void PreviewDialog::lastPage()
{
    goTo(pages.size() - 1);
}

void PreviewDialog::onZoomChanged(int value)
{
    zoomFactor = value / 100.0;
    if (!currentPixmap.isNull())
        showScaled();
}

void PreviewDialog::fitToWindow()
{
    if (currentPixmap.isNull())
        return;
    const QSize viewport = scrollArea->viewport()->size();
    const double scale = qMin(double(viewport.width()) / currentPixmap.width(),
                              double(viewport.height()) / currentPixmap.height()) *
                         0.95 * 100;
    zoomSlider->setValue(qBound(25, static_cast<int>(scale), 400));
}

void PreviewDialog::actualSize()
{
    zoomSlider->setValue(100);
}

void PreviewDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        reject();
        break;
    case Qt::Key_Home:
        firstPage();
        break;
    case Qt::Key_End:
        lastPage();
        break;
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        prevPage();
        break;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        nextPage();
        break;
    default:
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
}

void PreviewDialog::placeFloatingButtons()
{
    if (!prevButton || !nextButton)
        return;
    const QRect area = scrollArea->geometry();
    const int y = area.y() + (area.height() - kFloatingHeight) / 2;
    prevButton->move(area.x() + 15, y);
    nextButton->move(area.x() + area.width() - 65, y);
    prevButton->raise();
    nextButton->raise();
}

void PreviewDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeFloatingButtons();
}

void PreviewDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    placeFloatingButtons();
}
