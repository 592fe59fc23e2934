#include "FontCompactor.h"

// Only std::shared_ptr is used; this keeps qpdf 11 from warning about its old PointerHolder.
#define POINTERHOLDER_TRANSITION 4

#include <QByteArray>
#include <QCryptographicHash>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <vector>

namespace {

const char *const fontFileKeys[] = {"/FontFile", "/FontFile2", "/FontFile3"};

// Every font descriptor of the file; they are indirect objects in practice.
std::vector<QPDFObjectHandle> fontDescriptors(QPDF &pdf)
{
    std::vector<QPDFObjectHandle> found;
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
        if (!object.isDictionary())
            continue;
        for (const char *key : fontFileKeys) {
            if (object.getKey(key).isStream()) {
                found.push_back(object);
                break;
            }
        }
    }
    return found;
}

// Same dictionary and same stored bytes: the same font program.
QByteArray identity(QPDFObjectHandle stream)
{
    std::shared_ptr<Buffer> raw = stream.getRawStreamData();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayView(raw->getBuffer(), qsizetype(raw->getSize())));
    QPDFObjectHandle dict = stream.getDict().shallowCopy();
    dict.removeKey("/Length");
    return QByteArray::fromStdString(dict.unparse()) + hash.result();
}

} // namespace

void FontCompactor::compact()
{
    // Each step is on its own: a font a step fails on is left to the next.
    for (void (FontCompactor::*step)() : {&FontCompactor::storeOnce, &FontCompactor::convertType1,
                                          &FontCompactor::subsetTrueType}) {
        try {
            (this->*step)();
        } catch (const std::exception &) {
        }
    }
}

// Merged documents carry the same subset once per source file.
void FontCompactor::storeOnce()
{
    std::map<qint64, int> sameLength;
    const std::vector<QPDFObjectHandle> descriptors = fontDescriptors(pdf);
    for (QPDFObjectHandle descriptor : descriptors)
        for (const char *key : fontFileKeys)
            if (QPDFObjectHandle file = descriptor.getKey(key); file.isStream())
                ++sameLength[file.getDict().getKey("/Length").getIntValue()];

    std::map<QByteArray, QPDFObjectHandle> first;
    for (QPDFObjectHandle descriptor : descriptors) {
        for (const char *key : fontFileKeys) {
            QPDFObjectHandle file = descriptor.getKey(key);
            if (!file.isStream() || sameLength[file.getDict().getKey("/Length").getIntValue()] < 2)
                continue;
            try {
                auto [it, added] = first.try_emplace(identity(file), file);
                if (!added && it->second.getObjGen() != file.getObjGen())
                    descriptor.replaceKey(key, it->second);
            } catch (const std::exception &) {
                // A program whose bytes cannot be read stays where it is.
            }
        }
    }
}

void FontCompactor::convertType1() {}

void FontCompactor::subsetTrueType() {}
