#include "MainWindow.h"

#include "DialogPrompter.h"
#include "FileConverter.h"
#include "FlowLayout.h"
#include "PageNumberDialog.h"
#include "PageRenderer.h"
#include "PageStamper.h"
#include "PageWidget.h"
#include "PreviewDialog.h"
#include "ScreenFit.h"
#include "Theme.h"
#include "WatermarkDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSettings>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle("Quirefold - Ultimate PDF Tool");
    auto *screenFit = new ScreenFit(this, QSize(1100, 750));
    setAcceptDrops(true);

    setupUI();
    createOutputCommands();
    // Wide enough for the toolbar rows on one line each, where the screen has room.
    screenFit->open(QSize(qMax(1400, centralWidget()->sizeHint().width()), 850));
    createShortcuts();
    updateButtonStates();
    showStatus(QString::fromUtf8("✅ Hazır - PDF dosyalarını sürükleyip bırakın veya 'Dosya Ekle' "
                                 "butonunu kullanın"));
}

MainWindow::~MainWindow() = default;

void MainWindow::createOutputCommands()
{
    prompter = std::make_unique<DialogPrompter>(this);
    output = new OutputCommands(prompter.get(), this);
    connect(output, &OutputCommands::statusChanged, this, &MainWindow::showStatus);
    connect(output, &OutputCommands::progressStarted, this, &MainWindow::startProgress);
    connect(output, &OutputCommands::progressChanged, this, &MainWindow::setProgress);
    connect(output, &OutputCommands::progressFinished, this, &MainWindow::finishProgress);
}

// ---------------------------------------------------------------------------
// Window building

void MainWindow::setupUI()
{
    auto *central = new QWidget(this);
    auto *mainLayout = new QVBoxLayout(central);
    mainLayout->setContentsMargins(20, 20, 20, 20);
    mainLayout->setSpacing(15);
    setCentralWidget(central);

    createTitleRow(mainLayout);

    // Each row wraps where the window is too narrow for it.
    auto *upperRow = new FlowLayout;
    auto *middleRow = new FlowLayout;
    auto *lowerRow = new FlowLayout;
    for (FlowLayout *row : {upperRow, middleRow, lowerRow}) {
        row->setSpacing(8);
        mainLayout->addLayout(row);
    }
    createUpperToolbar(upperRow);
    createMiddleToolbar(middleRow);
    createLowerToolbar(lowerRow);

    scrollArea = new QScrollArea(central);
    scrollArea->setObjectName("scrollArea");
    scrollArea->setWidgetResizable(true);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    gridContainer = new QWidget;
    gridContainer->setObjectName("gridContainer");
    gridContainer->setMinimumSize(900, 500);
    gridContainer->setAcceptDrops(true);
    scrollArea->setWidget(gridContainer);
    mainLayout->addWidget(scrollArea, 1);
    // Tiles are shown only near the viewport; see showTilesInView().
    gridContainer->installEventFilter(this);
    scrollArea->viewport()->installEventFilter(this);
    for (QScrollBar *bar : {scrollArea->verticalScrollBar(), scrollArea->horizontalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, &MainWindow::showTilesInView);

    progressBar = new QProgressBar(central);
    progressBar->setObjectName("progressBar");
    progressBar->setVisible(false);
    progressBar->setTextVisible(true);
    progressBar->setFixedHeight(8);
    mainLayout->addWidget(progressBar);

    setStyleSheet(Theme::windowSheet());
}

void MainWindow::createTitleRow(QVBoxLayout *mainLayout)
{
    auto *row = new QHBoxLayout;
    auto *title = new QLabel("Quirefold");
    title->setObjectName("titleLabel");
    QFont font = title->font();
    font.setPointSize(22);
    font.setWeight(QFont::Bold);
    font.setFamily("Segoe UI");
    title->setFont(font);
    title->setStyleSheet(Theme::titleLabel());
    row->addWidget(title);
    row->addStretch();

    pageCountLabel = new QLabel("0 pages");
    pageCountLabel->setObjectName("pageCountLabel");
    pageCountLabel->setStyleSheet(Theme::pageCountLabel());
    row->addWidget(pageCountLabel);
    mainLayout->addLayout(row);
}

void MainWindow::createUpperToolbar(FlowLayout *row)
{
    addButton = addToolButton(row, QString::fromUtf8("📄 Add Files"), Theme::neutralButton(),
                              "Add PDF files, images, or Office documents",
                              &MainWindow::addPDFFiles, "addButton");
    addButton->setMinimumWidth(110);
    mergeButton =
        addToolButton(row, QString::fromUtf8("🔗 Merge"), Theme::blueButton(),
                      "Merge all PDFs into one file", &MainWindow::mergePDFs, "mergeButton");
    mergeButton->setMinimumWidth(90);
    clearButton = addToolButton(row, QString::fromUtf8("🗑 Clear"), Theme::redButton(),
                                "Clear all pages", &MainWindow::clearAll, "clearButton");
    clearButton->setMinimumWidth(80);
    addSeparator(row);

    zoomLabel = new QLabel("Zoom:");
    zoomLabel->setStyleSheet(Theme::zoomLabel());
    row->addWidget(zoomLabel);
    zoomSlider = new QSlider(Qt::Horizontal);
    zoomSlider->setObjectName("zoomSlider");
    zoomSlider->setRange(50, 150);
    zoomSlider->setValue(100);
    zoomSlider->setFixedWidth(120);
    zoomSlider->setStyleSheet(Theme::slider());
    zoomSlider->setToolTip("Zoom Level (50% - 150%)");
    connect(zoomSlider, &QSlider::valueChanged, this, &MainWindow::onZoomChanged);
    row->addWidget(zoomSlider);
    addSeparator(row);

    undoButton = addToolButton(row, "Undo", Theme::secondaryButton(), "Undo (Ctrl+Z)",
                               &MainWindow::undo, "undoButton");
    undoButton->setFixedWidth(70);
    redoButton = addToolButton(row, "Redo", Theme::secondaryButton(), "Redo (Ctrl+Y)",
                               &MainWindow::redo, "redoButton");
    redoButton->setFixedWidth(70);
    addSeparator(row);

    selectAllButton = addToolButton(row, "Select All", Theme::secondaryButton(), QString(),
                                    &MainWindow::selectAll, "selectAllButton");
    deselectButton = addToolButton(row, "Deselect", Theme::secondaryButton(), QString(),
                                   &MainWindow::deselectAll, "deselectButton");
}

void MainWindow::createMiddleToolbar(FlowLayout *row)
{
    const QString look = Theme::secondaryButton();
    addToolButton(row, QString::fromUtf8("🖼️ Extract"), look, "Extract images from PDF",
                  &MainWindow::extractImages, "extractButton");
    addToolButton(row, QString::fromUtf8("📄 Blank"), look, "Insert blank page",
                  &MainWindow::insertBlankPage, "blankButton");
    addToolButton(row, QString::fromUtf8("✂️ Crop"), look, "Crop page margins",
                  &MainWindow::cropPages, "cropButton");
    addToolButton(row, QString::fromUtf8("⚡ Optimize"), look, "Optimize for web/email",
                  &MainWindow::optimizeForWeb, "optimizeButton");
}

void MainWindow::createLowerToolbar(FlowLayout *row)
{
    const QString look = Theme::secondaryButton();
    addToolButton(row, QString::fromUtf8("📤 Export"), look,
                  "Export pages as images (JPG, PNG, etc.)", &MainWindow::exportPages,
                  "exportButton");
    addToolButton(row, QString::fromUtf8("🖨️ Print"), look, "Print PDF pages",
                  &MainWindow::printPages, "printButton");
    addToolButton(row, QString::fromUtf8("💧 Watermark"), look, "Add watermark to pages",
                  &MainWindow::addWatermark, "watermarkButton");
    addToolButton(row, QString::fromUtf8("🔢 Numbers"), look, "Add page numbers",
                  &MainWindow::addPageNumbers, "numbersButton");
    addSeparator(row);
    rotateAllButton = addToolButton(row, "Rotate All", look, QString(), &MainWindow::rotateAllPages,
                                    "rotateAllButton");
    removeSelectedButton =
        addToolButton(row, "Remove Selected", Theme::secondaryRedButton(), QString(),
                      &MainWindow::removeSelectedPages, "removeSelectedButton");
    addSeparator(row);
    reverseButton =
        addToolButton(row, "Reverse", look, QString(), &MainWindow::reverseOrder, "reverseButton");
    addSeparator(row);
    addToolButton(row, QString::fromUtf8("✂️ Split"), look, "Split PDF into separate files",
                  &MainWindow::splitPDF, "splitButton");
    addToolButton(row, QString::fromUtf8("🗜️ Compress"), look, "Reduce PDF file size",
                  &MainWindow::compressPDF, "compressButton");
    addToolButton(row, QString::fromUtf8("🔒 Lock"), look, "Add password protection",
                  &MainWindow::setPassword, "lockButton");
    addToolButton(row, QString::fromUtf8("🔓 Unlock"), look, "Remove password protection",
                  &MainWindow::removePassword, "unlockButton");
    addSeparator(row);

    bookmarksCheckBox = new QCheckBox("Bookmarks");
    bookmarksCheckBox->setObjectName("bookmarksCheckBox");
    bookmarksCheckBox->setChecked(true);
    bookmarksCheckBox->setStyleSheet(Theme::checkBox());
    bookmarksCheckBox->setToolTip("Add bookmarks when merging");
    row->addWidget(bookmarksCheckBox);
    autoNumbersCheckBox = new QCheckBox("Auto Numbers");
    autoNumbersCheckBox->setObjectName("autoNumbersCheckBox");
    autoNumbersCheckBox->setChecked(false);
    autoNumbersCheckBox->setStyleSheet(Theme::checkBox());
    autoNumbersCheckBox->setToolTip("Automatically add page numbers when merging");
    row->addWidget(autoNumbersCheckBox);
    createKeepTextCheckBox(row);
}

// The one option that is remembered between runs: whoever chose copied pages
// over pictures once wants them the next time too.
void MainWindow::createKeepTextCheckBox(FlowLayout *row)
{
    static const QString key = QStringLiteral("output/keepText");
    keepTextCheckBox = new QCheckBox("Keep Text");
    keepTextCheckBox->setObjectName("keepTextCheckBox");
    keepTextCheckBox->setChecked(QSettings().value(key, false).toBool());
    keepTextCheckBox->setStyleSheet(Theme::checkBox());
    keepTextCheckBox->setToolTip(
        "Write pages as they are in their source files: text stays selectable, drawings stay "
        "sharp, pages keep their own size. Off: every page is redrawn as a picture on an A4 "
        "sheet.");
    connect(keepTextCheckBox, &QCheckBox::toggled, this,
            [](bool checked) { QSettings().setValue(key, checked); });
    row->addWidget(keepTextCheckBox);
}

QPushButton *MainWindow::addToolButton(FlowLayout *row, const QString &text, const QString &look,
                                       const QString &toolTip, void (MainWindow::*slot)(),
                                       const char *objectName)
{
    auto *button = new QPushButton(text);
    button->setObjectName(objectName);
    button->setFixedHeight(36);
    button->setStyleSheet(look);
    if (!toolTip.isEmpty())
        button->setToolTip(toolTip);
    connect(button, &QPushButton::clicked, this, slot);
    row->addWidget(button);
    return button;
}

void MainWindow::addSeparator(FlowLayout *row)
{
    row->addSeparator(new QLabel("|"));
}

// Window-wide keys act as a click on their control, and only while it is
// enabled. They stay silent while a modal dialog is open, because the window
// is then not the active one.
void MainWindow::createShortcuts()
{
    auto bind = [this](const QKeySequence &keys, QWidget *control, std::function<void()> act) {
        auto *shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [control, act] {
            if (control->isEnabled())
                act();
        });
    };
    auto click = [&bind](const QKeySequence &keys, QPushButton *button) {
        bind(keys, button, [button] { button->click(); });
    };
    click(QKeySequence(Qt::CTRL | Qt::Key_O), addButton);
    click(QKeySequence(Qt::CTRL | Qt::Key_A), selectAllButton);
    click(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), deselectButton);
    click(QKeySequence(Qt::Key_Delete), removeSelectedButton);
    click(QKeySequence(Qt::CTRL | Qt::Key_S), mergeButton);
    click(QKeySequence(Qt::CTRL | Qt::Key_P), findChild<QPushButton *>("printButton"));
    click(QKeySequence(Qt::CTRL | Qt::Key_Z), undoButton);
    click(QKeySequence(Qt::CTRL | Qt::Key_Y), redoButton);
    click(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), redoButton);

    // One key press moves the slider by its page step (10 %): its single step
    // of 1 % is too small to see.
    auto zoomBy = [this](QAbstractSlider::SliderAction action) {
        return [this, action] { zoomSlider->triggerAction(action); };
    };
    bind(QKeySequence(Qt::CTRL | Qt::Key_Plus), zoomSlider,
         zoomBy(QAbstractSlider::SliderPageStepAdd));
    bind(QKeySequence(Qt::CTRL | Qt::Key_Equal), zoomSlider,
         zoomBy(QAbstractSlider::SliderPageStepAdd));
    bind(QKeySequence(Qt::CTRL | Qt::Key_Minus), zoomSlider,
         zoomBy(QAbstractSlider::SliderPageStepSub));
    bind(QKeySequence(Qt::CTRL | Qt::Key_0), zoomSlider, [this] { zoomSlider->setValue(100); });
}

void MainWindow::updateButtonStates()
{
    const bool anyPages = !pageWidgets.isEmpty();
    for (QWidget *widget :
         {static_cast<QWidget *>(mergeButton), static_cast<QWidget *>(clearButton),
          static_cast<QWidget *>(rotateAllButton), static_cast<QWidget *>(removeSelectedButton),
          static_cast<QWidget *>(selectAllButton), static_cast<QWidget *>(deselectButton),
          static_cast<QWidget *>(zoomSlider)})
        widget->setEnabled(anyPages);
    reverseButton->setEnabled(pageWidgets.size() > 1);
    undoButton->setEnabled(!undoStack.isEmpty());
    redoButton->setEnabled(!redoStack.isEmpty());
}

// ---------------------------------------------------------------------------
// Status line and progress bar

void MainWindow::showStatus(const QString &text, int timeout)
{
    statusBar()->showMessage(text, timeout);
}

void MainWindow::startProgress(int maximum)
{
    progressBar->setVisible(true);
    progressBar->setMaximum(maximum);
    progressBar->setValue(0);
}

bool MainWindow::hasPages(const QString &title, const QString &text)
{
    if (!pageWidgets.isEmpty())
        return true;
    QMessageBox::information(this, title, text);
    return false;
}

void MainWindow::setProgress(int value)
{
    progressBar->setValue(value);
}

void MainWindow::finishProgress()
{
    progressBar->setVisible(false);
}

// ---------------------------------------------------------------------------
// Loading and the grid

namespace {

double qualityFactorFor(int totalPages)
{
    if (totalPages <= 75)
        return 0.4;
    if (totalPages <= 150)
        return 0.3;
    if (totalPages <= 250)
        return 0.25;
    if (totalPages <= 400)
        return 0.2;
    if (totalPages <= 600)
        return 0.15;
    return 0.12;
}

constexpr int kMaxWorkspacePages = 1500;

// Holds the grid still while a pass that pumps events changes many tiles: each
// change would otherwise have the whole grid placed again at the next pump.
// When the pass ends the grid is placed once, unless it was replaced meanwhile.
class HeldGrid
{
public:
    explicit HeldGrid(QWidget *container)
        : layout(container->layout())
    {
        if (layout)
            layout->setEnabled(false);
    }
    ~HeldGrid()
    {
        if (!layout)
            return;
        layout->setEnabled(true);
        QCoreApplication::postEvent(layout->parentWidget(), new QEvent(QEvent::LayoutRequest));
    }

private:
    QPointer<QLayout> layout;
};

} // namespace

PageWidget *MainWindow::createTile(const QPixmap &thumbnail, const QString &filePath,
                                   int pageNumber, int totalPages, int globalIndex)
{
    // Made inside the grid container, where the grid places it: moving a tile
    // there later would polish it and its children a second time. It stays
    // hidden until the grid shows it.
    auto *tile =
        new PageWidget(thumbnail, filePath, pageNumber, totalPages, globalIndex, gridContainer);
    // Fixed, as its size is: the grid need not ask what its layout would like.
    QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    policy.setRetainSizeWhenHidden(true);
    tile->setSizePolicy(policy);
    tile->setProperty("originalThumbnail", QVariant::fromValue(thumbnail));
    tile->setProperty("totalPages", totalPages);
    tile->setZoomLevel(zoomLevel);
    connect(tile, &PageWidget::removePage, this, &MainWindow::onRemovePage);
    connect(tile, &PageWidget::dragStarted, this, &MainWindow::onDragStarted);
    connect(tile, &PageWidget::previewRequested, this, &MainWindow::onPreviewRequested);
    connect(tile, &PageWidget::pageDropped, this, &MainWindow::onPageDropped);
    return tile;
}

void MainWindow::loadPDFPages(const QString &filePath)
{
    QPdfDocument document;
    document.load(filePath);
    if (document.status() != QPdfDocument::Status::Ready) {
        QMessageBox::warning(this, "Error",
                             QString("Failed to load PDF: %1").arg(QFileInfo(filePath).fileName()));
        return;
    }

    const int pageCount = document.pageCount();
    const int total = pageWidgets.size() + pageCount;
    if (total > kMaxWorkspacePages) {
        QMessageBox::critical(
            this, QString::fromUtf8("⛔ TOO MANY PAGES"),
            QString::fromUtf8("🚨 ERROR: Cannot load %1 pages!\n\nMaximum supported: 1500 "
                              "pages\nYour total: %1 pages\n\nPlease split your PDFs into smaller "
                              "files first.")
                .arg(total));
        return;
    }
    const double factor = qualityFactorFor(total);
    const QString factorText = QString::number(factor, 'f', 2);
    if (total > 500) {
        const auto answer = QMessageBox::warning(
            this, QString::fromUtf8("⚠️ Large PDF Warning"),
            QString::fromUtf8("🚨 Loading %1 total pages!\n\n• Thumbnail quality: %2x "
                              "(ultra-low)\n• This may take 30-60 seconds\n• Memory usage: ~%3 "
                              "MB\n\nConsider using smaller PDFs for better performance.\n\n"
                              "Continue anyway?")
                .arg(total)
                .arg(factorText)
                .arg((total * 50) / 1024),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
        if (answer != QMessageBox::Yes)
            return;
    }

    startProgress(pageCount);
    showStatus(
        QString::fromUtf8("⏳ Loading %1 pages (quality: %2x)...").arg(pageCount).arg(factorText));
    setUpdatesEnabled(false);
    const HeldGrid heldGrid(gridContainer);
    for (int i = 0; i < pageCount; ++i) {
        // A damaged page may claim a size no picture can have.
        const QSize size = PageRenderer::renderSize(document.pagePointSize(i), factor,
                                                    PageRenderer::ThumbnailPixelBudget);
        const QImage image = size.isEmpty() ? QImage() : document.render(i, size);
        if (!image.isNull()) {
            pageWidgets.append(createTile(QPixmap::fromImage(image), filePath, i + 1, pageCount,
                                          pageWidgets.size() + 1));
        }
        setProgress(i + 1);
        if (total < 200 || i % 20 == 0)
            QCoreApplication::processEvents();
    }
    setUpdatesEnabled(true);
    finishProgress();
    showStatus(QString::fromUtf8("✅ Loaded %1 pages! Total: %2 pages")
                   .arg(pageCount)
                   .arg(pageWidgets.size()),
               3000);
}

void MainWindow::updatePageGrid()
{
    const int count = pageWidgets.size();
    const bool large = count > 300;
    if (large) {
        setUpdatesEnabled(false);
        showStatus(QString::fromUtf8("⏳ Updating grid with %1 pages...").arg(count));
    }

    // Deleting the layout deletes its rows and items, never the tiles.
    delete gridContainer->layout();
    // The labels of an earlier empty state are not needed once pages exist.
    qDeleteAll(
        gridContainer->findChildren<QLabel *>("emptyStateLabel", Qt::FindDirectChildrenOnly));

    if (count == 0) {
        showEmptyGrid();
    } else if (!layOutTiles(large)) {
        // A command run while events were pumped rebuilt the grid itself.
        setUpdatesEnabled(true);
        return;
    }
    if (large) {
        setUpdatesEnabled(true);
        if (count > 0)
            showStatus(QString::fromUtf8("✅ Grid updated (%1 pages)").arg(count), 2000);
    }
    if (count == 0)
        return;

    QSet<QString> files;
    for (PageWidget *tile : std::as_const(pageWidgets))
        files.insert(tile->getFilePath());
    pageCountLabel->setText(
        QString::fromUtf8("%1 pages • %2 files").arg(pageWidgets.size()).arg(files.size()));
    updateGlobalIndices();
}

void MainWindow::showEmptyGrid()
{
    auto *layout = new QVBoxLayout(gridContainer);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const auto &[text, look] :
         {std::pair{"No PDF pages loaded", Theme::emptyStateTitle()},
          std::pair{"Click 'Add PDF Files' or drag & drop PDF files here",
                    Theme::emptyStateHint()}}) {
        auto *label = new QLabel(text, gridContainer);
        label->setObjectName("emptyStateLabel");
        label->setAlignment(Qt::AlignCenter);
        label->setStyleSheet(look);
        layout->addWidget(label);
    }
    gridContainer->setMinimumHeight(400);
    pageCountLabel->setText(QString::fromUtf8("0 pages • 0 files"));
}

bool MainWindow::layOutTiles(bool pumpEvents)
{
    const int count = pageWidgets.size();
    // Guarded: while events are pumped below, the user may clear or undo, which
    // deletes tiles and rebuilds the grid, layout included.
    QPointer<QVBoxLayout> outer = new QVBoxLayout(gridContainer);
    outer->setSpacing(18);
    outer->setContentsMargins(20, 20, 20, 20);
    outer->setAlignment(Qt::AlignTop);
    // Disabled while it fills, so that the event pumps do not place the tiles
    // of every partial grid; placed once at the end.
    outer->setEnabled(false);

    const int columnWidth = static_cast<int>(180 * zoomLevel) + 15;
    const int available = scrollArea->viewport()->width() - 45;
    const int columns = qMax(1, available / columnWidth);
    const int rows = (count + columns - 1) / columns;

    const QList<QPointer<PageWidget>> tiles(pageWidgets.cbegin(), pageWidgets.cend());
    QHBoxLayout *row = nullptr;
    for (int i = 0; i < tiles.size(); ++i) {
        if (i % columns == 0) {
            row = new QHBoxLayout;
            row->setSpacing(15);
            row->setAlignment(Qt::AlignLeft);
            outer->addLayout(row);
        }
        // The tiles are the container's children already: a plain item skips
        // addWidget's search of the whole grid for each tile's previous place.
        if (tiles[i])
            row->addItem(new QWidgetItem(tiles[i]));
        if (pumpEvents && i > 0 && i % 50 == 0) {
            QCoreApplication::processEvents();
            if (!outer)
                return false;
        }
    }
    outer->addStretch();
    gridContainer->setMinimumHeight(static_cast<int>(250 * zoomLevel) * rows + (rows - 1) * 15 +
                                    40);
    outer->setEnabled(true);
    outer->activate();
    showTilesInView();
    return true;
}

// Only the tiles in and near the viewport are shown; the others keep their
// place in the grid, hidden, and cost nothing when the window repaints or
// everything is updated, which keeps commands on long lists quick.
void MainWindow::showTilesInView()
{
    QLayout *grid = gridContainer->layout();
    // No grid, or one still being filled: it calls again when it is placed.
    if (!grid || !grid->isEnabled())
        return;
    const QRect viewport = scrollArea->viewport()->rect();
    const QRect near = viewport.translated(-gridContainer->pos())
                           .adjusted(0, -viewport.height(), 0, viewport.height());
    // Each show would lay the whole grid out again; once at the end is enough.
    grid->setEnabled(false);
    bool changed = false;
    for (int r = 0; r < grid->count(); ++r) {
        QLayout *row = grid->itemAt(r)->layout();
        for (int i = 0; row && i < row->count(); ++i) {
            QWidget *tile = row->itemAt(i)->widget();
            const bool shown = tile->geometry().intersects(near);
            if (shown == tile->isHidden()) {
                tile->setVisible(shown);
                changed = true;
            }
        }
    }
    grid->setEnabled(true);
    if (changed)
        grid->activate();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The grid was placed again, or the view moved or changed size.
    if ((event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) &&
        (watched == gridContainer || watched == scrollArea->viewport()))
        showTilesInView();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::updateGlobalIndices()
{
    for (int i = 0; i < pageWidgets.size(); ++i)
        pageWidgets[i]->setGlobalIndex(i + 1);
}

void MainWindow::onZoomChanged(int value)
{
    zoomLevel = value / 100.0;
    const int count = pageWidgets.size();
    const QList<QPointer<PageWidget>> tiles(pageWidgets.cbegin(), pageWidgets.cend());
    if (count > 200) {
        setUpdatesEnabled(false);
        showStatus(QString::fromUtf8("⏳ Zooming %1 pages to %2%...").arg(count).arg(value));
        const HeldGrid heldGrid(gridContainer);
        for (int i = 0; i < tiles.size(); ++i) {
            if (tiles[i])
                tiles[i]->setZoomLevel(zoomLevel);
            if (i > 0 && i % 50 == 0)
                QCoreApplication::processEvents();
        }
        updatePageGrid();
        setUpdatesEnabled(true);
    } else {
        for (PageWidget *tile : std::as_const(pageWidgets))
            tile->setZoomLevel(zoomLevel);
        updatePageGrid();
    }
    showStatus(QString::fromUtf8("✅ Zoom: %1%").arg(value), 1500);
}

// ---------------------------------------------------------------------------
// Adding files

namespace {

enum class InputKind { Pdf, Image, Office, Unusable };

InputKind inputKind(const QString &path)
{
    if (QFileInfo(path).suffix().toLower() == "pdf")
        return InputKind::Pdf;
    if (FileConverter::isImageFile(path))
        return InputKind::Image;
    if (FileConverter::isOfficeFile(path))
        return InputKind::Office;
    return InputKind::Unusable;
}

// The first input keeps its base name; later inputs of the batch with the same
// base name get "_2", "_3", ... so that no conversion overwrites another.
QString claimConvertedName(const QString &baseName, QSet<QString> &taken)
{
    QString name = baseName;
    for (int n = 2; taken.contains(name.toLower()); ++n)
        name = QString("%1_%2").arg(baseName).arg(n);
    taken.insert(name.toLower());
    return name;
}

int estimatePageCount(const QStringList &pdfs)
{
    int total = 0;
    for (const QString &pdf : pdfs) {
        QPdfDocument document;
        document.load(pdf);
        if (document.status() == QPdfDocument::Status::Ready)
            total += document.pageCount();
    }
    return total;
}

} // namespace

void MainWindow::addPDFFiles()
{
    const QStringList files =
        QFileDialog::getOpenFileNames(this, "Select Files (PDF, Images, Office...)",
                                      QDir::homePath(), FileConverter::getSupportedFormatsFilter());
    if (files.isEmpty())
        return;

    const QStringList pdfs = convertBatch(files, createBatchFolder(), true);
    if (pdfs.isEmpty())
        return;

    const int estimate = estimatePageCount(pdfs);
    if (estimate > 200) {
        const auto answer = QMessageBox::question(
            this, "Large PDF Set",
            QString("You're about to load approximately %1 pages.\nThis may take a while and use "
                    "significant memory.\n\nContinue?")
                .arg(estimate),
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }

    loadBatch(pdfs, true);
    updatePageGrid();
    updateButtonStates();
    showStatus(QString::fromUtf8("Added %1 file(s) • Total: %2 pages")
                   .arg(files.size())
                   .arg(pageWidgets.size()));
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QMimeData *mimeData = event->mimeData();
    if (!mimeData->hasUrls())
        return;
    event->acceptProposedAction();

    QStringList accepted;
    for (const QUrl &url : mimeData->urls()) {
        const QString path = url.toLocalFile();
        if (FileConverter::isSupportedFile(path))
            accepted << path;
    }
    if (!accepted.isEmpty()) {
        const QStringList pdfs = convertBatch(accepted, createBatchFolder(), false);
        if (!pdfs.isEmpty()) {
            loadBatch(pdfs, false);
            showStatus(QString("Added %1 file(s) via drag & drop").arg(accepted.size()));
        }
    }
    updatePageGrid();
    updateButtonStates();
}

QString MainWindow::createBatchFolder() const
{
    const QString folder =
        QDir::tempPath() + "/Sheafkit_" + QString::number(QDateTime::currentMSecsSinceEpoch());
    QDir().mkpath(folder);
    return folder;
}

// The PDFs of a batch in input order: PDFs as they are, images and office
// documents converted into the batch folder. Only the dialog path (verbose)
// tells the user about each conversion and its failure.
QStringList MainWindow::convertBatch(const QStringList &paths, const QString &batchFolder,
                                     bool verbose)
{
    QStringList pdfs;
    QSet<QString> takenNames;
    for (int i = 0; i < paths.size(); ++i) {
        const QString &path = paths[i];
        const InputKind kind = inputKind(path);
        if (kind == InputKind::Pdf) {
            pdfs << path;
            continue;
        }
        if (kind == InputKind::Unusable)
            continue;

        const QFileInfo input(path);
        const QString name = claimConvertedName(input.baseName(), takenNames);
        const bool image = kind == InputKind::Image;
        if (verbose) {
            showStatus((image ? QString("Converting image: %1...")
                              : QString("Converting Office document: %1..."))
                           .arg(input.fileName()));
            QCoreApplication::processEvents();
        }

        QString output;
        bool converted = false;
        if (image) {
            output = batchFolder + "/" + name + ".pdf";
            converted = FileConverter::imageToPdf(path, output);
        } else {
            // LibreOffice names its product after the input, so a renamed
            // input converts in a folder of its own.
            QString folder = batchFolder;
            if (name != input.baseName()) {
                folder = batchFolder + QString("/input_%1").arg(i + 1);
                QDir().mkpath(folder);
            }
            output = folder + "/" + name + ".pdf";
            converted = FileConverter::officeToPdf(path, output);
        }

        if (converted) {
            pdfs << output;
            tempFiles << output;
        } else if (verbose) {
            QMessageBox::warning(
                this, "Conversion Failed",
                image ? QString("Failed to convert image: %1").arg(input.fileName())
                      : QString("Failed to convert Office file: %1\n\nMake sure LibreOffice is "
                                "installed.")
                            .arg(input.fileName()));
        }
    }
    return pdfs;
}

void MainWindow::loadBatch(const QStringList &pdfs, bool verbose)
{
    startProgress(pdfs.size());
    for (int i = 0; i < pdfs.size(); ++i) {
        loadPDFPages(pdfs[i]);
        setProgress(i + 1);
        if (verbose)
            showStatus(QString("Loading file %1 of %2...").arg(i + 1).arg(pdfs.size()));
        QCoreApplication::processEvents();
    }
    finishProgress();
}

// ---------------------------------------------------------------------------
// Undo history

namespace {

constexpr int kUndoLimit = 50;

// A page of a source, by which undo and redo find its live tile.
struct PageKey
{
    QString filePath;
    int pageNumber;
    int totalPages;
    bool operator==(const PageKey &other) const
    {
        return pageNumber == other.pageNumber && totalPages == other.totalPages &&
               filePath == other.filePath;
    }
};

size_t qHash(const PageKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.filePath, key.pageNumber, key.totalPages);
}

PageKey pageKeyOf(const PageWidget *tile)
{
    return {tile->getFilePath(), tile->getPageNumber(), tile->property("totalPages").toInt()};
}

} // namespace

QList<PageData> MainWindow::getCurrentPagesData() const
{
    QList<PageData> data;
    data.reserve(pageWidgets.size());
    for (const PageWidget *tile : pageWidgets) {
        PageData page;
        page.filePath = tile->getFilePath();
        page.pageNumber = tile->getPageNumber();
        page.totalPages = tile->property("totalPages").toInt();
        page.rotation = tile->getRotation();
        page.isSelected = tile->isSelected();
        page.thumbnail = tile->property("originalThumbnail").value<QPixmap>();
        data.append(page);
    }
    return data;
}

void MainWindow::saveState()
{
    undoStack.append(getCurrentPagesData());
    if (undoStack.size() > kUndoLimit)
        undoStack.removeFirst();
    redoStack.clear();
    updateButtonStates();
}

void MainWindow::undo()
{
    if (undoStack.isEmpty())
        return;
    redoStack.append(getCurrentPagesData());
    restorePagesFromData(undoStack.takeLast());
    updateButtonStates();
    showStatus("Undone");
}

void MainWindow::redo()
{
    if (redoStack.isEmpty())
        return;
    undoStack.append(getCurrentPagesData());
    restorePagesFromData(redoStack.takeLast());
    updateButtonStates();
    showStatus("Redone");
}

void MainWindow::restorePagesFromData(const QList<PageData> &data)
{
    // The live tile of each page is reused: only its place, rotation, selection
    // and picture change. Tiles are made only for pages that are not live, and
    // deleted only for pages that the snapshot does not hold.
    QHash<PageKey, QList<PageWidget *>> live;
    for (PageWidget *tile : std::as_const(pageWidgets))
        live[pageKeyOf(tile)].append(tile);
    replaceWorkspace();

    for (int i = 0; i < data.size(); ++i) {
        const PageData &page = data.at(i);
        auto found = live.find({page.filePath, page.pageNumber, page.totalPages});
        PageWidget *tile = nullptr;
        if (found != live.end() && !found->isEmpty()) {
            tile = found->takeFirst();
            if (tile->property("originalThumbnail").value<QPixmap>().cacheKey() !=
                page.thumbnail.cacheKey())
                tile->setProperty("originalThumbnail", QVariant::fromValue(page.thumbnail));
        } else {
            tile =
                createTile(page.thumbnail, page.filePath, page.pageNumber, page.totalPages, i + 1);
        }
        tile->setRotation(page.rotation);
        tile->setSelected(page.isSelected);
        pageWidgets.append(tile);
    }
    for (const QList<PageWidget *> &unused : std::as_const(live))
        for (PageWidget *tile : unused)
            tile->deleteLater();
    updatePageGrid();
}

void MainWindow::discardAllTiles()
{
    for (PageWidget *tile : std::as_const(pageWidgets))
        tile->deleteLater();
    replaceWorkspace();
}

void MainWindow::replaceWorkspace()
{
    // Passes that pump events hold on to the old list; a drag begun on it is void.
    pageWidgets.clear();
    ++workspaceGeneration;
    draggedWidget = nullptr;
}

// ---------------------------------------------------------------------------
// Editing commands

namespace {

// Above this many pages rotate-all shows progress and pumps events.
constexpr int kRotateProgressThreshold = 100;
constexpr int kRotatePumpEvery = 20;

} // namespace

void MainWindow::selectAll()
{
    if (pageWidgets.isEmpty())
        return;
    for (PageWidget *tile : std::as_const(pageWidgets))
        tile->setSelected(true);
    showStatus(QString("All %1 pages selected").arg(pageWidgets.size()));
}

void MainWindow::deselectAll()
{
    if (pageWidgets.isEmpty())
        return;
    for (PageWidget *tile : std::as_const(pageWidgets))
        tile->setSelected(false);
    showStatus("All selections cleared");
}

void MainWindow::rotateAllPages()
{
    const int count = pageWidgets.size();
    if (count == 0)
        return;
    saveState();
    if (count > kRotateProgressThreshold) {
        // Pumping events lets the user clear or undo meanwhile: walk a guarded
        // copy and leave alone every tile that is gone or no longer listed, and
        // all of them once the workspace was replaced.
        const QList<QPointer<PageWidget>> tiles(pageWidgets.cbegin(), pageWidgets.cend());
        const int generation = workspaceGeneration;
        startProgress(count);
        setUpdatesEnabled(false);
        for (int i = 0; i < tiles.size(); ++i) {
            PageWidget *tile = tiles.at(i);
            if (tile && generation == workspaceGeneration && pageWidgets.contains(tile))
                tile->setRotation((tile->getRotation() + 90) % 360);
            setProgress(i + 1);
            if (i % kRotatePumpEvery == 0)
                QCoreApplication::processEvents();
        }
        setUpdatesEnabled(true);
        finishProgress();
    } else {
        for (PageWidget *tile : std::as_const(pageWidgets))
            tile->setRotation((tile->getRotation() + 90) % 360);
    }
    showStatus(QString::fromUtf8("✅ Tüm %1 sayfa 90° döndürüldü").arg(count), 3000);
}

void MainWindow::removeSelectedPages()
{
    const int generation = workspaceGeneration;
    QList<PageWidget *> selected;
    for (PageWidget *tile : std::as_const(pageWidgets))
        if (tile->isSelected())
            selected.append(tile);
    if (selected.isEmpty()) {
        QMessageBox::information(this, "Info", "No pages selected!");
        return;
    }
    const auto answer = QMessageBox::question(
        this, "Confirm Removal",
        QString("Are you sure you want to remove %1 selected page(s)?").arg(selected.size()),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;

    saveState();
    // The question box ran an event loop: remove only what is still listed, and
    // nothing once the workspace was replaced.
    int removed = 0;
    for (PageWidget *tile : std::as_const(selected)) {
        if (generation == workspaceGeneration && pageWidgets.removeOne(tile)) {
            tile->deleteLater();
            ++removed;
        }
    }
    updatePageGrid();
    updateButtonStates();
    showStatus(QString("Removed %1 page(s)").arg(removed));
}

void MainWindow::reverseOrder()
{
    if (pageWidgets.size() < 2)
        return;
    saveState();
    std::reverse(pageWidgets.begin(), pageWidgets.end());
    updatePageGrid();
    showStatus("Page order reversed");
}

void MainWindow::clearAll()
{
    const int count = pageWidgets.size();
    if (count == 0)
        return;
    const auto answer = QMessageBox::question(
        this, "Confirm Clear",
        QString("Are you sure you want to clear all %1 pages?\n\nThis action cannot be undone.")
            .arg(count),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;

    undoStack.clear();
    redoStack.clear();
    discardAllTiles();
    updatePageGrid();
    updateButtonStates();
    pageCountLabel->setText(QString::fromUtf8("0 pages • 0 files"));
    showStatus("All pages cleared");
}

void MainWindow::onRemovePage(PageWidget *page)
{
    if (!pageWidgets.contains(page))
        return;
    saveState();
    pageWidgets.removeOne(page);
    page->deleteLater();
    updatePageGrid();
    updateButtonStates();
    showStatus(QString("Page removed • Remaining: %1 pages").arg(pageWidgets.size()));
}

void MainWindow::onDragStarted(PageWidget *page)
{
    draggedWidget = page;
}

void MainWindow::onPageDropped(PageWidget *, PageWidget *target)
{
    // The dragged tile may have been removed (and deleted) since its drag began.
    PageWidget *dragged = draggedWidget;
    if (!dragged || dragged == target || pageWidgets.isEmpty())
        return;
    const int from = pageWidgets.indexOf(dragged);
    const int to = pageWidgets.indexOf(target);
    if (from < 0 || to < 0 || from == to)
        return;

    saveState();
    pageWidgets.move(from, to);
    updatePageGrid();
    showStatus(QString::fromUtf8("Page moved: %1 → %2").arg(from + 1).arg(to + 1));
    draggedWidget = nullptr;
}

// ---------------------------------------------------------------------------
// Preview

void MainWindow::onPreviewRequested(PageWidget *page)
{
    const int position = pageWidgets.indexOf(page);
    if (position < 0)
        return;
    QList<PageInfo> pages;
    pages.reserve(pageWidgets.size());
    for (const PageWidget *tile : std::as_const(pageWidgets))
        pages.append({tile->getFilePath(), tile->getPageNumber()});
    PreviewDialog dialog(pages, position, this);
    dialog.exec();
}

// ---------------------------------------------------------------------------
// Blank page

void MainWindow::insertBlankPage()
{
    const int count = pageWidgets.size();
    bool ok = false;
    const int position = QInputDialog::getInt(
        this, "Insert Blank Page", QString("Insert blank page at position (1-%1):").arg(count + 1),
        count + 1, 1, count + 1, 1, &ok);
    if (!ok)
        return;

    const QString path =
        QDir::tempPath() + QString("/blank_page_%1.pdf").arg(QDateTime::currentMSecsSinceEpoch());
    if (!writeBlankPage(path)) {
        QMessageBox::warning(this, "Blank Page Failed",
                             QString("Could not write the blank page file:\n%1").arg(path));
        return;
    }
    // The loader reports its own refusals; without a new tile nothing changes.
    loadPDFPages(path);
    if (pageWidgets.size() != count + 1) {
        QFile::remove(path);
        return;
    }
    tempFiles.append(path);

    pageWidgets.move(pageWidgets.size() - 1, position - 1);
    updatePageGrid();
    saveState();
    QMessageBox::information(
        this, "Blank Page Inserted",
        QString::fromUtf8("✅ Inserted blank page at position %1").arg(position));
    showStatus(QString("Blank page inserted at position %1").arg(position));
}

bool MainWindow::writeBlankPage(const QString &path)
{
    {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(72);
        QPainter painter;
        if (!painter.begin(&writer))
            return false;
        painter.fillRect(QRect(0, 0, writer.width(), writer.height()), Qt::white);
        if (!painter.end())
            return false;
    }
    return QFileInfo(path).size() > 0;
}

// ---------------------------------------------------------------------------
// Output

OutputCommands::Workspace MainWindow::outputWorkspace() const
{
    return {pageRefsOf(pageWidgets), keepTextCheckBox->isChecked(), bookmarksCheckBox->isChecked(),
            autoNumbersCheckBox->isChecked()};
}

void MainWindow::mergePDFs()
{
    output->merge(outputWorkspace());
}
void MainWindow::splitPDF()
{
    output->split(outputWorkspace());
}
void MainWindow::compressPDF()
{
    output->compress(outputWorkspace());
}
void MainWindow::optimizeForWeb()
{
    output->optimizeForWeb(outputWorkspace());
}
void MainWindow::cropPages()
{
    output->crop(outputWorkspace());
}
void MainWindow::exportPages()
{
    output->exportPages(outputWorkspace());
}
void MainWindow::extractImages()
{
    output->extractImages(outputWorkspace());
}
void MainWindow::setPassword()
{
    output->lock(outputWorkspace());
}
void MainWindow::removePassword()
{
    output->unlock(outputWorkspace());
}
void MainWindow::printPages()
{
    output->print(outputWorkspace());
}

void MainWindow::printToPrinter(QPrinter *printer, const QList<PageWidget *> &pages)
{
    output->printTo(printer, pageRefsOf(pages), progressBar->isVisible());
}

// ---------------------------------------------------------------------------
// Stamps

// Repaints each target's full-size picture in turn (the tiles then show the
// stamped pages), then records the stamped state for undo.
void MainWindow::stampTiles(const QList<PageWidget *> &targets, const QString &statusText,
                            const std::function<void(QImage &, int)> &paint)
{
    // Guarded: the loop pumps events, and a tile may be removed meanwhile, or
    // the workspace replaced by undo, redo or clear.
    const QList<QPointer<PageWidget>> tiles(targets.cbegin(), targets.cend());
    const int generation = workspaceGeneration;
    const int n = tiles.size();
    startProgress(n);
    for (int i = 0; i < n; ++i) {
        PageWidget *tile = tiles[i];
        if (tile && generation == workspaceGeneration) {
            QImage image = tile->property("originalThumbnail").value<QPixmap>().toImage();
            if (!image.isNull() && image.format() < QImage::Format_RGB32)
                image.convertTo(QImage::Format_ARGB32_Premultiplied);
            paint(image, i);
            tile->setProperty("originalThumbnail", QVariant::fromValue(QPixmap::fromImage(image)));
            tile->updateThumbnail();
        }
        setProgress(i + 1);
        showStatus(statusText.arg(i + 1).arg(n));
        QCoreApplication::processEvents();
    }
    finishProgress();
    saveState();
}

void MainWindow::addWatermark()
{
    if (!hasPages("No Pages", "No pages to add watermark. Please add PDF files first."))
        return;
    const auto selectedCount = std::count_if(pageWidgets.cbegin(), pageWidgets.cend(),
                                             [](PageWidget *tile) { return tile->isSelected(); });
    WatermarkDialog dialog(pageWidgets.size(), int(selectedCount), this);
    if (dialog.exec() != QDialog::Accepted)
        return;

    PageStamper::Watermark mark;
    mark.text = dialog.getText();
    mark.opacity = dialog.getOpacity();
    mark.fontSize = dialog.getFontSize();
    mark.fontFamily = dialog.getFontFamily();
    mark.color = dialog.getColor();
    mark.rotation = dialog.getRotation();
    mark.position = dialog.getPosition();
    const bool allPages = dialog.applyToAllPages();
    if (mark.text.isEmpty()) {
        QMessageBox::warning(this, "Empty Text", "Watermark text cannot be empty.");
        return;
    }

    QList<PageWidget *> targets;
    for (PageWidget *tile : std::as_const(pageWidgets))
        if (allPages || tile->isSelected())
            targets.append(tile);
    if (targets.isEmpty()) {
        QMessageBox::information(this, "No Selection", "No pages selected for watermark.");
        return;
    }

    const int n = targets.size();
    stampTiles(targets, "Adding watermark... %1 of %2",
               [&mark](QImage &image, int) { PageStamper::paintWatermark(image, mark); });
    QMessageBox::information(this, "Watermark Added",
                             QString("Successfully added watermark to %1 pages.").arg(n));
    showStatus(QString("Watermark added to %1 pages").arg(n));
}

void MainWindow::addPageNumbers()
{
    if (!hasPages("No Pages", "No pages to add numbers. Please add PDF files first."))
        return;
    const int total = pageWidgets.size();
    PageNumberDialog dialog(total, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int start = dialog.getStartNumber();
    const int fontSize = dialog.getFontSize();
    const QString family = dialog.getFontFamily();
    const int margin = dialog.getMargin();
    const int format = dialog.getFormat();
    const int position = dialog.getPosition();

    stampTiles(pageWidgets, "Adding page numbers... %1 of %2", [&](QImage &image, int i) {
        PageStamper::paintPageLabel(image, PageStamper::pageLabel(format, start + i, total), family,
                                    fontSize, position, margin);
    });
    QMessageBox::information(
        this, "Page Numbers Added",
        QString("Successfully added page numbers to all %1 pages.").arg(total));
    showStatus(QString("Page numbers added to %1 pages").arg(total));
}
