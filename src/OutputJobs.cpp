#include "OutputJobs.h"

#include "OutputFile.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QSet>

namespace {

constexpr int kMergeDpi = 300;
constexpr double kMergeScale = 2.5;
constexpr int kSplitDpi = 150;
constexpr double kSplitScale = 2.0;

void report(const OutputJobs::Progress &progress, int done)
{
    if (progress)
        progress(done);
}

// A PDF writer over an output file; finish() ends the painter and commits.
class PdfOutput
{
public:
    PdfOutput(const QString &path, const QPageSize &size, int dpi, const QString &title = {},
              const QString &creator = {}, const OutputFile::Finisher &finisher = {})
        : file(path)
    {
        if (finisher)
            file.setFinisher(finisher);
        if (!file.open())
            return;
        writer.reset(new QPdfWriter(file.device()));
        writer->setPageSize(size);
        writer->setPageOrientation(QPageLayout::Portrait);
        writer->setResolution(dpi);
        if (!title.isEmpty())
            writer->setTitle(title);
        if (!creator.isEmpty())
            writer->setCreator(creator);
        painter.begin(writer.get());
    }

    bool isOpen() const { return painter.isActive(); }
    QPdfWriter &pdf() { return *writer; }
    QPainter &paint() { return painter; }

    bool finish(OutputJobs::Result &result)
    {
        const bool ended = painter.isActive() && painter.end();
        if (ended && file.commit()) {
            result.written = true;
            return true;
        }
        file.cancel();
        result.noteFailure(file.fileName(), file.errorString());
        return false;
    }
    void fail(OutputJobs::Result &result)
    {
        if (painter.isActive())
            painter.end();
        file.cancel();
        result.noteFailure(file.fileName(), file.errorString());
    }

private:
    OutputFile file;
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
};

// Adds the outline and the encryption, when asked for, once the writer is
// done; `bookmarksWritten` receives the number of outline entries.
OutputFile::Finisher postProcessing(const QList<PdfPostProcessor::OutlineEntry> *outline,
                                    const OutputJobs::Encryption &encryption, int *bookmarksWritten)
{
    if (!outline && !encryption)
        return {};
    return [outline, encryption, bookmarksWritten](const QString &written, QIODevice *target,
                                                   QString *error) {
        PdfPostProcessor post;
        if (outline)
            post.setOutline(*outline);
        if (encryption)
            post.setEncryption(*encryption);
        if (!post.process(written, target)) {
            *error = post.errorString();
            return false;
        }
        if (bookmarksWritten)
            *bookmarksWritten = post.outlineEntriesWritten();
        return true;
    };
}

} // namespace

OutputJobs::Result OutputJobs::merge(const QList<PageRef> &pages, const QString &target,
                                     const MergeOptions &options, const Progress &progress)
{
    Result result;
    // Filled while the pages are drawn, read when the file is finished.
    QList<PdfPostProcessor::OutlineEntry> outline;
    int bookmarksWritten = 0;
    PdfOutput out(target, QPageSize(QPageSize::A4), kMergeDpi,
                  options.bookmarks ? QStringLiteral("Merged PDF Document") : QString(),
                  options.bookmarks ? QStringLiteral("Quirefold v2.0") : QString(),
                  postProcessing(options.bookmarks ? &outline : nullptr, options.encryption,
                                 &bookmarksWritten));
    if (!out.isOpen()) {
        out.fail(result);
        return result;
    }
    const int count = pages.size();
    bool pageUsed = false;
    int outputPages = 0;
    QSet<QString> sourcesSeen;
    for (int i = 0; i < count; ++i) {
        PageRenderer::Outcome outcome;
        const QImage image = PageRenderer::render(pages[i], kMergeScale, &outcome);
        const bool loaded = outcome == PageRenderer::Outcome::Rendered ||
                            outcome == PageRenderer::Outcome::NullImage;
        if (loaded) {
            if (pageUsed)
                out.pdf().newPage();
            if (!sourcesSeen.contains(pages[i].filePath)) {
                sourcesSeen.insert(pages[i].filePath);
                outline.append({QFileInfo(pages[i].filePath).fileName(), outputPages});
            }
            ++outputPages;
            if (!image.isNull()) {
                QImage scaled = image.scaled(out.pdf().width(), out.pdf().height(),
                                             Qt::KeepAspectRatio, Qt::SmoothTransformation);
                if (options.autoNumbers)
                    drawPageLabel(scaled, i + 1, count);
                out.paint().drawImage(0, 0, scaled);
                ++result.drawn;
            }
            pageUsed = true;
        }
        report(progress, i + 1);
    }
    out.finish(result);
    if (result.written)
        result.bookmarks = bookmarksWritten;
    return result;
}

OutputJobs::Result OutputJobs::writeSheets(const QList<PageRef> &pages, const QString &target,
                                           const SheetOptions &options, const Progress &progress)
{
    Result result;
    PdfOutput out(target, QPageSize(QPageSize::A4), options.dpi, options.title, options.creator,
                  postProcessing(nullptr, options.encryption, nullptr));
    if (!out.isOpen()) {
        out.fail(result);
        return result;
    }
    for (int i = 0; i < pages.size(); ++i) {
        if (i > 0)
            out.pdf().newPage();
        // The margins are cut from the unturned page, so render it unturned.
        PageRef page = pages[i];
        page.rotation = 0;
        PageRenderer::Outcome outcome;
        QImage image = PageRenderer::render(page, options.scale, &outcome);
        if (!image.isNull() && options.margin > 0)
            image = cropped(image, options.margin);
        if (!image.isNull()) {
            PageRenderer::drawStretched(out.paint(), out.pdf(),
                                        PageRenderer::rotated(image, pages[i].rotation));
            ++result.drawn;
        }
        if (outcome != PageRenderer::Outcome::LoadError || options.progressOnLoadError)
            report(progress, i + 1);
    }
    out.finish(result);
    return result;
}

OutputJobs::Result OutputJobs::writeDocument(QPdfDocument &document, const QString &target,
                                             const Progress &progress)
{
    Result result;
    PdfOutput out(target, QPageSize(QPageSize::A4), kSplitDpi);
    if (!out.isOpen()) {
        out.fail(result);
        return result;
    }
    for (int page = 1; page <= document.pageCount(); ++page) {
        if (page > 1)
            out.pdf().newPage();
        const QImage image = PageRenderer::renderPage(document, page, kSplitScale);
        if (!image.isNull()) {
            PageRenderer::drawStretched(out.paint(), out.pdf(), image);
            ++result.drawn;
        }
        report(progress, page);
    }
    out.finish(result);
    return result;
}

OutputJobs::Result OutputJobs::splitPages(const QList<PageRef> &pages, const PathOf &pathOf,
                                          const Progress &progress)
{
    Result result;
    for (int i = 0; i < pages.size(); ++i) {
        const int n = i + 1;
        PageRenderer::Outcome outcome;
        QSizeF points;
        const QImage image = PageRenderer::render(pages[i], kSplitScale, &outcome,
                                                  PageRenderer::DefaultPixelBudget, &points);
        if (outcome == PageRenderer::Outcome::LoadError) {
            ++result.failures;
            continue;
        }
        if (outcome == PageRenderer::Outcome::NotReady) {
            report(progress, n);
            continue;
        }
        if (image.isNull()) {
            // Nothing to write: leave any existing file alone.
            ++result.failures;
            report(progress, n);
            continue;
        }
        PdfOutput out(pathOf(n, pages[i]),
                      QPageSize(points, QPageSize::Point, QString(), QPageSize::FuzzyMatch),
                      kSplitDpi);
        if (!out.isOpen()) {
            out.fail(result);
            ++result.failures;
        } else {
            PageRenderer::drawStretched(out.paint(), out.pdf(), image);
            if (out.finish(result))
                ++result.files;
            else
                ++result.failures;
        }
        report(progress, n);
    }
    return result;
}

QString OutputJobs::runFileName(const QString &folder, int k)
{
    return QStringLiteral("%1/bolum_%2.pdf").arg(folder).arg(k, 3, 10, QChar('0'));
}

OutputJobs::Result OutputJobs::splitRuns(const QList<PageRef> &pages, const QString &folder,
                                         int perFile, const Progress &progress,
                                         const Progress &fileDone)
{
    Result result;
    const int count = pages.size();
    int k = 0;
    for (int start = 0; start < count; start += perFile) {
        ++k;
        const int end = qMin(start + perFile, count);
        PdfOutput out(runFileName(folder, k), QPageSize(QPageSize::A4), kSplitDpi);
        int loadFailures = 0;
        bool pageUsed = false;
        for (int p = start; p < end; ++p) {
            if (!out.isOpen()) {
                report(progress, p + 1);
                continue;
            }
            PageRenderer::Outcome outcome;
            const QImage image = PageRenderer::render(pages[p], kSplitScale, &outcome);
            if (outcome == PageRenderer::Outcome::LoadError) {
                ++loadFailures;
                continue;
            }
            if (outcome != PageRenderer::Outcome::NotReady) {
                if (pageUsed)
                    out.pdf().newPage();
                PageRenderer::drawStretched(out.paint(), out.pdf(), image);
                pageUsed = true;
            }
            report(progress, p + 1);
        }
        if (out.isOpen() && out.finish(result)) {
            ++result.files;
            result.failures += loadFailures;
        } else {
            if (!out.isOpen())
                out.fail(result);
            // None of the run's pages reached a file.
            result.failures += end - start;
        }
        report(fileDone, k);
    }
    return result;
}

OutputJobs::Result OutputJobs::saveImages(const QList<PageRef> &pages, const PathOf &pathOf,
                                          const ImageOptions &options, const Progress &progress)
{
    Result result;
    for (int i = 0; i < pages.size(); ++i) {
        const int n = i + 1;
        const QImage image = PageRenderer::render(pages[i], options.scale);
        if (image.isNull()) {
            ++result.failures;
            report(progress, n);
            continue;
        }
        OutputFile file(pathOf(n, pages[i]));
        QString error;
        if (!file.open())
            error = file.errorString();
        else if (!image.save(file.device(), options.format.constData(), options.quality))
            error = QStringLiteral("The image could not be encoded as %1.")
                        .arg(QString::fromLatin1(options.format));
        else if (!file.commit())
            error = file.errorString();
        if (error.isEmpty()) {
            ++result.drawn;
            result.written = true;
        } else {
            file.cancel();
            result.noteFailure(file.fileName(), error);
            ++result.failures;
        }
        report(progress, n);
    }
    return result;
}

qint64 OutputJobs::inputSize(const QList<PageRef> &pages)
{
    QSet<QString> seen;
    qint64 total = 0;
    for (const PageRef &page : pages) {
        if (seen.contains(page.filePath))
            continue;
        seen.insert(page.filePath);
        total += QFileInfo(page.filePath).size();
    }
    return total;
}

int OutputJobs::sourceCount(const QList<PageRef> &pages)
{
    QSet<QString> files;
    for (const PageRef &page : pages)
        files.insert(page.filePath);
    return files.size();
}

QString OutputJobs::sizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(bytes / 1024);
    return QStringLiteral("%1 MB").arg(bytes / 1048576.0, 0, 'f', 2);
}

QImage OutputJobs::cropped(const QImage &image, double margin)
{
    const int mx = static_cast<int>(image.width() * margin);
    const int my = static_cast<int>(image.height() * margin);
    const QRect kept(mx, my, image.width() - 2 * mx, image.height() - 2 * my);
    // copy() of a null rectangle would return the whole image.
    return kept.isEmpty() ? QImage() : image.copy(kept);
}

void OutputJobs::drawPageLabel(QImage &image, int position, int count)
{
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font("Arial");
    font.setPointSize(qMax(1, image.height() / 40));
    painter.setFont(font);
    painter.setPen(QPen(Qt::black, 2, Qt::SolidLine));
    const QString text = QStringLiteral("%1 / %2").arg(position).arg(count);
    const QFontMetrics metrics(font, &image);
    const int w = metrics.horizontalAdvance(text);
    const int h = metrics.height();
    const int x = (image.width() - w) / 2;
    const int y = image.height() - h;
    painter.fillRect(QRect(x - 10, y - h - 5, w + 20, h + 15), QColor(255, 255, 255, 200));
    painter.drawText(x, y, text);
}
