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

// Shows the top of the page at the reader's current zoom. A turned page has
// its top somewhere else, so it is shown whole instead.
QPDFObjectHandle destination(QPDFPageObjectHelper page)
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

int writeOutline(QPDF &pdf, const QList<PdfPostProcessor::OutlineEntry> &entries)
{
    const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    QPDFObjectHandle outlines =
        pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
    std::vector<QPDFObjectHandle> items;
    for (const PdfPostProcessor::OutlineEntry &entry : entries) {
        if (entry.pageIndex < 0 || entry.pageIndex >= int(pages.size()))
            continue;
        QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(entry.title.toStdString()));
        item.replaceKey("/Parent", outlines);
        item.replaceKey("/Dest", destination(pages[size_t(entry.pageIndex)]));
        if (!items.empty()) {
            item.replaceKey("/Prev", items.back());
            items.back().replaceKey("/Next", item);
        }
        items.push_back(item);
    }
    if (items.empty())
        return 0;
    outlines.replaceKey("/First", items.front());
    outlines.replaceKey("/Last", items.back());
    outlines.replaceKey("/Count", QPDFObjectHandle::newInteger(int(items.size())));
    QPDFObjectHandle root = pdf.getRoot();
    root.replaceKey("/Outlines", outlines);
    root.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
    return int(items.size());
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
