#include "MainWindow.h"

#include "DialogPrompter.h"
#include "FileIntake.h"
#include "FlowLayout.h"
#include "PageGrid.h"
#include "PageRenderer.h"
#include "PageWidget.h"
#include "PreviewDialog.h"
#include "ScreenFit.h"
#include "StampCommands.h"
#include "Theme.h"
#include "TileSnapshots.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMimeData>
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
    createCommands();
    // Wide enough for the toolbar rows on one line each, where the screen has room.
    screenFit->open(QSize(qMax(1400, centralWidget()->sizeHint().width()), 850));
    createShortcuts();
    updateButtonStates();
    showStatus(QString::fromUtf8("✅ Hazır - PDF dosyalarını sürükleyip bırakın veya 'Dosya Ekle' "
                                 "butonunu kullanın"));
}

MainWindow::~MainWindow() = default;

// Commands report their progress and status on the window's bar and line.
template <typename Commands> void MainWindow::showProgressOf(Commands *commands)
{
    connect(commands, &Commands::statusChanged, this, &MainWindow::showStatus);
    connect(commands, &Commands::progressStarted, this, &MainWindow::startProgress);
    connect(commands, &Commands::progressChanged, this, &MainWindow::setProgress);
    connect(commands, &Commands::progressFinished, this, &MainWindow::finishProgress);
}

void MainWindow::createCommands()
{
    intake = new FileIntake(
        pageWidgets, *grid, *prompter,
        [this](const QPixmap &thumbnail, const QString &filePath, int pageNumber, int totalPages,
               int globalIndex) {
            return createTile(thumbnail, filePath, pageNumber, totalPages, globalIndex);
        },
        this);
    showProgressOf(intake);
    stamps = new StampCommands(
        this, prompter.get(), [this] { return workspaceGeneration; }, this);
    showProgressOf(stamps);
    connect(stamps, &StampCommands::stamped, this, &MainWindow::saveState);
    output = new OutputCommands(prompter.get(), this);
    showProgressOf(output);
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
        prompter->information("Info", "No pages selected!");
        return;
    }
    const auto answer = prompter->question(
        "Confirm Removal",
        QString("Are you sure you want to remove %1 selected page(s)?").arg(selected.size()));
    if (answer != Prompter::Answer::Yes)
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
    const auto answer = prompter->question(
        "Confirm Clear",
        QString("Are you sure you want to clear all %1 pages?\n\nThis action cannot be undone.")
            .arg(count),
        Prompter::Buttons::YesNo, Prompter::Answer::No);
    if (answer != Prompter::Answer::Yes)
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

void MainWindow::addWatermark()
{
    stamps->addWatermark(pageWidgets);
}

void MainWindow::addPageNumbers()
{
    stamps->addPageNumbers(pageWidgets);
}
