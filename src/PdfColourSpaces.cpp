#include "PdfColourSpaces.h"

// Only std::shared_ptr is used; this keeps qpdf 11 from warning about its old PointerHolder.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <QFile>

#include <exception>
#include <memory>
#include <string>

namespace {

// Forms, patterns and Type 3 glyphs without resources of their own use the
// page's, by names its content never shows.
bool lendsResources(QPDFObjectHandle resources)
{
    for (const char *kind : {"/XObject", "/Pattern", "/Font"}) {
        QPDFObjectHandle entries = resources.getKey(kind);
        if (!entries.isDictionary())
            continue;
        for (auto &[name, entry] : entries.ditems()) {
            QPDFObjectHandle dict = entry.isStream() ? entry.getDict() : entry;
            if (!dict.isDictionary())
                continue;
            QPDFObjectHandle subtype = dict.getKey("/Subtype");
            const bool draws =
                std::string(kind) != "/Font" || (subtype.isName() && subtype.getName() == "/Type3");
            const bool image = subtype.isName() && subtype.getName() == "/Image";
            if (draws && !image && !dict.getKey("/Resources").isDictionary())
                return true;
        }
    }
    return false;
}

int pruneOne(QPDF &pdf, QPDFPageObjectHelper page)
{
    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    QPDFObjectHandle spaces =
        resources.isDictionary() ? resources.getKey("/ColorSpace") : QPDFObjectHandle();
    if (!spaces.isDictionary() || spaces.getKeys().empty() || lendsResources(resources))
        return 0;
    Pl_Buffer buffer("page content");
    const size_t warnings = pdf.numWarnings();
    page.pipeContents(&buffer);
    if (pdf.numWarnings() != warnings)
        return 0; // what could not be read may name any of them
    std::shared_ptr<Buffer> content = buffer.getBufferSharedPointer();
    const std::string text(reinterpret_cast<const char *>(content->getBuffer()),
                           content->getSize());
    // A name found anywhere, even inside a string, counts as used: a false
    // match only keeps an entry.
    QPDFObjectHandle kept = QPDFObjectHandle::newDictionary();
    int removed = 0;
    for (auto &[name, space] : spaces.ditems()) {
        if (text.find(name) != std::string::npos)
            kept.replaceKey(name, space);
        else
            ++removed;
    }
    // The resources may be shared with other pages: this page gets its own.
    if (removed > 0) {
        QPDFObjectHandle own = resources.shallowCopy();
        own.replaceKey("/ColorSpace", kept);
        page.getObjectHandle().replaceKey("/Resources", own);
    }
    return removed;
}

} // namespace

int PdfColourSpaces::pruneUnused(QPDF &pdf)
{
    int removed = 0;
    try {
        for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            try {
                removed += pruneOne(pdf, page);
            } catch (const std::exception &) {
                // Unreadable content: the page keeps what it lists.
            }
        }
    } catch (const std::exception &) {
    }
    return removed;
}

namespace {

const char *const SystemCmykProfile = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

QByteArray cmykProfileOf(QPDFObjectHandle stream)
{
    if (!stream.isStream() || !stream.getDict().getKey("/N").isInteger() ||
        stream.getDict().getKey("/N").getIntValue() != 4)
        return {};
    std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
    return QByteArray(reinterpret_cast<const char *>(data->getBuffer()),
                      qsizetype(data->getSize()));
}

// Whether a page, form or resource dictionary maps DeviceCMYK to a space of its own.
bool mapsDeviceCmyk(QPDFObjectHandle object)
{
    QPDFObjectHandle dict = object.isStream() ? object.getDict() : object;
    if (!dict.isDictionary())
        return false;
    for (QPDFObjectHandle resources : {dict, dict.getKey("/Resources")}) {
        QPDFObjectHandle spaces =
            resources.isDictionary() ? resources.getKey("/ColorSpace") : QPDFObjectHandle();
        if (spaces.isDictionary() && spaces.hasKey("/DefaultCMYK"))
            return true;
    }
    return false;
}

} // namespace

QByteArray PdfColourSpaces::deviceCmykProfile(QPDF &pdf)
{
    try {
        for (QPDFObjectHandle object : pdf.getAllObjects())
            if (mapsDeviceCmyk(object))
                return {};
        QPDFObjectHandle intents = pdf.getRoot().getKey("/OutputIntents");
        for (int i = 0; intents.isArray() && i < intents.getArrayNItems(); ++i)
            if (const QByteArray own =
                    cmykProfileOf(intents.getArrayItem(i).getKey("/DestOutputProfile"));
                !own.isEmpty())
                return own;
    } catch (const std::exception &) {
        return {}; // an unreadable intent: the colours stay as they are
    }
    static const QByteArray system = [] {
        QFile file(SystemCmykProfile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return system;
}
