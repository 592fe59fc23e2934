#include "PdfPostProcessor.h"

// Only std::shared_ptr is used; this keeps qpdf 11 from warning about its old PointerHolder.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace {

// Options we cannot honour; reported as they are, without a "damaged" prefix.
class Refusal : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

using Entry = PdfPostProcessor::OutlineEntry;
using Pages = std::vector<QPDFPageObjectHelper>;

// Shows the top of the page at the reader's current zoom. A turned page has
// its top somewhere else, so it is shown whole instead.
QPDFObjectHandle topOf(QPDFPageObjectHelper page)
{
    QPDFObjectHandle target = page.getObjectHandle();
    QPDFObjectHandle box = page.getMediaBox();
    QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
    const bool turned = rotate.isInteger() && rotate.getIntValue() % 360 != 0;
    if (turned || !box.isRectangle())
        return QPDFObjectHandle::newArray({target, QPDFObjectHandle::newName("/Fit")});
    const QPDFObjectHandle::Rectangle r = box.getArrayAsRectangle();
    return QPDFObjectHandle::newArray(
        {target, QPDFObjectHandle::newName("/XYZ"), QPDFObjectHandle::newNull(),
         QPDFObjectHandle::newReal(std::max(r.lly, r.ury), 2), QPDFObjectHandle::newNull()});
}

QPDFObjectHandle destination(QPDFPageObjectHelper page, const QString &view)
{
    if (view.isEmpty())
        return topOf(page);
    QPDFObjectHandle dest = QPDFObjectHandle::parse("[" + view.toStdString() + "]");
    dest.insertItem(0, page.getObjectHandle());
    return dest;
}

QPDFObjectHandle outlineItem(QPDF &pdf, const Pages &pages, const Entry &entry,
                             QPDFObjectHandle parent)
{
    QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(entry.title.toStdString()));
    item.replaceKey("/Parent", parent);
    item.replaceKey("/Dest", destination(pages[size_t(entry.pageIndex)], entry.view));
    if (entry.color.isValid())
        item.replaceKey(
            "/C", QPDFObjectHandle::newArray({QPDFObjectHandle::newReal(entry.color.redF(), 3),
                                              QPDFObjectHandle::newReal(entry.color.greenF(), 3),
                                              QPDFObjectHandle::newReal(entry.color.blueF(), 3)}));
    if (entry.style & 3)
        item.replaceKey("/F", QPDFObjectHandle::newInteger(entry.style & 3));
    return item;
}

struct Written
{
    int items = 0;   // directly beneath the parent
    int visible = 0; // shown when the parent is open
};

// The entries as the children of `parent`, linked in order.
Written writeItems(QPDF &pdf, const Pages &pages, const QList<Entry> &entries,
                   QPDFObjectHandle parent)
{
    Written written;
    QPDFObjectHandle previous;
    for (const Entry &entry : entries) {
        if (entry.pageIndex < 0 || entry.pageIndex >= int(pages.size()))
            continue;
        QPDFObjectHandle item = outlineItem(pdf, pages, entry, parent);
        const int below = writeItems(pdf, pages, entry.children, item).visible;
        // Negative: closed, with that many to show when opened.
        if (below > 0)
            item.replaceKey("/Count", QPDFObjectHandle::newInteger(entry.open ? below : -below));
        if (previous.isInitialized()) {
            item.replaceKey("/Prev", previous);
            previous.replaceKey("/Next", item);
        } else {
            parent.replaceKey("/First", item);
        }
        parent.replaceKey("/Last", item);
        previous = item;
        ++written.items;
        written.visible += 1 + (entry.open ? below : 0);
    }
    return written;
}

int writeOutline(QPDF &pdf, const QList<Entry> &entries)
{
    const Pages pages = QPDFPageDocumentHelper(pdf).getAllPages();
    QPDFObjectHandle outlines =
        pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
    const Written written = writeItems(pdf, pages, entries, outlines);
    if (written.items == 0)
        return 0;
    outlines.replaceKey("/Count", QPDFObjectHandle::newInteger(written.visible));
    QPDFObjectHandle root = pdf.getRoot();
    root.replaceKey("/Outlines", outlines);
    root.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
    return written.items;
}

// Revision 4 hashes the password as PDFDocEncoding bytes, which is what
// standard readers make of the typed text; letters outside it cannot be typed
// back reliably, so they are refused rather than stored as UTF-8.
std::string revision4Password(const QString &password)
{
    std::string bytes;
    if (!QUtil::utf8_to_pdf_doc(password.toStdString(), bytes))
        throw Refusal("A password for 128-bit encryption may only use Western European letters, "
                      "digits and symbols. Use 256-bit encryption for other letters.");
    return bytes;
}

void applyEncryption(QPDFWriter &writer, const PdfPostProcessor::EncryptionOptions &options)
{
    const QString owner =
        options.ownerPassword.isEmpty() ? options.userPassword : options.ownerPassword;
    const bool modify = options.allowModifying;
    const qpdf_r3_print_e print = options.allowPrinting ? qpdf_r3p_full : qpdf_r3p_none;
    // Accessibility stays granted: readers for the blind must still read the file.
    if (options.keyBits == 256) {
        const std::string user = options.userPassword.toStdString();
        const std::string full = owner.toStdString();
        writer.setR6EncryptionParameters(user.c_str(), full.c_str(), true, options.allowCopying,
                                         modify, modify, modify, modify, print, true);
    } else if (options.keyBits == 128) {
        const std::string user = revision4Password(options.userPassword);
        const std::string full = revision4Password(owner);
        writer.setR4EncryptionParametersInsecure(user.c_str(), full.c_str(), true,
                                                 options.allowCopying, modify, modify, modify,
                                                 modify, print, true, true);
    } else {
        throw Refusal(
            QString("Unsupported key length: %1 bits.").arg(options.keyBits).toStdString());
    }
}

// Hands what the writer produces to a device or a byte array as it comes,
// so a large document is never held twice in memory.
class DevicePipeline : public Pipeline
{
public:
    DevicePipeline(QIODevice *device, QByteArray *bytes)
        : Pipeline("output", nullptr)
        , device(device)
        , bytes(bytes)
    {}

    void write(unsigned char const *data, size_t length) override
    {
        const char *chunk = reinterpret_cast<const char *>(data);
        if (bytes) {
            bytes->append(chunk, qsizetype(length));
        } else if (device->write(chunk, qint64(length)) != qint64(length)) {
            throw std::runtime_error("writing failed: " + device->errorString().toStdString());
        }
    }

    void finish() override {}

private:
    QIODevice *device;
    QByteArray *bytes;
};

} // namespace

void PdfPostProcessor::setOutline(const QList<OutlineEntry> &entries)
{
    outline = entries;
}

void PdfPostProcessor::setEncryption(const EncryptionOptions &options)
{
    encryption = options;
    encrypt = true;
}

void PdfPostProcessor::setWebOptimization(bool on)
{
    webOptimized = on;
}

void PdfPostProcessor::setMinimumVersion(const QString &version)
{
    minimumVersion = version;
}

void PdfPostProcessor::setWriteProgress(const std::function<void(int)> &progress)
{
    writeProgress = progress;
}

void PdfPostProcessor::write(QPDF &pdf, QIODevice *device, QByteArray *bytes)
{
    const int items = outline.isEmpty() ? 0 : writeOutline(pdf, outline);

    QPDFWriter writer(pdf);
    DevicePipeline pipeline(device, bytes);
    writer.setOutputPipeline(&pipeline);
    writer.setPreserveEncryption(false);
    if (!minimumVersion.isEmpty())
        writer.setMinimumPDFVersion(minimumVersion.toStdString());
    if (webOptimized) {
        writer.setLinearization(true);
        writer.setObjectStreamMode(qpdf_o_generate);
        writer.setCompressStreams(true);
        writer.setRecompressFlate(true);
        writer.setDecodeLevel(qpdf_dl_generalized);
    }
    if (encrypt)
        applyEncryption(writer, encryption);
    if (writeProgress)
        writer.registerProgressReporter(
            std::make_shared<QPDFWriter::FunctionProgressReporter>(writeProgress));
    writer.write();
    written = items;
}

// Runs library work; whatever it throws becomes errorString().
bool PdfPostProcessor::guarded(const std::function<void()> &work)
{
    error.clear();
    written = 0;
    try {
        work();
        return true;
    } catch (const Refusal &refusal) {
        error = QString::fromStdString(refusal.what());
    } catch (const QPDFExc &damage) {
        const QString detail = QString::fromStdString(damage.getMessageDetail());
        error = damage.getErrorCode() == qpdf_e_password
                    ? QString("The PDF is already password-protected: %1").arg(detail)
                    : QString("Damaged PDF: %1").arg(detail);
    } catch (const std::exception &failure) {
        error = QString("Could not finish the PDF: %1").arg(QString::fromStdString(failure.what()));
    } catch (...) {
        error = QString("Could not finish the PDF: unknown error");
    }
    return false;
}

bool PdfPostProcessor::run(const std::function<void(QPDF &)> &load, QIODevice *device,
                           QByteArray *bytes)
{
    return guarded([&] {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        load(pdf);
        write(pdf, device, bytes);
    });
}

bool PdfPostProcessor::process(const QByteArray &input, QByteArray *output)
{
    QByteArray result;
    const bool done = run(
        [&](QPDF &pdf) { pdf.processMemoryFile("PDF", input.constData(), size_t(input.size())); },
        nullptr, &result);
    if (done)
        *output = result;
    return done;
}

bool PdfPostProcessor::process(const QString &inputPath, QIODevice *output)
{
    return run([&](QPDF &pdf) { pdf.processFile(QFile::encodeName(inputPath).constData()); },
               output, nullptr);
}

bool PdfPostProcessor::process(QPDF &pdf, QIODevice *output)
{
    return guarded([&] { write(pdf, output, nullptr); });
}
