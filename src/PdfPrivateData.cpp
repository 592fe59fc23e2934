#include "PdfPrivateData.h"

// Only std::shared_ptr is used; this keeps qpdf 11 from warning about its old PointerHolder.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <exception>

namespace {

int removeKeys(QPDFObjectHandle dict, std::initializer_list<const char *> keys)
{
    int removed = 0;
    for (const char *key : keys) {
        if (dict.hasKey(key)) {
            dict.removeKey(key);
            ++removed;
        }
    }
    return removed;
}

int stripOne(QPDFObjectHandle object)
{
    if (object.isStream()) {
        QPDFObjectHandle dict = object.getDict();
        QPDFObjectHandle subtype = dict.getKey("/Subtype");
        if (!subtype.isName())
            return 0;
        if (subtype.getName() == "/Form")
            return removeKeys(dict, {"/PieceInfo", "/Metadata"});
        return subtype.getName() == "/Image" ? removeKeys(dict, {"/Metadata"}) : 0;
    }
    QPDFObjectHandle type = object.isDictionary() ? object.getKey("/Type") : QPDFObjectHandle();
    if (type.isName() && type.getName() == "/Page")
        return removeKeys(object, {"/PieceInfo", "/Thumb"});
    return 0;
}

} // namespace

int PdfPrivateData::strip(QPDF &pdf)
{
    int removed = 0;
    try {
        // Every object, not only what the pages reach: forms inside
        // annotations carry private data too.
        for (QPDFObjectHandle object : pdf.getAllObjects()) {
            try {
                removed += stripOne(object);
            } catch (const std::exception &) {
                // A damaged object keeps its entries.
            }
        }
    } catch (const std::exception &) {
    }
    return removed;
}
