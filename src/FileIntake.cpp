#include "FileIntake.h"

#include "FileConverter.h"
#include "PageGrid.h"
#include "PageRenderer.h"
#include "PageWidget.h"
#include "Prompter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QSet>
#include <QUrl>

namespace {

constexpr int kMaxWorkspacePages = 1500;

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

QString createBatchFolder()
{
    const QString folder =
        QDir::tempPath() + "/Sheafkit_" + QString::number(QDateTime::currentMSecsSinceEpoch());
    QDir().mkpath(folder);
    return folder;
}

bool writeBlankPage(const QString &path)
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

} // namespace

FileIntake::FileIntake(QList<PageWidget *> &pages, const PageGrid &grid, Prompter &prompter,
                       TileMaker makeTile, QObject *parent)
    : ProgressReporter(parent)
    , pages(pages)
    , grid(grid)
    , prompter(prompter)
    , makeTile(std::move(makeTile))
{}

int FileIntake::addFiles()
{
    const QStringList files =
        prompter.openFiles("Select Files (PDF, Images, Office...)", QDir::homePath(),
                           FileConverter::getSupportedFormatsFilter());
    if (files.isEmpty())
        return 0;

    const QStringList pdfs = convertBatch(files, createBatchFolder(), true);
    if (pdfs.isEmpty())
        return 0;

    const int estimate = estimatePageCount(pdfs);
    if (estimate > 200) {
        const auto answer = prompter.question(
            "Large PDF Set",
            QString("You're about to load approximately %1 pages.\nThis may take a while and use "
                    "significant memory.\n\nContinue?")
                .arg(estimate));
        if (answer != Prompter::Answer::Yes)
            return 0;
    }

    loadBatch(pdfs, true);
    return files.size();
}

void FileIntake::addDropped(const QList<QUrl> &urls)
{
    QStringList accepted;
    for (const QUrl &url : urls) {
        const QString path = url.toLocalFile();
        if (FileConverter::isSupportedFile(path))
            accepted << path;
    }
    if (accepted.isEmpty())
        return;
    const QStringList pdfs = convertBatch(accepted, createBatchFolder(), false);
    if (!pdfs.isEmpty()) {
        loadBatch(pdfs, false);
        emit statusChanged(QString("Added %1 file(s) via drag & drop").arg(accepted.size()), 0);
    }
}

// The PDFs of a batch in input order: PDFs as they are, images and office
// documents converted into the batch folder. Only the dialog path (verbose)
// tells the user about each conversion and its failure.
QStringList FileIntake::convertBatch(const QStringList &paths, const QString &batchFolder,
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
        const QString name = claimConvertedName(QFileInfo(path).baseName(), takenNames);
        const QString output =
            convert(path, i, kind == InputKind::Image, batchFolder, name, verbose);
        if (!output.isEmpty()) {
            pdfs << output;
            tempFiles << output;
        }
    }
    return pdfs;
}

// The PDF made of the `index`th input as `name` in the batch folder, or
// nothing when conversion failed.
QString FileIntake::convert(const QString &path, int index, bool image, const QString &batchFolder,
                            const QString &name, bool verbose)
{
    const QFileInfo input(path);
    if (verbose) {
        emit statusChanged((image ? QString("Converting image: %1...")
                                  : QString("Converting Office document: %1..."))
                               .arg(input.fileName()),
                           0);
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
            folder = batchFolder + QString("/input_%1").arg(index + 1);
            QDir().mkpath(folder);
        }
        output = folder + "/" + name + ".pdf";
        converted = FileConverter::officeToPdf(path, output);
    }
    if (converted)
        return output;
    if (verbose) {
        prompter.warning("Conversion Failed",
                         image ? QString("Failed to convert image: %1").arg(input.fileName())
                               : QString("Failed to convert Office file: %1\n\nMake sure "
                                         "LibreOffice is installed.")
                                     .arg(input.fileName()));
    }
    return QString();
}

void FileIntake::loadBatch(const QStringList &pdfs, bool verbose)
{
    emit progressStarted(pdfs.size());
    for (int i = 0; i < pdfs.size(); ++i) {
        loadPdf(pdfs[i]);
        emit progressChanged(i + 1);
        if (verbose)
            emit statusChanged(QString("Loading file %1 of %2...").arg(i + 1).arg(pdfs.size()), 0);
        QCoreApplication::processEvents();
    }
    emit progressFinished();
}

// False, after telling the user, when `total` pages are too many; false too
// when the user declines a large load.
bool FileIntake::confirmLoad(int total, const QString &factorText)
{
    if (total > kMaxWorkspacePages) {
        prompter.critical(
            QString::fromUtf8("⛔ TOO MANY PAGES"),
            QString::fromUtf8("🚨 ERROR: Cannot load %1 pages!\n\nMaximum supported: 1500 "
                              "pages\nYour total: %1 pages\n\nPlease split your PDFs into smaller "
                              "files first.")
                .arg(total));
        return false;
    }
    if (total <= 500)
        return true;
    const auto answer = prompter.question(
        QString::fromUtf8("⚠️ Large PDF Warning"),
        QString::fromUtf8("🚨 Loading %1 total pages!\n\n• Thumbnail quality: %2x "
                          "(ultra-low)\n• This may take 30-60 seconds\n• Memory usage: ~%3 "
                          "MB\n\nConsider using smaller PDFs for better performance.\n\n"
                          "Continue anyway?")
            .arg(total)
            .arg(factorText)
            .arg((total * 50) / 1024),
        Prompter::Buttons::YesNo, Prompter::Answer::Cancel, Prompter::Tone::Warning);
    return answer == Prompter::Answer::Yes;
}

void FileIntake::loadPdf(const QString &filePath)
{
    QPdfDocument document;
    document.load(filePath);
    if (document.status() != QPdfDocument::Status::Ready) {
        prompter.warning("Error",
                         QString("Failed to load PDF: %1").arg(QFileInfo(filePath).fileName()));
        return;
    }

    const int pageCount = document.pageCount();
    const int total = pages.size() + pageCount;
    const double factor = qualityFactorFor(total);
    const QString factorText = QString::number(factor, 'f', 2);
    if (!confirmLoad(total, factorText))
        return;

    emit progressStarted(pageCount);
    emit statusChanged(
        QString::fromUtf8("⏳ Loading %1 pages (quality: %2x)...").arg(pageCount).arg(factorText),
        0);
    {
        const HeldGrid heldGrid(grid);
        for (int i = 0; i < pageCount; ++i) {
            // A damaged page may claim a size no picture can have.
            const QSize size = PageRenderer::renderSize(document.pagePointSize(i), factor,
                                                        PageRenderer::ThumbnailPixelBudget);
            const QImage image = size.isEmpty() ? QImage() : document.render(i, size);
            if (!image.isNull()) {
                pages.append(makeTile(QPixmap::fromImage(image), filePath, i + 1, pageCount,
                                      pages.size() + 1));
            }
            emit progressChanged(i + 1);
            if (total < 200 || i % 20 == 0)
                QCoreApplication::processEvents();
        }
    }
    emit progressFinished();
    emit statusChanged(
        QString::fromUtf8("✅ Loaded %1 pages! Total: %2 pages").arg(pageCount).arg(pages.size()),
        3000);
}

bool FileIntake::addBlankPage(int count)
{
    const QString path =
        QDir::tempPath() + QString("/blank_page_%1.pdf").arg(QDateTime::currentMSecsSinceEpoch());
    if (!writeBlankPage(path)) {
        prompter.warning("Blank Page Failed",
                         QString("Could not write the blank page file:\n%1").arg(path));
        return false;
    }
    // The loader reports its own refusals; without a new tile nothing changes.
    loadPdf(path);
    if (pages.size() != count + 1) {
        QFile::remove(path);
        return false;
    }
    tempFiles.append(path);
    return true;
}
