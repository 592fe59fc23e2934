#include "MainWindow.h"

#include "DialogPrompter.h"
#include "ExportDialog.h"
#include "FileIntake.h"
#include "FlowLayout.h"
#include "OutputJobs.h"
#include "PageAssembler.h"
#include "PageGrid.h"
#include "PageNumberDialog.h"
#include "PageRenderer.h"
#include "PageStamper.h"
#include "PageWidget.h"
#include "PasswordDialog.h"
#include "PdfImageCompressor.h"
#include "PreviewDialog.h"
#include "ScreenFit.h"
#include "Theme.h"
#include "TileSnapshots.h"
#include "WatermarkDialog.h"

#include <QApplication>
#include <QCheckBox>
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
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle("Quirefold - Ultimate PDF Tool");
    auto *screenFit = new ScreenFit(this, QSize(1100, 750));
    setAcceptDrops(true);

    prompter = std::make_unique<DialogPrompter>(this);
    setupUI();
    intake = new FileIntake(
        pageWidgets, *grid, *prompter,
        [this](const QPixmap &thumbnail, const QString &filePath, int pageNumber, int totalPages,
               int globalIndex) {
            return createTile(thumbnail, filePath, pageNumber, totalPages, globalIndex);
        },
        this);
    connect(intake, &FileIntake::statusChanged, this, &MainWindow::showStatus);
    connect(intake, &FileIntake::progressStarted, this, &MainWindow::startProgress);
    connect(intake, &FileIntake::progressChanged, this, &MainWindow::setProgress);
    connect(intake, &FileIntake::progressFinished, this, &MainWindow::finishProgress);
    // Wide enough for the toolbar rows on one line each, where the screen has room.
    screenFit->open(QSize(qMax(1400, centralWidget()->sizeHint().width()), 850));
    createShortcuts();
    updateButtonStates();
    showStatus(QString::fromUtf8("✅ Hazır - PDF dosyalarını sürükleyip bırakın veya 'Dosya Ekle' "
                                 "butonunu kullanın"));
}

MainWindow::~MainWindow() = default;

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

    grid = new PageGrid(central, pageCountLabel);
    connect(grid, &PageGrid::statusChanged, this, &MainWindow::showStatus);
    mainLayout->addWidget(grid->view(), 1);

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
    undoButton->setEnabled(history.canUndo());
    redoButton->setEnabled(history.canRedo());
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
// Tiles and the grid

PageWidget *MainWindow::createTile(const QPixmap &thumbnail, const QString &filePath,
                                   int pageNumber, int totalPages, int globalIndex)
{
    // Made inside the grid container, where the grid places it: moving a tile
    // there later would polish it and its children a second time. It stays
    // hidden until the grid shows it.
    auto *tile =
        new PageWidget(thumbnail, filePath, pageNumber, totalPages, globalIndex, grid->container());
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
    intake->loadPdf(filePath);
}

void MainWindow::updatePageGrid()
{
    grid->relayout(pageWidgets);
}

void MainWindow::updateGlobalIndices()
{
    PageGrid::numberTiles(pageWidgets);
}

void MainWindow::onZoomChanged(int value)
{
    zoomLevel = value / 100.0;
    grid->zoomTiles(pageWidgets, value);
}

const QStringList &MainWindow::temporaryFiles() const
{
    return intake->temporaryFiles();
}

// ---------------------------------------------------------------------------
// Adding files

void MainWindow::addPDFFiles()
{
    const int added = intake->addFiles();
    if (added == 0)
        return;
    updatePageGrid();
    updateButtonStates();
    showStatus(
        QString::fromUtf8("Added %1 file(s) • Total: %2 pages").arg(added).arg(pageWidgets.size()));
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
    intake->addDropped(mimeData->urls());
    updatePageGrid();
    updateButtonStates();
}

// ---------------------------------------------------------------------------
// Undo history

QList<PageData> MainWindow::getCurrentPagesData() const
{
    return TileSnapshots::take(pageWidgets);
}

void MainWindow::saveState()
{
    history.record(getCurrentPagesData());
    updateButtonStates();
}

void MainWindow::undo()
{
    if (!history.canUndo())
        return;
    restorePagesFromData(*history.undo(getCurrentPagesData()));
    updateButtonStates();
    showStatus("Undone");
}

void MainWindow::redo()
{
    if (!history.canRedo())
        return;
    restorePagesFromData(*history.redo(getCurrentPagesData()));
    updateButtonStates();
    showStatus("Redone");
}

void MainWindow::restorePagesFromData(const QList<PageData> &data)
{
    const QList<PageWidget *> live = pageWidgets;
    replaceWorkspace();
    pageWidgets = TileSnapshots::restore(live, data, [this](const PageData &page, int index) {
        return createTile(page.thumbnail, page.filePath, page.pageNumber, page.totalPages, index);
    });
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

    history.clear();
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
    const std::optional<int> position = prompter->number(
        "Insert Blank Page", QString("Insert blank page at position (1-%1):").arg(count + 1),
        count + 1, 1, count + 1, 1);
    if (!position || !intake->addBlankPage(count))
        return;

    pageWidgets.move(pageWidgets.size() - 1, *position - 1);
    updatePageGrid();
    saveState();
    prompter->information("Blank Page Inserted",
                          QString::fromUtf8("✅ Inserted blank page at position %1").arg(*position));
    showStatus(QString("Blank page inserted at position %1").arg(*position));
}

// ---------------------------------------------------------------------------
// Output

namespace {

QString padded(int number, int digits)
{
    return QString("%1").arg(number, digits, 10, QChar('0'));
}

// "~12.3%", or the word for "unknown" when there was nothing to compare with.
QString reductionText(qint64 before, qint64 after, const QString &unknown)
{
    if (before <= 0)
        return unknown;
    return QString("~%1%").arg(100.0 * (1.0 - double(after) / double(before)), 0, 'f', 1);
}

// The extra line of a final message when pages had to be written as pictures.
QString picturesNote(int pictures, bool turkish)
{
    if (pictures == 0)
        return QString();
    if (turkish)
        return QString::fromUtf8("\n\n⚠️ %1 sayfa kopyalanamadı, resim olarak yazıldı")
            .arg(pictures);
    return QString::fromUtf8(
               pictures == 1
                   ? "\n\n⚠️ %1 page could not be copied and was written as a picture"
                   : "\n\n⚠️ %1 pages could not be copied and were written as pictures")
        .arg(pictures);
}

// The merge's options for copying pages: the same document information,
// outline, labels and protection as the picture merge.
PageAssembler::Options copying(const OutputJobs::MergeOptions &merge)
{
    PageAssembler::Options options;
    if (merge.bookmarks) {
        options.title = "Merged PDF Document";
        options.creator = "Quirefold v2.0";
    }
    options.bookmarks = merge.bookmarks;
    options.autoNumbers = merge.autoNumbers;
    options.encryption = merge.encryption;
    options.pictureScale = 2.5;
    return options;
}

// The sheet jobs' options for copying pages: every list position keeps a
// page, a blank A4 one where the source is gone, as on the sheets.
PageAssembler::Options copying(const OutputJobs::SheetOptions &sheets)
{
    PageAssembler::Options options;
    options.title = sheets.title;
    options.creator = sheets.creator;
    options.margin = sheets.margin;
    options.blankForMissing = true;
    options.pictureScale = sheets.scale;
    options.encryption = sheets.encryption;
    return options;
}

// Shrinks the pictures of a copied file to `dpi` before it replaces the
// target; text and drawings stay as they are.
OutputFile::Finisher pictureCompression(int dpi)
{
    return [dpi](const QString &written, QIODevice *target, QString *error) {
        PdfImageCompressor compressor({dpi, 75});
        if (compressor.process(written, target))
            return true;
        *error = compressor.errorString();
        return false;
    };
}

// Asks whether to protect the merged file; false when the user cancelled.
bool askMergePassword(QWidget *parent, OutputJobs::Encryption *encryption)
{
    const auto answer = QMessageBox::question(
        parent, QString::fromUtf8("🔒 Şifre Koruması"),
        QString::fromUtf8("Birleştirilen PDF'e şifre koruması eklemek ister misiniz?\n\nNot: "
                          "Dosya, gireceğiniz şifreyle AES kullanılarak şifrelenecek.\nŞifreyi "
                          "bilmeyen kimse dosyayı açamaz."),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes) {
        PasswordDialog dialog(PasswordDialog::Export, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        // An accepted empty password means no protection.
        if (!dialog.getPassword().isEmpty())
            *encryption = PdfPostProcessor::EncryptionOptions{
                dialog.getPassword(),   dialog.getOwnerPassword(), dialog.getEncryptionLevel(),
                dialog.allowPrinting(), dialog.allowCopying(),     dialog.allowModifying()};
    }
    return true;
}

} // namespace

std::function<void(int)> MainWindow::outputProgress(std::function<QString(int done)> statusText)
{
    return [this, statusText](int done) {
        setProgress(done);
        if (statusText)
            showStatus(statusText(done));
        QCoreApplication::processEvents();
    };
}

void MainWindow::warnNotWritten(const QString &file, const QString &error, bool turkish)
{
    const QString text = turkish ? QString::fromUtf8("Dosya yazılamadı: %1\n\n%2")
                                 : QString("Could not write file: %1\n\n%2");
    QMessageBox::warning(this, turkish ? "Hata" : "Error",
                         text.arg(QDir::toNativeSeparators(file), error));
}

int MainWindow::askCompressionDpi(QString *qualityName)
{
    const QStringList presets{QString::fromUtf8("🔥 Maksimum sıkıştırma (72 DPI - en küçük dosya)"),
                              QString::fromUtf8("⚖️ Dengeli kalite (150 DPI - önerilen)"),
                              QString::fromUtf8("💎 Yüksek kalite (200 DPI - daha büyük dosya)"),
                              QString::fromUtf8("🎯 Özel DPI...")};
    bool ok = false;
    const QString preset =
        QInputDialog::getItem(this, QString::fromUtf8("Sıkıştırma Kalitesi"),
                              QString::fromUtf8("Kalite seviyesi seçin:"), presets, 1, false, &ok);
    if (!ok)
        return 0;
    if (preset.contains("72 DPI")) {
        *qualityName = QString::fromUtf8("Maksimum Sıkıştırma");
        return 72;
    }
    if (preset.contains("150 DPI")) {
        *qualityName = "Dengeli";
        return 150;
    }
    if (preset.contains("200 DPI")) {
        *qualityName = QString::fromUtf8("Yüksek Kalite");
        return 200;
    }
    const int dpi = QInputDialog::getInt(
        this, QString::fromUtf8("Özel DPI"),
        QString::fromUtf8("DPI değeri girin (düşük = küçük dosya, yüksek = büyük dosya):"), 150, 50,
        300, 10, &ok);
    if (!ok)
        return 0;
    *qualityName = QString::fromUtf8("Özel %1 DPI").arg(dpi);
    return dpi;
}

void MainWindow::mergePDFs()
{
    if (pageWidgets.isEmpty()) {
        QMessageBox::warning(this, QString::fromUtf8("Uyarı"),
                             QString::fromUtf8("Birleştirilecek sayfa yok!"));
        return;
    }
    OutputJobs::MergeOptions options;
    options.bookmarks = bookmarksCheckBox->isChecked();
    options.autoNumbers = autoNumbersCheckBox->isChecked();
    const bool keepText = keepTextCheckBox->isChecked();

    if (!askMergePassword(this, &options.encryption))
        return;
    const QString target = QFileDialog::getSaveFileName(
        this, QString::fromUtf8("Birleştirilmiş PDF'i Kaydet"), QDir::homePath() + "/merged.pdf",
        QString::fromUtf8("PDF Dosyası (*.pdf)"));
    if (target.isEmpty())
        return;

    const QList<PageRef> pages = pageRefsOf(pageWidgets);
    const int count = pages.size();
    startProgress(count);
    showStatus(QString::fromUtf8("PDF'ler birleştiriliyor..."));
    const auto progress = outputProgress([count](int done) {
        return QString::fromUtf8("Birleştiriliyor... %1/%2").arg(done).arg(count);
    });
    const OutputResult result =
        keepText ? PageAssembler::write(pages, target, copying(options), progress)
                 : OutputJobs::merge(pages, target, options, progress);
    finishProgress();
    if (!result.written) {
        warnNotWritten(target, result.error, true);
        return;
    }

    const QFileInfo info(target);
    QString message = QString::fromUtf8("✅ %1 sayfa başarıyla birleştirildi!\n\nDosya: %2\nKonum: "
                                        "%3\nBoyut: %4 KB")
                          .arg(QString::number(count), info.fileName(), info.absolutePath(),
                               QString::number(info.size() / 1024));
    if (options.bookmarks)
        message += QString::fromUtf8("\n\n📑 %1 kaynak dosyadan bookmark'lar eklendi")
                       .arg(result.bookmarks);
    if (options.autoNumbers)
        message += QString::fromUtf8("\n\n🔢 Otomatik sayfa numaraları eklendi");
    if (options.encryption)
        message += QString::fromUtf8("\n\n🔒 Dosya %1-bit AES şifrelemeyle korundu. Açmak için "
                                     "şifre gerekir.")
                       .arg(options.encryption->keyBits);
    message += picturesNote(result.pictures, true);
    QMessageBox::information(this, QString::fromUtf8("Başarılı"), message);
    showStatus(QString::fromUtf8("PDF'ler başarıyla birleştirildi!"), 5000);
}

void MainWindow::splitPDF()
{
    if (!hasPages("Sayfa Yok",
                  QString::fromUtf8("Bölünecek sayfa yok. Lütfen önce PDF dosyaları ekleyin.")))
        return;
    const QStringList modes{QString::fromUtf8("Her sayfayı ayrı PDF yap"),
                            QString::fromUtf8("Seçili sayfaları ayrı PDF'lere böl"),
                            QString::fromUtf8("Her N sayfada bir böl")};
    bool ok = false;
    const QString mode =
        QInputDialog::getItem(this, QString::fromUtf8("Bölme Yöntemi"),
                              QString::fromUtf8("Nasıl bölmek istersiniz?"), modes, 0, false, &ok);
    if (!ok || mode.isEmpty())
        return;
    const QString folder = QFileDialog::getExistingDirectory(
        this, QString::fromUtf8("Bölünmüş PDF'ler İçin Klasör Seç"), QDir::homePath());
    if (folder.isEmpty())
        return;
    const bool keepText = keepTextCheckBox->isChecked();
    const bool everyPage = mode.contains(QString::fromUtf8("Her sayfayı"));
    const bool selectedOnly = !everyPage && mode.contains(QString::fromUtf8("Seçili"));
    int perFile = 0;
    if (!everyPage && !selectedOnly) {
        perFile = QInputDialog::getInt(this, QString::fromUtf8("Sayfa Sayısı"),
                                       QString::fromUtf8("Her kaç sayfada bir dosya oluşturulsun?"),
                                       5, 1, pageWidgets.size(), 1, &ok);
        if (!ok)
            return;
    }

    QList<PageRef> pages = pageRefsOf(pageWidgets);
    const int count = pages.size();
    startProgress(count);
    OutputJobs::Result result;
    if (perFile > 0) {
        const int fileCount = (count + perFile - 1) / perFile;
        const auto fileDone = [this, fileCount](int file) {
            showStatus(QString::fromUtf8("Bölünüyor... %1/%2 dosya").arg(file).arg(fileCount));
        };
        result = keepText ? PageAssembler::splitRuns(pages, folder, perFile,
                                                     outputProgress(nullptr), fileDone)
                          : OutputJobs::splitRuns(pages, folder, perFile, outputProgress(nullptr),
                                                  fileDone);
    } else {
        if (selectedOnly) {
            pages.removeIf([](const PageRef &page) { return !page.selected; });
            if (pages.isEmpty()) {
                QMessageBox::information(this, QString::fromUtf8("Seçim Yok"),
                                         QString::fromUtf8("Hiçbir sayfa seçilmedi."));
                finishProgress();
                return;
            }
        }
        const int total = pages.size();
        auto pathOf = [folder, selectedOnly](int n, const PageRef &page) {
            if (selectedOnly)
                return QString("%1/secili_%2.pdf").arg(folder, padded(n, 3));
            return QString("%1/%2_sayfa_%3.pdf")
                .arg(folder, QFileInfo(page.filePath).baseName(), padded(n, 3));
        };
        const auto progress = outputProgress([total](int done) {
            return QString::fromUtf8("Bölünüyor... %1/%2").arg(done).arg(total);
        });
        result = keepText ? PageAssembler::splitPages(pages, pathOf, progress)
                          : OutputJobs::splitPages(pages, pathOf, progress);
    }
    finishProgress();
    if (!result.written && !result.failedFile.isEmpty()) {
        warnNotWritten(result.failedFile, result.error, true);
        return;
    }

    QString message = QString::fromUtf8("✅ %1 PDF dosyası oluşturuldu\n\nKonum: %2")
                          .arg(QString::number(result.files), folder);
    if (result.failures > 0)
        message += QString::fromUtf8("\n\n⚠️ %1 sayfa işlenemedi").arg(result.failures);
    message += picturesNote(result.pictures, true);
    QMessageBox::information(this, QString::fromUtf8("Bölme Tamamlandı"), message);
    showStatus(QString::fromUtf8("%1 PDF dosyası oluşturuldu").arg(result.files), 5000);
}

void MainWindow::compressPDF()
{
    if (!hasPages("Sayfa Yok", QString::fromUtf8(
                                   "Sıkıştırılacak sayfa yok. Lütfen önce PDF dosyaları ekleyin.")))
        return;
    const bool keepText = keepTextCheckBox->isChecked();
    QString quality;
    const int dpi = askCompressionDpi(&quality);
    if (dpi == 0)
        return;
    const QString target = QFileDialog::getSaveFileName(
        this, QString::fromUtf8("Sıkıştırılmış PDF'i Kaydet"), QDir::homePath() + "/compressed.pdf",
        QString::fromUtf8("PDF Dosyaları (*.pdf)"));
    if (target.isEmpty())
        return;

    const QList<PageRef> pages = pageRefsOf(pageWidgets);
    const int count = pages.size();
    const qint64 inputSize = OutputJobs::inputSize(pages);
    startProgress(count);
    OutputJobs::SheetOptions options;
    options.dpi = dpi;
    options.scale = dpi / 72.0;
    options.title = "Compressed PDF";
    options.creator = "Quirefold v2.0";
    options.progressOnLoadError = false;
    const auto progress = outputProgress([count](int done) {
        return QString::fromUtf8("Sıkıştırılıyor... %1/%2 (%3%)")
            .arg(done)
            .arg(count)
            .arg(100 * done / count);
    });
    PageAssembler::Options copy = copying(options);
    copy.finisher = pictureCompression(dpi);
    const OutputResult result = keepText
                                    ? PageAssembler::write(pages, target, copy, progress)
                                    : OutputJobs::writeSheets(pages, target, options, progress);
    finishProgress();
    if (!result.written) {
        warnNotWritten(target, result.error, true);
        return;
    }

    const QFileInfo info(target);
    const QString size = OutputJobs::sizeText(info.size());
    const QString message =
        QString::fromUtf8("✅ PDF başarıyla sıkıştırıldı!\n\n📊 İstatistikler:\n• Kalite: %1\n• "
                          "Çözünürlük: %2 DPI\n• İşlenen sayfa: %3/%4\n• Son boyut: %5\n• "
                          "Tahmini sıkıştırma: %6\n\n📁 Dosya: %7")
            .arg(quality, QString::number(dpi), QString::number(result.drawn),
                 QString::number(count), size,
                 reductionText(inputSize, info.size(), QString::fromUtf8("bilinmiyor")),
                 info.fileName()) +
        picturesNote(result.pictures, true);
    QMessageBox::information(this, QString::fromUtf8("Sıkıştırma Tamamlandı"), message);
    showStatus(QString::fromUtf8("PDF sıkıştırıldı: %1").arg(size), 5000);
}

void MainWindow::optimizeForWeb()
{
    if (!hasPages("No Pages", "No pages to optimize. Please add PDF files first."))
        return;
    const bool keepText = keepTextCheckBox->isChecked();
    const QString target = QFileDialog::getSaveFileName(this, "Save Optimized PDF",
                                                        QDir::homePath(), "PDF Files (*.pdf)");
    if (target.isEmpty())
        return;

    const QList<PageRef> pages = pageRefsOf(pageWidgets);
    const int count = pages.size();
    startProgress(count);
    const auto progress = outputProgress(
        [count](int done) { return QString("Optimizing... %1 of %2").arg(done).arg(count); });
    OutputJobs::SheetOptions options;
    options.dpi = 96;
    options.scale = 96 / 72.0;
    PageAssembler::Options copy = copying(options);
    copy.webOptimized = true;
    const OutputResult result = keepText
                                    ? PageAssembler::write(pages, target, copy, progress)
                                    : OutputJobs::writeSheets(pages, target, options, progress);
    finishProgress();
    if (!result.written) {
        warnNotWritten(target, result.error, false);
        return;
    }

    // Copied pages are compared with all their sources; pictures with an estimate.
    const qint64 outputSize = QFileInfo(target).size();
    const qint64 originalSize =
        keepText ? OutputJobs::inputSize(pages) : QFileInfo(pages.first().filePath).size();
    const QString message =
        QString::fromUtf8("✅ Optimized PDF saved to:\n%1\n\nOriginal size: ~%2 KB\nOptimized "
                          "size: %3 KB\nReduction: %4\n\n%5\n✓ Optimized for web/email")
            .arg(target, QString::number(keepText ? originalSize / 1024 : count * 500),
                 QString::number(outputSize / 1024),
                 reductionText(originalSize, outputSize, "unknown"),
                 QString::fromUtf8(keepText ? "✓ Fast web view (linearized)"
                                            : "✓ Low resolution (96 DPI)")) +
        picturesNote(result.pictures, false);
    QMessageBox::information(this, "Optimization Complete", message);
    showStatus("PDF optimized for web");
}

void MainWindow::cropPages()
{
    if (!hasPages("No Pages", "No pages to crop. Please add PDF files first."))
        return;
    const bool keepText = keepTextCheckBox->isChecked();
    const QStringList presets{"Remove 10% margins (all sides)", "Remove 15% margins (all sides)",
                              "Remove 20% margins (all sides)", "Custom crop..."};
    bool ok = false;
    const QString preset =
        QInputDialog::getItem(this, "Crop Pages", "Select crop preset:", presets, 0, false, &ok);
    if (!ok)
        return;
    double margin = 0.10;
    if (preset.contains("15%")) {
        margin = 0.15;
    } else if (preset.contains("20%")) {
        margin = 0.20;
    } else if (preset.contains("Custom")) {
        const double percent =
            QInputDialog::getDouble(this, "Custom Crop", "Enter margin to remove (%):", 10.0, 0.0,
                                    50.0, 1, &ok, Qt::WindowFlags(), 1.0);
        if (!ok)
            return;
        margin = percent / 100.0;
    }
    const QString target = QFileDialog::getSaveFileName(this, "Save Cropped PDF", QDir::homePath(),
                                                        "PDF Files (*.pdf)");
    if (target.isEmpty())
        return;

    const QList<PageRef> pages = pageRefsOf(pageWidgets);
    const int count = pages.size();
    startProgress(count);
    const auto progress = outputProgress(
        [count](int done) { return QString("Cropping... %1 of %2").arg(done).arg(count); });
    OutputJobs::SheetOptions options;
    options.margin = margin;
    const OutputResult result =
        keepText ? PageAssembler::write(pages, target, copying(options), progress)
                 : OutputJobs::writeSheets(pages, target, options, progress);
    finishProgress();
    if (!result.written) {
        warnNotWritten(target, result.error, false);
        return;
    }
    QMessageBox::information(
        this, "Crop Complete",
        QString::fromUtf8("✅ Cropped PDF saved to:\n%1\n\nMargins removed: %2%")
                .arg(target, QString::number(margin * 100, 'f', 1)) +
            picturesNote(result.pictures, false));
    showStatus("PDF cropped successfully");
}

void MainWindow::exportPages()
{
    if (!hasPages("No Pages", "No pages to export. Please add PDF files first."))
        return;
    const QList<PageRef> allPages = pageRefsOf(pageWidgets);
    const int selectedCount = std::count_if(allPages.cbegin(), allPages.cend(),
                                            [](const PageRef &page) { return page.selected; });
    ExportDialog dialog(allPages.size(), selectedCount, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QList<PageRef> pages = allPages;
    if (!dialog.exportAllPages())
        pages.removeIf([](const PageRef &page) { return !page.selected; });
    if (pages.isEmpty()) {
        QMessageBox::information(this, "No Selection", "No pages selected for export.");
        return;
    }

    static const char *const extensions[] = {"jpg", "png", "bmp", "tiff"};
    const int format = qBound(0, dialog.getFormat(), 3);
    const QString extension = extensions[format];
    const QString folder = dialog.getOutputFolder();
    const QString pattern = dialog.getFileNamePattern();
    OutputJobs::ImageOptions options;
    options.scale = dialog.getDPI() / 72.0;
    options.format = extension.toUpper().toLatin1();
    options.quality = format == 0 ? dialog.getQuality() : -1;
    auto pathOf = [folder, pattern, extension](int n, const PageRef &) {
        QString name = pattern;
        name.replace("{page}", padded(n, 3));
        return folder + "/" + name + "." + extension;
    };

    const int total = pages.size();
    startProgress(total);
    const OutputJobs::Result result =
        OutputJobs::saveImages(pages, pathOf, options, outputProgress([total](int done) {
                                   return QString("Exporting... %1 of %2").arg(done).arg(total);
                               }));
    finishProgress();
    if (!result.written && !result.failedFile.isEmpty()) {
        warnNotWritten(result.failedFile, result.error, false);
        return;
    }
    QString message = QString("Successfully exported %1 pages to:\n%2")
                          .arg(QString::number(result.drawn), folder);
    if (result.failures > 0)
        message +=
            QString::fromUtf8("\n\n⚠️ %1 pages could not be exported").arg(result.failures);
    QMessageBox::information(this, "Export Complete", message);
    showStatus(QString("Exported %1 pages").arg(result.drawn));
}

void MainWindow::extractImages()
{
    if (!hasPages("No Pages", "No pages loaded. Please add PDF files first."))
        return;
    const QString folder =
        QFileDialog::getExistingDirectory(this, "Select Output Folder for Extracted Images",
                                          QDir::homePath(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    bool ok = false;
    const QString choice = QInputDialog::getItem(
        this, "Image Format",
        "Select output format:", {"PNG (*.png)", "JPEG (*.jpg)", "BMP (*.bmp)", "TIFF (*.tiff)"}, 0,
        false, &ok);
    if (!ok)
        return;
    QString extension = "png";
    if (choice.contains("JPEG"))
        extension = "jpg";
    else if (choice.contains("BMP"))
        extension = "bmp";
    else if (choice.contains("TIFF"))
        extension = "tiff";

    const QList<PageRef> pages = pageRefsOf(pageWidgets);
    const int count = pages.size();
    OutputJobs::ImageOptions options;
    options.scale = 2.0;
    options.format = extension.toUpper().toLatin1();
    auto pathOf = [folder, extension](int n, const PageRef &) {
        return QString("%1/page_%2.%3").arg(folder, padded(n, 4), extension);
    };
    startProgress(count);
    const OutputJobs::Result result =
        OutputJobs::saveImages(pages, pathOf, options, outputProgress([count](int done) {
                                   return QString("Extracting... %1 of %2").arg(done).arg(count);
                               }));
    finishProgress();
    if (!result.written && !result.failedFile.isEmpty()) {
        warnNotWritten(result.failedFile, result.error, false);
        return;
    }
    QString message = QString::fromUtf8("✅ Successfully extracted %1 images to:\n%2")
                          .arg(QString::number(result.drawn), folder);
    if (result.failures > 0)
        message +=
            QString::fromUtf8("\n\n⚠️ %1 images could not be extracted").arg(result.failures);
    QMessageBox::information(this, "Extraction Complete", message);
    showStatus(QString("Extracted %1 images").arg(result.drawn));
}

// ---------------------------------------------------------------------------
// Stamps, protection and printing

namespace {

// Protected copies: A4 pages at 150 dpi holding pages rendered at 144 dpi.
constexpr int kCopyResolution = 150;
constexpr double kCopyScale = 2.0;

// Printed pages are rendered at three pixels per point before they are fitted.
constexpr double kPrintScale = 3.0;

} // namespace

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

void MainWindow::setPassword()
{
    if (!hasPages("No Pages", "No pages to protect. Please add PDF files first."))
        return;
    const bool keepText = keepTextCheckBox->isChecked();
    PasswordDialog dialog(PasswordDialog::Set, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const PdfPostProcessor::EncryptionOptions protection{
        dialog.getPassword(),   dialog.getOwnerPassword(), dialog.getEncryptionLevel(),
        dialog.allowPrinting(), dialog.allowCopying(),     dialog.allowModifying()};
    const QString path = QFileDialog::getSaveFileName(this, "Save Protected PDF", QDir::homePath(),
                                                      "PDF Files (*.pdf)");
    if (path.isEmpty())
        return;

    const QList<PageRef> pages = pageRefsOf(pageWidgets);
    const int count = pages.size();
    startProgress(count);
    const auto progress = outputProgress(
        [count](int done) { return QString("Creating PDF... %1 of %2").arg(done).arg(count); });
    OutputJobs::SheetOptions options;
    options.dpi = kCopyResolution;
    options.scale = kCopyScale;
    options.encryption = protection;
    const OutputResult result = keepText
                                    ? PageAssembler::write(pages, path, copying(options), progress)
                                    : OutputJobs::writeSheets(pages, path, options, progress);
    finishProgress();
    if (!result.written) {
        warnNotWritten(path, result.error, false);
        return;
    }
    QStringList granted;
    if (protection.allowPrinting)
        granted << "printing";
    if (protection.allowCopying)
        granted << "copying text and images";
    if (protection.allowModifying)
        granted << "modifying content";
    QMessageBox::information(
        this, "PDF Created",
        QString::fromUtf8("✅ PDF saved to:\n%1\n\n🔒 Password Protection:\nThe PDF is "
                          "encrypted and opens only with its password.\n\nAllowed without the "
                          "owner password: %2\nEncryption: %3-bit AES")
                .arg(path, granted.isEmpty() ? QString("viewing only") : granted.join(", "))
                .arg(protection.keyBits) +
            picturesNote(result.pictures, false));
    showStatus("PDF saved with password protection");
}

void MainWindow::removePassword()
{
    const bool keepText = keepTextCheckBox->isChecked();
    const QString source = QFileDialog::getOpenFileName(this, "Select Password-Protected PDF",
                                                        QDir::homePath(), "PDF Files (*.pdf)");
    if (source.isEmpty())
        return;
    {
        QPdfDocument probe;
        probe.load(source);
        if (probe.status() == QPdfDocument::Status::Ready) {
            QMessageBox::information(this, "Not Protected",
                                     "This PDF is not password-protected or is already unlocked.");
            return;
        }
    }

    PasswordDialog dialog(PasswordDialog::Remove, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The renderer applies a password only while loading, so it goes first.
    QPdfDocument document;
    document.setPassword(dialog.getPassword());
    document.load(source);
    if (document.status() != QPdfDocument::Status::Ready) {
        QMessageBox::warning(
            this, "Incorrect Password",
            QString::fromUtf8("The password you entered is incorrect.\n\nNote: Qt has limited "
                              "password support.\nFor advanced encryption, use:\n• QPDF: qpdf "
                              "--password=PASSWORD --decrypt input.pdf output.pdf\n• PDFtk: "
                              "pdftk input.pdf input_pw PASSWORD output output.pdf"));
        return;
    }

    const QString path = QFileDialog::getSaveFileName(this, "Save Unlocked PDF", QDir::homePath(),
                                                      "PDF Files (*.pdf)");
    if (path.isEmpty())
        return;
    const int count = document.pageCount();
    startProgress(count);
    const auto progress = outputProgress(
        [count](int done) { return QString("Unlocking... %1 of %2").arg(done).arg(count); });
    const OutputResult result =
        keepText ? PageAssembler::unlock(source, dialog.getPassword(), path, progress)
                 : OutputJobs::writeDocument(document, path, progress);
    finishProgress();
    if (!result.written) {
        warnNotWritten(path, result.error, false);
        return;
    }
    QMessageBox::information(this, "Password Removed",
                             QString::fromUtf8("✅ Unlocked PDF saved to:\n%1\n\nThe PDF is now "
                                               "unprotected and can be opened without a password.")
                                 .arg(path));
    showStatus("PDF password removed successfully");
}

void MainWindow::printPages()
{
    if (!hasPages("No Pages", "No pages to print. Please add PDF files first."))
        return;
    QList<PageWidget *> selected;
    for (PageWidget *tile : std::as_const(pageWidgets))
        if (tile->isSelected())
            selected.append(tile);

    QStringList choices{QString("All pages (%1 pages)").arg(pageWidgets.size())};
    if (!selected.isEmpty())
        choices << QString("Selected pages only (%1 pages)").arg(selected.size());
    bool ok = false;
    const QString answer =
        QInputDialog::getItem(this, QString::fromUtf8("🖨️ Print Pages"),
                              "What would you like to print?", choices, 0, false, &ok);
    if (!ok || answer.isEmpty())
        return;
    // Taken now: the dialogs below and the direct print loop pump events.
    const QList<PageRef> pages = pageRefsOf(answer.contains("All pages") ? pageWidgets : selected);
    if (pages.isEmpty()) {
        QMessageBox::information(this, "No Selection", "No pages selected for printing.");
        return;
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Portrait);
    QPrintDialog printDialog(&printer, this);
    printDialog.setWindowTitle("Print PDF Pages");
    if (printDialog.exec() != QDialog::Accepted)
        return;

    const auto choice = QMessageBox::question(
        this, "Print Preview",
        QString::fromUtf8("📄 Ready to print %1 pages.\n\nDo you want to see a preview first?")
            .arg(pages.size()),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::NoButton);
    if (choice == QMessageBox::Yes) {
        QPrintPreviewDialog preview(&printer, this);
        preview.setWindowTitle("Print Preview");
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [this, pages](QPrinter *target) { printPageRefs(target, pages, false); });
        preview.exec();
        return;
    }
    if (choice != QMessageBox::No)
        return;

    startProgress(pages.size());
    const bool started = printPageRefs(&printer, pages, true);
    finishProgress();
    if (!started)
        return; // already reported; nothing reached the printer
    QMessageBox::information(
        this, "Print Complete",
        QString::fromUtf8("✅ Successfully sent %1 pages to printer!").arg(pages.size()));
    showStatus(QString("Printed %1 pages").arg(pages.size()));
}

void MainWindow::printToPrinter(QPrinter *printer, const QList<PageWidget *> &pages)
{
    printPageRefs(printer, pageRefsOf(pages), progressBar->isVisible());
}

bool MainWindow::printPageRefs(QPrinter *printer, const QList<PageRef> &pages, bool showProgress)
{
    QPainter painter;
    if (!painter.begin(printer)) {
        QMessageBox::warning(this, "Print Error", "Failed to initialize printer.");
        return false;
    }
    // The printer scales while it draws: an enlarged copy at printer
    // resolution would take hundreds of megabytes per page.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int n = pages.size();
    for (int k = 0; k < n; ++k) {
        if (k > 0 && !printer->newPage()) {
            QMessageBox::warning(this, "Print Error", "Failed to create new page.");
            break;
        }
        const QImage image = PageRenderer::render(pages[k], kPrintScale);
        if (!image.isNull()) {
            const QSize area = printer->pageRect(QPrinter::DevicePixel).toRect().size();
            const QSize fitted = image.size().scaled(area, Qt::KeepAspectRatio);
            painter.drawImage(QRect(QPoint((area.width() - fitted.width()) / 2,
                                           (area.height() - fitted.height()) / 2),
                                    fitted),
                              image);
        }
        if (showProgress) {
            setProgress(k + 1);
            showStatus(QString("Printing... %1 of %2").arg(k + 1).arg(n));
            QCoreApplication::processEvents();
        }
    }
    painter.end();
    return true;
}
