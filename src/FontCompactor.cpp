#include "FontCompactor.h"

// Only std::shared_ptr is used; this keeps qpdf 11 from warning about its old PointerHolder.
#define POINTERHOLDER_TRANSITION 4

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
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

// Adobe's font converter, from Debian's afdko-bin.
QString converterPath()
{
    const QString tx = QStringLiteral("/usr/libexec/afdko/tx");
    return QFileInfo(tx).isExecutable() ? tx : QString();
}

bool runConverter(const QString &tx, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(tx, arguments);
    if (!process.waitForStarted(5000))
        return false;
    // A damaged font can keep a converter busy; it is not worth waiting for.
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished(2000);
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A font's glyphs from tx's dump, apart from their order.
QByteArrayList glyphRecords(const QByteArray &dump)
{
    QByteArrayList glyphs;
    for (const QByteArray &line : dump.split('\n')) {
        if (line.startsWith("glyph["))
            glyphs.append(line.mid(line.indexOf(']')));
        else if (!glyphs.isEmpty())
            glyphs.last() += line + '\n';
    }
    for (QByteArray &glyph : glyphs)
        glyph = glyph.trimmed();
    std::sort(glyphs.begin(), glyphs.end());
    return glyphs;
}

// Both fonts as tx reads them: every glyph's name, code, width and outline,
// hints left out and accents built from their parts.
bool sameGlyphs(const QString &tx, const QString &type1, const QString &cff)
{
    QByteArray dump;
    if (!runConverter(tx, {"-dump", "-6", "-n", "-d", "-f", type1, cff}, &dump))
        return false;
    const QByteArray header = "## glyph[tag]";
    const qsizetype second = dump.indexOf(header, 1);
    return dump.startsWith(header) && second > 0 &&
           glyphRecords(dump.left(second)) == glyphRecords(dump.mid(second));
}

// The CFF form of a Type 1 program, or null when it would not be the same
// font or not smaller.
QPDFObjectHandle toCff(QPDF &pdf, QPDFObjectHandle file, const QString &tx, const QDir &folder)
{
    const std::shared_ptr<Buffer> program = file.getStreamData(qpdf_dl_generalized);
    const QString type1 = folder.filePath("font.t1");
    const QString cff = folder.filePath("font.cff");
    QFile::remove(cff);
    QFile in(type1);
    if (!in.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        in.write(reinterpret_cast<const char *>(program->getBuffer()),
                 qint64(program->getSize())) != qint64(program->getSize()))
        return QPDFObjectHandle::newNull();
    in.close();
    // +S shares repeated outline parts. Not +b: keeping the glyph order loses
    // codes from the encoding.
    if (!runConverter(tx, {"-cff", "+S", type1, cff}) || !sameGlyphs(tx, type1, cff))
        return QPDFObjectHandle::newNull();
    QFile out(cff);
    if (!out.open(QIODevice::ReadOnly) || out.size() <= 0 ||
        out.size() >= qint64(program->getSize()))
        return QPDFObjectHandle::newNull();
    const QByteArray bytes = out.readAll();
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf, bytes.toStdString());
    stream.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Type1C"));
    return stream;
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

// The same outlines in CFF take about half the bytes.
void FontCompactor::convertType1()
{
    const QString tx = converterPath();
    QTemporaryDir folder;
    if (tx.isEmpty() || !folder.isValid())
        return;
    std::map<QPDFObjGen, QPDFObjectHandle> converted; // null: stays Type 1
    for (QPDFObjectHandle descriptor : fontDescriptors(pdf)) {
        QPDFObjectHandle file = descriptor.getKey("/FontFile");
        if (!file.isStream())
            continue;
        auto [it, added] = converted.try_emplace(file.getObjGen(), QPDFObjectHandle::newNull());
        if (added) {
            try {
                it->second = toCff(pdf, file, tx, QDir(folder.path()));
            } catch (const std::exception &) {
                // An unreadable program stays as it is.
            }
        }
        if (it->second.isStream()) {
            descriptor.removeKey("/FontFile");
            descriptor.replaceKey("/FontFile3", it->second);
        }
    }
}

void FontCompactor::subsetTrueType() {}
