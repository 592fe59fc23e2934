#pragma once

#include "OutputCommands.h"
#include "UndoHistory.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class Prompter;
class FileIntake;
class FlowLayout;
class PageGrid;
class PageWidget;
class ProgressReporter;
class StampCommands;
class QCheckBox;
class QImage;
class QLabel;
class QPrinter;
class QProgressBar;
class QPushButton;
class QSlider;

// The only top-level window: owns the page list, the undo history, the zoom
// and the merge options, and runs every command.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The pages of the workspace in grid order.
    const QList<PageWidget *> &pages() const { return pageWidgets; }
    const QStringList &temporaryFiles() const;

    void loadPDFPages(const QString &filePath);
    void updatePageGrid();
    void updateGlobalIndices();
    QList<PageData> getCurrentPagesData() const;
    void restorePagesFromData(const QList<PageData> &data);
    void printToPrinter(QPrinter *printer, const QList<PageWidget *> &pages);
    void updateButtonStates();

public slots:
    void addPDFFiles();
    void mergePDFs();
    void clearAll();
    void onRemovePage(PageWidget *page);
    void onDragStarted(PageWidget *page);
    void onPreviewRequested(PageWidget *page);
    void onPageDropped(PageWidget *source, PageWidget *target);
    void rotateAllPages();
    void removeSelectedPages();
    void selectAll();
    void deselectAll();
    void reverseOrder();
    void onZoomChanged(int value);
    void undo();
    void redo();
    void saveState();
    void exportPages();
    void addWatermark();
    void addPageNumbers();
    void splitPDF();
    void compressPDF();
    void setPassword();
    void removePassword();
    void printPages();
    void extractImages();
    void insertBlankPage();
    void cropPages();
    void optimizeForWeb();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Window building
    void setupUI();
    void createCommands();
    template <typename Commands> void showProgressOf(Commands *commands);
    void createTitleRow(class QVBoxLayout *mainLayout);
    void createUpperToolbar(FlowLayout *row);
    void createMiddleToolbar(FlowLayout *row);
    void createLowerToolbar(FlowLayout *row);
    void createShortcuts();
    QPushButton *addToolButton(FlowLayout *row, const QString &text, const QString &look,
                               const QString &toolTip, void (MainWindow::*slot)(),
                               const char *objectName);
    void addSeparator(FlowLayout *row);

    // Status line and progress bar
    void showStatus(const QString &text, int timeout = 0);
    void startProgress(int maximum);
    void setProgress(int value);
    void finishProgress();

    // Tiles
    PageWidget *createTile(const QPixmap &thumbnail, const QString &filePath, int pageNumber,
                           int totalPages, int globalIndex);

    // Editing
    void discardAllTiles();
    // Empties the page list for a new one (clear, undo, redo).
    void replaceWorkspace();

    // Output
    void createKeepTextCheckBox(FlowLayout *row);
    OutputCommands::Workspace outputWorkspace() const;

    PageGrid *grid = nullptr;
    QPushButton *addButton = nullptr;
    QPushButton *mergeButton = nullptr;
    QPushButton *clearButton = nullptr;
    QPushButton *rotateAllButton = nullptr;
    QPushButton *removeSelectedButton = nullptr;
    QPushButton *selectAllButton = nullptr;
    QPushButton *deselectButton = nullptr;
    QPushButton *reverseButton = nullptr;
    QPushButton *undoButton = nullptr;
    QPushButton *redoButton = nullptr;
    QLabel *pageCountLabel = nullptr;
    QLabel *zoomLabel = nullptr;
    QProgressBar *progressBar = nullptr;
    QSlider *zoomSlider = nullptr;
    QList<PageWidget *> pageWidgets;
    // Guarded: the dragged tile may be removed before its drop arrives.
    QPointer<PageWidget> draggedWidget;
    UndoHistory history;
    // Counts replacements of the page list, for passes that pump events.
    int workspaceGeneration = 0;
    double zoomLevel = 1.0;
    QCheckBox *bookmarksCheckBox = nullptr;
    QCheckBox *autoNumbersCheckBox = nullptr;
    // Output commands copy pages as they are instead of redrawing them.
    QCheckBox *keepTextCheckBox = nullptr;
    std::unique_ptr<Prompter> prompter;
    FileIntake *intake = nullptr;
    OutputCommands *output = nullptr;
    StampCommands *stamps = nullptr;
};
