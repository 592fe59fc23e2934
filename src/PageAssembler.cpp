#include "PageAssembler.h"
#include "FormFieldMerger.h"
#include "PageLabelMerger.h"
#include "PageNavigation.h"

// Only std::shared_ptr is used; this keeps qpdf 11 from warning about its old PointerHolder.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/ClosedFileInputSource.hh>
#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QUtil.hh>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>

#include <algorithm>
#include <list>
#include <map>
#include <memory>

namespace {

using Rect = QPDFObjectHandle::Rectangle;

// More distinct source files than this are read through handles that stay
// closed between reads, so a merge of a thousand one-page files does not run
// out of file handles.
constexpr int kOpenFilesLimit = 100;
// What QPdfWriter writes; transparency in the page labels needs it.
const std::string kDrawnVersion = "1.4";

void report(const PageAssembler::Progress &progress, int done)
{
    if (progress)
        progress(done);
}

int normalized(int degrees)
{
    return ((degrees % 360) + 360) % 360 / 90 * 90;
}

int rotationOf(QPDFObjectHandle page)
{
    QPDFObjectHandle rotate = page.getKey("/Rotate");
    return rotate.isInteger() ? normalized(rotate.getIntValueAsInt()) : 0;
}

Rect ordered(const Rect &r)
{
    return Rect(std::min(r.llx, r.urx), std::min(r.lly, r.ury), std::max(r.llx, r.urx),
                std::max(r.lly, r.ury));
}

bool isEmpty(const Rect &r)
{
    return r.urx - r.llx <= 0 || r.ury - r.lly <= 0;
}

Rect intersected(const Rect &a, const Rect &b)
{
    return Rect(std::max(a.llx, b.llx), std::max(a.lly, b.lly), std::min(a.urx, b.urx),
                std::min(a.ury, b.ury));
}

// What a reader shows of the page: its crop box clipped to its media box.
Rect visibleBox(QPDFObjectHandle page)
{
    QPDFObjectHandle media = page.getKey("/MediaBox");
    // Letter is what readers assume for a page without a media box.
    const Rect box =
        media.isRectangle() ? ordered(media.getArrayAsRectangle()) : Rect(0, 0, 612, 792);
    QPDFObjectHandle crop = page.getKey("/CropBox");
    if (!crop.isRectangle())
        return box;
    const Rect visible = intersected(box, ordered(crop.getArrayAsRectangle()));
    return isEmpty(visible) ? box : visible;
}

// The page's size as a reader shows it, turned by its rotation.
QSizeF seenSize(QPDFObjectHandle page)
{
    const Rect box = visibleBox(page);
    const QSizeF size(box.urx - box.llx, box.ury - box.lly);
    return rotationOf(page) % 180 ? size.transposed() : size;
}

QPageLayout layoutFor(const QSizeF &points)
{
    const bool wide = points.width() > points.height();
    return QPageLayout(QPageSize(wide ? points.transposed() : points, QPageSize::Point, QString(),
                                 QPageSize::ExactMatch),
                       wide ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

// The "i / n" label, in the look of the picture merge's label: at the bottom
// centre, on a white backing box, in page units of one point.
void drawLabel(QPainter &painter, const QSizeF &page, const QString &text)
{
    // The picture merge pads by 10 pixels of an A4 sheet 3508 pixels high.
    const qreal unit = page.height() / 350.8;
    QFont font("Arial");
    font.setPixelSize(qMax(1, int(page.height() / 30)));
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const qreal w = metrics.horizontalAdvance(text);
    const qreal h = metrics.height();
    const qreal x = (page.width() - w) / 2;
    const qreal y = page.height() - h;
    painter.fillRect(QRectF(x - unit, y - h - unit / 2, w + 2 * unit, h + 1.5 * unit),
                     QColor(255, 255, 255, 200));
    painter.setPen(Qt::black);
    painter.drawText(QPointF(x, y), text);
}

// Puts the label page on top of the page, upright as the page is seen.
void overlay(QPDF &out, QPDFObjectHandle page, QPDFObjectHandle labelPage)
{
    QPDFPageObjectHelper target(page);
    QPDFObjectHandle form =
        out.copyForeignObject(QPDFPageObjectHelper(labelPage).getFormXObjectForPage());
    // Resources may be shared with other pages: change a copy of our own.
    QPDFObjectHandle resources = target.getAttribute("/Resources", true);
    if (!resources.isDictionary()) {
        resources = QPDFObjectHandle::newDictionary();
        page.replaceKey("/Resources", resources);
    }
    QPDFObjectHandle forms = resources.getKey("/XObject");
    forms = forms.isDictionary() ? forms.shallowCopy() : QPDFObjectHandle::newDictionary();
    resources.replaceKey("/XObject", forms);
    int suffix = 0;
    const std::string name = resources.getUniqueResourceName("/Fx", suffix);
    forms.replaceKey(name, form);
    const std::string placement =
        target.placeFormXObject(form, name, visibleBox(page), true, true, true);
    // The page's own content may leave its graphics state changed.
    target.addPageContents(QPDFObjectHandle::newStream(&out, "q\n"), true);
    target.addPageContents(QPDFObjectHandle::newStream(&out, "\nQ\n" + placement), false);
}

// A document drawn with QPdfWriter and read back by the library. It must
// outlive every file that pages or forms were copied into, because the
// library reads copied stream data only when it writes.
struct DrawnDocument
{
    QByteArray bytes;
    QPDF pdf;

    void load()
    {
        pdf.setSuppressWarnings(true);
        pdf.processMemoryFile("drawn", bytes.constData(), size_t(bytes.size()));
    }
};

// The source files of one command, each read once by the library.
class Sources
{
public:
    explicit Sources(const QList<PageRef> &pages)
    {
        QSet<QString> paths;
        for (const PageRef &page : pages)
            paths.insert(page.filePath);
        keepClosed = paths.size() > kOpenFilesLimit;
    }

    // The page (from 1), ready to be copied, or an uninitialized handle when the
    // library cannot read it.
    QPDFObjectHandle page(const QString &path, int number)
    {
        auto found = files.find(path);
        if (found == files.end())
            found = files.emplace(path, open(path)).first;
        QPDF *pdf = found->second.get();
        if (!pdf)
            return QPDFObjectHandle();
        try {
            const std::vector<QPDFObjectHandle> &pages = pdf->getAllPages();
            if (number < 1 || number > int(pages.size()))
                return QPDFObjectHandle();
            QPDFObjectHandle page = pages[size_t(number - 1)];
            // A repaired file may hold pages whose content is lost: those
            // are better drawn from what the renderer makes of them.
            if (pdf->anyWarnings()) {
                const size_t before = pdf->numWarnings();
                Pl_Discard discard;
                QPDFPageObjectHelper(page).pipeContents(&discard);
                if (pdf->numWarnings() != before)
                    return QPDFObjectHandle();
            }
            return page;
        } catch (...) {
            return QPDFObjectHandle();
        }
    }

    std::string highestVersion() const { return version; }

private:
    std::unique_ptr<QPDF> open(const QString &path)
    {
        try {
            auto pdf = std::make_unique<QPDF>();
            pdf->setSuppressWarnings(true);
            const QByteArray name = QFile::encodeName(path);
            std::shared_ptr<ClosedFileInputSource> closed;
            if (keepClosed) {
                closed = std::make_shared<ClosedFileInputSource>(name.constData());
                closed->stayOpen(true);
                pdf->processInputSource(closed);
            } else {
                pdf->processFile(name.constData());
            }
            // Rotation and boxes may sit in the page tree; each page takes its own.
            pdf->pushInheritedAttributesToPage();
            if (closed)
                closed->stayOpen(false);
            version = std::max(version, pdf->getPDFVersion());
            return pdf;
        } catch (...) {
            return nullptr;
        }
    }

    std::map<QString, std::unique_ptr<QPDF>> files;
    bool keepClosed = false;
    std::string version = "1.3";

public:
    // The sources' links and outlines, each read once for all output files;
    // it holds objects of the files, so it goes first.
    PageNavigation navigation;
};

// One output document being put together.
class Assembly
{
public:
    enum class Placed { Copied, Picture, Blank, NotReady, LoadError };

    // `listSize` is the n of the "i / n" labels.
    Assembly(Sources &sources, const PageAssembler::Options &options, int listSize,
             const PageAssembler::Progress &progress = {})
        : sources(sources)
        , options(options)
        , progress(progress)
        , listSize(listSize)
    {
        out.emptyPDF();
    }

    // Adds the page at list position `position` (from 1); NotReady and
    // LoadError add nothing.
    Placed add(const PageRef &ref, int position)
    {
        QPDFObjectHandle page = sources.page(ref.filePath, ref.pageNumber);
        Placed placed = Placed::Copied;
        if (!page.isInitialized()) {
            placed = drawPicture(ref, &page);
            if (placed == Placed::NotReady || placed == Placed::LoadError)
                return placed;
        }
        place(page, ref.rotation, position, placed == Placed::Copied ? page : QPDFObjectHandle());
        if (!outlined.contains(ref.filePath)) {
            outlined.insert(ref.filePath);
            outline.append({QFileInfo(ref.filePath).fileName(), pageCount() - 1});
        }
        return placed;
    }

    void addBlank(int position)
    {
        place(blankPage(QPageSize(QPageSize::A4).size(QPageSize::Point)), 0, position, {});
    }

    int pageCount() { return int(out.getAllPages().size()); }

    // Writes the document into the file and commits it; false, with the
    // failure noted, when it did not reach the target.
    bool save(OutputFile &file, OutputResult &result)
    {
        sources.navigation.keepLinks(out, origins);
        if (options.autoNumbers)
            stampLabels();
        setInformation();
        PageLabelMerger::apply(out, origins);
        // Fields give their pages fresh copies of every annotation, made from
        // the links as fixed above; a link left leading nowhere comes back
        // with them.
        FormFieldMerger::apply(out, origins);
        PageNavigation::dropDeadLinks(out);
        PdfPostProcessor post;
        post.setOutline(
            sources.navigation.outline(origins, options.bookmarks ? outline : decltype(outline)()));
        if (options.encryption)
            post.setEncryption(*options.encryption);
        post.setWebOptimization(options.webOptimized);
        // Writing a long document takes a while: the loop's progress stays
        // where it ended, and the caller's window keeps repainting.
        if (progress)
            post.setWriteProgress([this](int) { progress(listSize); });
        post.setMinimumVersion(QString::fromStdString(
            drawn.empty() ? sources.highestVersion()
                          : std::max(sources.highestVersion(), kDrawnVersion)));
        if (!post.process(out, file.device())) {
            file.cancel();
            result.noteFailure(file.fileName(), post.errorString());
            return false;
        }
        if (!file.commit()) {
            result.noteFailure(file.fileName(), file.errorString());
            return false;
        }
        result.written = true;
        result.bookmarks = post.outlineEntriesWritten();
        return true;
    }

private:
    // Adds a copy of the page (of a source, of a drawn document or a new
    // one), turned further by `turn`, with its visible box cut down.
    // `origin` is the source page it copies, uninitialized for drawn pages.
    void place(QPDFObjectHandle page, int turn, int position, QPDFObjectHandle origin)
    {
        const int rotation = normalized(rotationOf(page) + turn);
        const Rect seen = visibleBox(page);
        const double dx = (seen.urx - seen.llx) * options.margin;
        const double dy = (seen.ury - seen.lly) * options.margin;
        const Rect kept(seen.llx + dx, seen.lly + dy, seen.urx - dx, seen.ury - dy);
        const bool cropped = options.margin > 0 && !isEmpty(kept);
        if (options.margin > 0 && !cropped)
            page = blankPage(QSizeF(seen.urx - seen.llx, seen.ury - seen.lly));
        // A page already in the document is added as a shallow copy of it.
        out.addPage(page, false);
        QPDFObjectHandle added = out.getAllPages().back();
        if (rotation != 0 || added.hasKey("/Rotate"))
            added.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotation));
        if (cropped) {
            added.replaceKey("/CropBox", QPDFObjectHandle::newFromRectangle(kept));
            for (const char *key : {"/BleedBox", "/TrimBox", "/ArtBox"}) {
                QPDFObjectHandle box = added.getKey(key);
                if (!box.isRectangle())
                    continue;
                const Rect inside = intersected(ordered(box.getArrayAsRectangle()), kept);
                if (isEmpty(inside))
                    added.removeKey(key);
                else
                    added.replaceKey(key, QPDFObjectHandle::newFromRectangle(inside));
            }
        }
        positions.append(position);
        origins.push_back(origin);
    }

    QPDFObjectHandle blankPage(const QSizeF &points)
    {
        QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
        page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
        page.replaceKey("/MediaBox", QPDFObjectHandle::newFromRectangle(
                                         Rect(0, 0, points.width(), points.height())));
        page.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
        return out.makeIndirectObject(page);
    }

    // The page as the picture jobs render it, upright, on a page of its size.
    Placed drawPicture(const PageRef &ref, QPDFObjectHandle *page)
    {
        PageRef upright = ref;
        upright.rotation = 0;
        PageRenderer::Outcome outcome = PageRenderer::Outcome::LoadError;
        QSizeF points;
        const QImage image = PageRenderer::render(upright, options.pictureScale, &outcome,
                                                  PageRenderer::DefaultPixelBudget, &points);
        if (outcome == PageRenderer::Outcome::LoadError)
            return Placed::LoadError;
        if (outcome == PageRenderer::Outcome::NotReady)
            return Placed::NotReady;
        if (image.isNull() || points.isEmpty()) {
            *page = blankPage(points.isEmpty() ? QPageSize(QPageSize::A4).size(QPageSize::Point)
                                               : points);
            return Placed::Blank;
        }
        auto picture = std::make_unique<DrawnDocument>();
        {
            QBuffer buffer(&picture->bytes);
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter writer(&buffer);
            writer.setResolution(72);
            writer.setPageLayout(layoutFor(points));
            QPainter painter(&writer);
            painter.drawImage(QRectF(QPointF(0, 0), points), image);
        }
        picture->load();
        *page = picture->pdf.getAllPages().front();
        drawn.push_back(std::move(picture));
        return Placed::Picture;
    }

    // Draws every page's label into one document, a page per output page at
    // its size as seen, and lays each over its page.
    void stampLabels()
    {
        const std::vector<QPDFObjectHandle> pages = out.getAllPages();
        if (pages.empty())
            return;
        auto labels = std::make_unique<DrawnDocument>();
        {
            QBuffer buffer(&labels->bytes);
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter writer(&buffer);
            writer.setResolution(72);
            QPainter painter;
            for (size_t i = 0; i < pages.size(); ++i) {
                const QSizeF size = seenSize(pages[i]);
                writer.setPageLayout(layoutFor(size));
                if (i == 0)
                    painter.begin(&writer);
                else
                    writer.newPage();
                drawLabel(painter, size, QString("%1 / %2").arg(positions[int(i)]).arg(listSize));
            }
        }
        labels->load();
        const std::vector<QPDFObjectHandle> &labelPages = labels->pdf.getAllPages();
        for (size_t i = 0; i < pages.size() && i < labelPages.size(); ++i)
            overlay(out, pages[i], labelPages[i]);
        drawn.push_back(std::move(labels));
    }

    void setInformation()
    {
        if (options.title.isEmpty() && options.creator.isEmpty())
            return;
        QPDFObjectHandle info = out.makeIndirectObject(QPDFObjectHandle::newDictionary());
        if (!options.title.isEmpty())
            info.replaceKey("/Title",
                            QPDFObjectHandle::newUnicodeString(options.title.toStdString()));
        if (!options.creator.isEmpty())
            info.replaceKey("/Creator",
                            QPDFObjectHandle::newUnicodeString(options.creator.toStdString()));
        out.getTrailer().replaceKey("/Info", info);
    }

    Sources &sources;
    const PageAssembler::Options &options;
    const PageAssembler::Progress progress;
    const int listSize;
    QPDF out;
    std::list<std::unique_ptr<DrawnDocument>> drawn;
    QList<int> positions; // list position of each output page
    // The source page of each output page (uninitialized for drawn and blank
    // pages); its owning QPDF is the open source in `sources`.
    std::vector<QPDFObjectHandle> origins;
    QList<PdfPostProcessor::OutlineEntry> outline;
    QSet<QString> outlined;
};

using Placed = Assembly::Placed;

// Runs library work for one output file; anything thrown becomes its failure.
bool guarded(OutputResult &result, const QString &file, const std::function<void()> &work)
{
    QString why;
    try {
        work();
        return true;
    } catch (const std::exception &failure) {
        why = QString::fromStdString(failure.what());
    } catch (...) {
        why = QStringLiteral("unknown error");
    }
    result.noteFailure(file, QStringLiteral("Could not copy the pages: %1").arg(why));
    return false;
}

void count(OutputResult &result, Placed placed)
{
    if (placed == Placed::Copied || placed == Placed::Picture)
        ++result.drawn;
    if (placed == Placed::Picture)
        ++result.pictures;
}

// The protected file opened with the password, typed as UTF-8 or, for the
// older encryption, as the Western European letters it hashes.
std::unique_ptr<QPDF> openProtected(const QString &path, const QString &password)
{
    const QByteArray name = QFile::encodeName(path);
    const std::string typed = password.toStdString();
    auto pdf = std::make_unique<QPDF>();
    pdf->setSuppressWarnings(true);
    try {
        pdf->processFile(name.constData(), typed.c_str());
        return pdf;
    } catch (const QPDFExc &failure) {
        std::string western;
        if (failure.getErrorCode() != qpdf_e_password || !QUtil::utf8_to_pdf_doc(typed, western) ||
            western == typed)
            throw;
        pdf = std::make_unique<QPDF>();
        pdf->setSuppressWarnings(true);
        pdf->processFile(name.constData(), western.c_str());
        return pdf;
    }
}

} // namespace

OutputResult PageAssembler::write(const QList<PageRef> &pages, const QString &target,
                                  const Options &options, const Progress &progress)
{
    OutputResult result;
    OutputFile file(target);
    if (options.finisher)
        file.setFinisher(options.finisher);
    if (!file.open()) {
        result.noteFailure(target, file.errorString());
        return result;
    }
    guarded(result, target, [&] {
        Sources sources(pages);
        Assembly document(sources, options, int(pages.size()), progress);
        for (int i = 0; i < pages.size(); ++i) {
            const Placed placed = document.add(pages[i], i + 1);
            count(result, placed);
            if ((placed == Placed::NotReady || placed == Placed::LoadError) &&
                options.blankForMissing)
                document.addBlank(i + 1);
            report(progress, i + 1);
        }
        // As a picture job whose pages all failed, leave one empty page.
        if (document.pageCount() == 0)
            document.addBlank(1);
        document.save(file, result);
    });
    return result;
}

OutputResult PageAssembler::splitPages(const QList<PageRef> &pages, const PathOf &pathOf,
                                       const Progress &progress)
{
    OutputResult result;
    const Options options;
    Sources sources(pages);
    for (int i = 0; i < pages.size(); ++i) {
        const int n = i + 1;
        const QString path = pathOf(n, pages[i]);
        Placed placed = Placed::LoadError;
        bool written = false;
        guarded(result, path, [&] {
            Assembly document(sources, options, 1);
            placed = document.add(pages[i], n);
            if (placed != Placed::Copied && placed != Placed::Picture)
                return;
            OutputFile file(path);
            if (file.open())
                written = document.save(file, result);
            else
                result.noteFailure(path, file.errorString());
        });
        // As the picture split: a source that does not load is a failure
        // without progress, one that is not usable is passed over.
        if (placed == Placed::LoadError) {
            ++result.failures;
            continue;
        }
        if (written) {
            ++result.files;
            count(result, placed);
        } else if (placed != Placed::NotReady) {
            ++result.failures;
        }
        report(progress, n);
    }
    return result;
}

OutputResult PageAssembler::splitRuns(const QList<PageRef> &pages, const QString &folder,
                                      int perFile, const Progress &progress,
                                      const Progress &fileDone)
{
    OutputResult result;
    const Options options;
    Sources sources(pages);
    const int total = int(pages.size());
    int k = 0;
    for (int start = 0; start < total; start += perFile) {
        ++k;
        const int end = qMin(start + perFile, total);
        const QString path = OutputJobs::runFileName(folder, k);
        OutputResult run;
        int loadFailures = 0;
        bool written = false;
        guarded(result, path, [&] {
            OutputFile file(path);
            if (!file.open()) {
                result.noteFailure(path, file.errorString());
                for (int p = start; p < end; ++p)
                    report(progress, p + 1);
                return;
            }
            Assembly document(sources, options, end - start);
            for (int p = start; p < end; ++p) {
                const Placed placed = document.add(pages[p], p + 1);
                count(run, placed);
                if (placed == Placed::LoadError) {
                    ++loadFailures;
                    continue;
                }
                report(progress, p + 1);
            }
            if (document.pageCount() == 0)
                document.addBlank(start + 1);
            written = document.save(file, result);
        });
        if (written) {
            ++result.files;
            result.failures += loadFailures;
            result.drawn += run.drawn;
            result.pictures += run.pictures;
        } else {
            // None of the run's pages reached a file.
            result.failures += end - start;
        }
        report(fileDone, k);
    }
    return result;
}

OutputResult PageAssembler::unlock(const QString &source, const QString &password,
                                   const QString &target, const Progress &progress)
{
    OutputResult result;
    OutputFile file(target);
    if (!file.open()) {
        result.noteFailure(target, file.errorString());
        return result;
    }
    guarded(result, target, [&] {
        const std::unique_ptr<QPDF> pdf = openProtected(source, password);
        const int pages = int(pdf->getAllPages().size());
        PdfPostProcessor post;
        if (!post.process(*pdf, file.device())) {
            result.noteFailure(target, post.errorString());
            return;
        }
        if (!file.commit()) {
            result.noteFailure(target, file.errorString());
            return;
        }
        result.written = true;
        result.drawn = pages;
        report(progress, pages);
    });
    return result;
}
