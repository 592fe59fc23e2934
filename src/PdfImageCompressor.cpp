#include "PdfImageCompressor.h"
#include "FlateCoder.h"
#include "FontCompactor.h"
#include "IccTransform.h"
#include "JpegCoder.h"
#include "JpxDecoder.h"
#include "PdfColourSpaces.h"
#include "PdfPrivateData.h"

// Only std::shared_ptr is used; this keeps qpdf 11 from warning about its old PointerHolder.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

// Forms nest rarely more than a few levels; deeper chains are treated as damage.
constexpr int MaxDepth = 16;
// Decoding larger images could exhaust memory; they are kept as they are.
constexpr qint64 MaxPixels = 100'000'000;

// An affine transformation as PDF writes it: [a b c d e f].
struct Matrix
{
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    // This transformation followed by `o`.
    Matrix then(const Matrix &o) const
    {
        return {a * o.a + b * o.c, a * o.b + b * o.d,       c * o.a + d * o.c,
                c * o.b + d * o.d, e * o.a + f * o.c + o.e, e * o.b + f * o.d + o.f};
    }
};

bool readMatrix(const std::vector<QPDFObjectHandle> &numbers, Matrix *m)
{
    double v[6];
    if (numbers.size() != 6)
        return false;
    for (size_t i = 0; i < 6; ++i) {
        QPDFObjectHandle n = numbers[i];
        if (!n.isNumber())
            return false;
        v[i] = n.getNumericValue();
    }
    *m = {v[0], v[1], v[2], v[3], v[4], v[5]};
    return true;
}

bool isName(QPDFObjectHandle object, const char *name)
{
    return object.isName() && object.getName() == name;
}

// Where an image is drawn, and whether it may be touched.
struct ImageUse
{
    QPDFObjectHandle stream;
    double width = 0; // largest placed size, in points
    double height = 0;
    bool blocked = false;
    int firstPage = 0;
};

// Walks the pages' content and records, for every image XObject, the largest
// size at which it is drawn. Images also reachable from places whose
// transformation is not followed (patterns, Type 3 glyphs, soft-mask groups,
// annotation appearances) or from content that cannot be parsed are blocked.
class Survey
{
public:
    explicit Survey(QPDF &pdf)
        : pdf(pdf)
    {}

    void page(QPDFPageObjectHelper page, int index);
    // Called from the content parser for each Do operator.
    void draw(QPDFObjectHandle xobject, const Matrix &ctm, QPDFObjectHandle resources, int depth);

    std::map<QPDFObjGen, ImageUse> images;
    // Every /XObject dictionary met, where duplicate images get redirected.
    std::vector<QPDFObjectHandle> xobjectDicts;

private:
    ImageUse &use(QPDFObjectHandle image);
    bool drawsImages(QPDFObjectHandle resources, int depth);
    void walk(QPDFObjectHandle content, QPDFObjectHandle resources, const Matrix &ctm, int depth);
    void blockAll(QPDFObjectHandle resources, int depth);
    void blockIndirectUses(QPDFObjectHandle resources, int depth);
    void blockForm(QPDFObjectHandle form, int depth);

    QPDF &pdf;
    int pageIndex = 0;
    double unit = 1; // the page's /UserUnit
    std::map<QPDFObjGen, bool> formDrawsImages;
    std::set<QPDFObjGen> activeForms;
    std::set<QPDFObjGen> blockedSeen;
    std::set<QPDFObjGen> resourcesSeen;
    std::set<QPDFObjGen> xobjectDictsSeen;
};

class ContentParser : public QPDFObjectHandle::ParserCallbacks
{
public:
    ContentParser(Survey &survey, QPDFObjectHandle resources, const Matrix &ctm, int depth)
        : survey(survey)
        , resources(resources)
        , xobjects(resources.getKey("/XObject"))
        , depth(depth)
    {
        stack.push_back(ctm);
    }

    void handleObject(QPDFObjectHandle object) override
    {
        if (!object.isOperator()) {
            operands.push_back(object);
            return;
        }
        const std::string op = object.getOperatorValue();
        Matrix m;
        if (op == "q") {
            stack.push_back(stack.back());
        } else if (op == "Q") {
            if (stack.size() > 1)
                stack.pop_back();
        } else if (op == "cm" && readMatrix(operands, &m)) {
            stack.back() = m.then(stack.back());
        } else if (op == "Do" && operands.size() == 1 && operands[0].isName() &&
                   xobjects.isDictionary()) {
            survey.draw(xobjects.getKey(operands[0].getName()), stack.back(), resources, depth);
        }
        operands.clear();
    }

    void handleEOF() override {}

private:
    Survey &survey;
    QPDFObjectHandle resources;
    QPDFObjectHandle xobjects;
    int depth;
    std::vector<Matrix> stack;
    std::vector<QPDFObjectHandle> operands;
};

ImageUse &Survey::use(QPDFObjectHandle image)
{
    auto [it, added] = images.try_emplace(image.getObjGen());
    if (added) {
        it->second.stream = image;
        it->second.firstPage = pageIndex;
    }
    return it->second;
}

void Survey::page(QPDFPageObjectHelper page, int index)
{
    pageIndex = index;
    QPDFObjectHandle userUnit = page.getObjectHandle().getKey("/UserUnit");
    unit = userUnit.isNumber() && userUnit.getNumericValue() > 0 ? userUnit.getNumericValue() : 1;

    QPDFObjectHandle annotations = page.getObjectHandle().getKey("/Annots");
    for (QPDFObjectHandle annotation :
         annotations.isArray() ? annotations.getArrayAsVector() : std::vector<QPDFObjectHandle>()) {
        QPDFObjectHandle appearances =
            annotation.isDictionary() ? annotation.getKey("/AP") : QPDFObjectHandle::newNull();
        if (!appearances.isDictionary())
            continue;
        for (auto &[key, appearance] : appearances.ditems()) {
            if (appearance.isStream())
                blockForm(appearance, 0);
            else if (appearance.isDictionary())
                for (auto &[state, stream] : appearance.ditems())
                    blockForm(stream, 0);
        }
    }

    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    if (!resources.isDictionary() || !drawsImages(resources, 0))
        return;
    const size_t warnings = pdf.numWarnings();
    bool failed = false;
    activeForms.clear(); // what an earlier failed page left
    try {
        // Images a page lists but never draws would be kept for nothing.
        page.removeUnreferencedResources();
        resources = page.getAttribute("/Resources", false);
        walk(page.getObjectHandle().getKey("/Contents"), resources, Matrix(), 0);
    } catch (const std::exception &) {
        failed = true;
    }
    // Content that does not parse cleanly may hide placements we missed.
    if (failed || pdf.numWarnings() != warnings)
        blockAll(resources, 0);
}

bool Survey::drawsImages(QPDFObjectHandle resources, int depth)
{
    if (!resources.isDictionary() || depth > MaxDepth)
        return false;
    QPDFObjectHandle xobjects = resources.getKey("/XObject");
    if (!xobjects.isDictionary())
        return false;
    for (auto &[name, xobject] : xobjects.ditems()) {
        if (!xobject.isStream())
            continue;
        QPDFObjectHandle dict = xobject.getDict();
        QPDFObjectHandle subtype = dict.getKey("/Subtype");
        if (isName(subtype, "/Image"))
            return true;
        if (!isName(subtype, "/Form"))
            continue;
        auto [it, added] = formDrawsImages.try_emplace(xobject.getObjGen(), false);
        if (added)
            it->second = drawsImages(dict.getKey("/Resources"), depth + 1);
        if (it->second)
            return true;
    }
    return false;
}

void Survey::walk(QPDFObjectHandle content, QPDFObjectHandle resources, const Matrix &ctm,
                  int depth)
{
    QPDFObjectHandle xobjects = resources.getKey("/XObject");
    if (xobjects.isDictionary() &&
        (!xobjects.isIndirect() || xobjectDictsSeen.insert(xobjects.getObjGen()).second))
        xobjectDicts.push_back(xobjects);
    blockIndirectUses(resources, depth);
    ContentParser parser(*this, resources, ctm, depth);
    QPDFObjectHandle::parseContentStream(content, &parser);
}

void Survey::draw(QPDFObjectHandle xobject, const Matrix &ctm, QPDFObjectHandle resources,
                  int depth)
{
    if (!xobject.isStream())
        return;
    QPDFObjectHandle dict = xobject.getDict();
    QPDFObjectHandle subtype = dict.getKey("/Subtype");
    if (isName(subtype, "/Image")) {
        // The image fills the unit square; its sides end up as long as the
        // transformed unit vectors.
        ImageUse &image = use(xobject);
        image.width = std::max(image.width, std::hypot(ctm.a, ctm.b) * unit);
        image.height = std::max(image.height, std::hypot(ctm.c, ctm.d) * unit);
        return;
    }
    if (!isName(subtype, "/Form") || depth >= MaxDepth)
        return;
    const QPDFObjGen id = xobject.getObjGen();
    QPDFObjectHandle own = dict.getKey("/Resources");
    if (own.isDictionary() && !drawsImages(own, depth + 1))
        return;
    if (!activeForms.insert(id).second)
        throw std::runtime_error("form XObject draws itself");
    Matrix matrix;
    QPDFObjectHandle values = dict.getKey("/Matrix");
    if (values.isArray())
        readMatrix(values.getArrayAsVector(), &matrix);
    walk(xobject, own.isDictionary() ? own : resources, matrix.then(ctm), depth + 1);
    activeForms.erase(id);
}

// Marks every image the resources can reach, however it is drawn.
void Survey::blockAll(QPDFObjectHandle resources, int depth)
{
    if (!resources.isDictionary() || depth > MaxDepth)
        return;
    QPDFObjectHandle xobjects = resources.getKey("/XObject");
    if (xobjects.isDictionary()) {
        for (auto &[name, xobject] : xobjects.ditems()) {
            if (!xobject.isStream())
                continue;
            if (isName(xobject.getDict().getKey("/Subtype"), "/Image"))
                use(xobject).blocked = true;
            else
                blockForm(xobject, depth + 1);
        }
    }
    blockIndirectUses(resources, depth);
}

void Survey::blockForm(QPDFObjectHandle form, int depth)
{
    if (form.isStream() && blockedSeen.insert(form.getObjGen()).second)
        blockAll(form.getDict().getKey("/Resources"), depth + 1);
}

// Patterns, Type 3 glyphs and soft-mask groups draw in a space of their own.
void Survey::blockIndirectUses(QPDFObjectHandle resources, int depth)
{
    if (resources.isIndirect() && !resourcesSeen.insert(resources.getObjGen()).second)
        return;
    QPDFObjectHandle patterns = resources.getKey("/Pattern");
    if (patterns.isDictionary())
        for (auto &[name, pattern] : patterns.ditems())
            blockForm(pattern, depth);
    QPDFObjectHandle fonts = resources.getKey("/Font");
    if (fonts.isDictionary())
        for (auto &[name, font] : fonts.ditems())
            if (font.isDictionary() && isName(font.getKey("/Subtype"), "/Type3") &&
                (!font.isIndirect() || blockedSeen.insert(font.getObjGen()).second))
                blockAll(font.getKey("/Resources"), depth + 1);
    QPDFObjectHandle states = resources.getKey("/ExtGState");
    if (states.isDictionary())
        for (auto &[name, state] : states.ditems()) {
            QPDFObjectHandle mask = state.isDictionary() ? state.getKey("/SMask") : state;
            if (mask.isDictionary())
                blockForm(mask.getKey("/G"), depth);
        }
}

// --- Pixels ---------------------------------------------------------------

int colourComponents(QPDFObjectHandle space)
{
    if (space.isName()) {
        const std::string name = space.getName();
        if (name == "/DeviceGray" || name == "/G")
            return 1;
        if (name == "/DeviceCMYK" || name == "/CMYK")
            return 4;
        return name == "/DeviceRGB" || name == "/RGB" ? 3 : 0;
    }
    if (!space.isArray() || space.getArrayNItems() < 2)
        return 0;
    QPDFObjectHandle family = space.getArrayItem(0);
    if (isName(family, "/CalGray"))
        return 1;
    if (isName(family, "/CalRGB"))
        return 3;
    QPDFObjectHandle profile = space.getArrayItem(1);
    if (!isName(family, "/ICCBased") || !profile.isStream())
        return 0;
    QPDFObjectHandle n = profile.getDict().getKey("/N");
    const long long count = n.isInteger() ? n.getIntValue() : 0;
    return count == 1 || count == 3 || count == 4 ? int(count) : 0;
}

bool decodableFilters(QPDFObjectHandle filter)
{
    static const std::set<std::string> known{"/FlateDecode",     "/Fl",  "/LZWDecode",      "/LZW",
                                             "/ASCII85Decode",   "/A85", "/ASCIIHexDecode", "/AHx",
                                             "/RunLengthDecode", "/RL",  "/DCTDecode",      "/DCT"};
    if (filter.isNull())
        return true;
    if (filter.isName())
        return known.count(filter.getName()) > 0;
    if (!filter.isArray())
        return false;
    for (QPDFObjectHandle item : filter.aitems())
        if (!item.isName() || !known.count(item.getName()))
            return false;
    return true;
}

bool isLoneJpx(QPDFObjectHandle dict)
{
    QPDFObjectHandle filter = dict.getKey("/Filter");
    if (filter.isArray() && filter.getArrayNItems() == 1)
        filter = filter.getArrayItem(0);
    return isName(filter, "/JPXDecode") && dict.getKey("/DecodeParms").isNull();
}

// A JPEG 2000 image in grey or RGB, as its dictionary says, without a mask
// or decoding of its own; whether its data agrees shows when it is decoded.
int jpxComponents(QPDFObjectHandle dict)
{
    QPDFObjectHandle stencil = dict.getKey("/ImageMask");
    QPDFObjectHandle inData = dict.getKey("/SMaskInData");
    QPDFObjectHandle bits = dict.getKey("/BitsPerComponent");
    QPDFObjectHandle width = dict.getKey("/Width");
    QPDFObjectHandle height = dict.getKey("/Height");
    if ((stencil.isBool() && stencil.getBoolValue()) || !dict.getKey("/Mask").isNull() ||
        !dict.getKey("/Decode").isNull() || (!inData.isNull() && !inData.isInteger()) ||
        (inData.isInteger() && inData.getIntValue() != 0) ||
        (!bits.isNull() && (!bits.isInteger() || bits.getIntValue() != 8)) || !width.isInteger() ||
        !height.isInteger() || width.getIntValue() < 1 || height.getIntValue() < 1 ||
        width.getIntValue() * height.getIntValue() > MaxPixels)
        return 0;
    const int n = colourComponents(dict.getKey("/ColorSpace"));
    return n == 1 || n == 3 ? n : 0;
}

// An image that is plain 8-bit grey, RGB or CMYK pixels our tools can read
// and write back without changing what it shows; returns 1, 3 or 4
// components, or 0. CMYK may be inverted by its /Decode, as some programs
// store it.
int plainComponents(QPDFObjectHandle dict)
{
    if (isLoneJpx(dict))
        return jpxComponents(dict);
    QPDFObjectHandle stencil = dict.getKey("/ImageMask");
    QPDFObjectHandle bits = dict.getKey("/BitsPerComponent");
    QPDFObjectHandle width = dict.getKey("/Width");
    QPDFObjectHandle height = dict.getKey("/Height");
    if ((stencil.isBool() && stencil.getBoolValue()) || !bits.isInteger() ||
        bits.getIntValue() != 8 || !width.isInteger() || !height.isInteger() ||
        width.getIntValue() < 1 || height.getIntValue() < 1 ||
        width.getIntValue() * height.getIntValue() > MaxPixels || dict.getKey("/Mask").isArray() ||
        !decodableFilters(dict.getKey("/Filter")))
        return 0;
    const int n = colourComponents(dict.getKey("/ColorSpace"));
    QPDFObjectHandle decode = dict.getKey("/Decode");
    if (n == 0 || decode.isNull())
        return n;
    if (!decode.isArray() || decode.getArrayNItems() != 2 * n)
        return 0;
    bool plain = true, inverted = n == 4;
    for (int i = 0; i < 2 * n; ++i) {
        QPDFObjectHandle v = decode.getArrayItem(i);
        plain = plain && v.isNumber() && v.getNumericValue() == i % 2;
        inverted = inverted && v.isNumber() && v.getNumericValue() == 1 - i % 2;
    }
    return plain || inverted ? n : 0;
}

bool isInverted(QPDFObjectHandle dict)
{
    QPDFObjectHandle decode = dict.getKey("/Decode");
    return decode.isArray() && decode.getArrayNItems() > 0 &&
           decode.getArrayItem(0).getNumericValue() == 1;
}

// The ICC profile stream of an image, or null.
QPDFObjectHandle iccProfile(QPDFObjectHandle dict)
{
    QPDFObjectHandle space = dict.getKey("/ColorSpace");
    return space.isArray() && space.getArrayNItems() == 2 &&
                   isName(space.getArrayItem(0), "/ICCBased") && space.getArrayItem(1).isStream()
               ? space.getArrayItem(1)
               : QPDFObjectHandle::newNull();
}

QSize pixelSize(QPDFObjectHandle dict)
{
    return {int(dict.getKey("/Width").getIntValue()), int(dict.getKey("/Height").getIntValue())};
}

struct Decoded
{
    QImage pixels;      // at the requested size; CMYK held as RGBA8888
    bool drawn = false; // few colours, or flat areas with sharp edges
};

// Few colours, or mostly runs of identical pixels: a drawing, a chart or a
// screenshot rather than a photograph, which lossy coding would blur.
bool looksDrawn(const uchar *data, int width, int height, int n)
{
    const qsizetype rowBytes = qsizetype(width) * n;
    const int step = std::max(1, height / 512); // a sample of rows is enough
    QSet<quint32> colours;
    qint64 equal = 0;
    qint64 pairs = 0;
    bool neutral = true; // colour pixels that are all grey
    for (int y = 0; y < height; y += step) {
        const uchar *row = data + y * rowBytes;
        for (int x = 0; x < width; ++x) {
            const uchar *p = row + qsizetype(x) * n;
            const bool same = x > 0 && std::equal(p, p + n, p - n);
            pairs += x > 0;
            equal += same;
            neutral = neutral && (n != 3 || (p[0] == p[1] && p[1] == p[2]));
            quint32 colour = 0;
            for (int c = 0; c < n; ++c)
                colour = colour << 8 | p[c];
            if (!same && colours.size() <= 256) // enough to tell
                colours.insert(colour);
        }
    }
    // Any grey image, or colour image of greys, has at most 256 levels; few means a handful.
    return colours.size() <= (n == 1 || neutral ? 32 : 256) ||
           (pairs > 0 && equal * 10 >= pairs * 7);
}

QImage::Format formatFor(int components)
{
    return components == 1   ? QImage::Format_Grayscale8
           : components == 3 ? QImage::Format_RGB888
                             : QImage::Format_RGBA8888;
}

// A lone DCTDecode stream is a JPEG file; reading it at a reduced size lets
// the JPEG library skip most of the work.
Decoded decodeJpeg(QPDFObjectHandle image, int components, QSize size)
{
    std::shared_ptr<Buffer> raw = image.getRawStreamData();
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(raw->getBuffer()),
                                               qsizetype(raw->getSize()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(false);
    reader.setQuality(100);
    if (reader.size() != pixelSize(image.getDict()))
        return {};
    reader.setScaledSize(size);
    QImage pixels = reader.read();
    if ((pixels.format() == QImage::Format_Grayscale8) != (components == 1))
        return {};
    return {pixels.convertToFormat(formatFor(components)), false};
}

// Area averages of four-byte pixels; the toolkit's smooth scaling would take
// the fourth byte of CMYK for alpha.
QImage shrinkCmyk(const QImage &full, QSize size)
{
    QImage out(size, QImage::Format_RGBA8888);
    const qint64 w = full.width(), h = full.height();
    std::vector<int> left(size.width() + 1);
    for (int x = 0; x <= size.width(); ++x)
        left[x] = int(x * w / size.width());
    for (int y = 0; y < size.height(); ++y) {
        const int top = int(y * h / size.height());
        const int bottom = std::max(top + 1, int((y + 1) * h / size.height()));
        uchar *row = out.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            const int right = std::max(left[x] + 1, left[x + 1]);
            quint64 sum[4] = {};
            for (int sy = top; sy < bottom; ++sy) {
                const uchar *p = full.constScanLine(sy) + qsizetype(left[x]) * 4;
                for (int sx = left[x]; sx < right; ++sx, p += 4)
                    for (int c = 0; c < 4; ++c)
                        sum[c] += p[c];
            }
            const quint64 count = quint64(bottom - top) * quint64(right - left[x]);
            for (int c = 0; c < 4; ++c)
                row[x * 4 + c] = uchar((sum[c] + count / 2) / count);
        }
    }
    return out;
}

bool isLoneJpeg(QPDFObjectHandle dict)
{
    QPDFObjectHandle filter = dict.getKey("/Filter");
    if (filter.isArray() && filter.getArrayNItems() == 1)
        filter = filter.getArrayItem(0);
    return (isName(filter, "/DCTDecode") || isName(filter, "/DCT")) &&
           dict.getKey("/DecodeParms").isNull();
}

QByteArray bytesOf(const std::shared_ptr<Buffer> &data)
{
    return QByteArray(reinterpret_cast<const char *>(data->getBuffer()),
                      qsizetype(data->getSize()));
}

QByteArray rawBytes(QPDFObjectHandle stream)
{
    return bytesOf(stream.getRawStreamData());
}

// JPEG 2000 through OpenJPEG, which skips the finest levels the size does not need.
Decoded decodeJpx(QPDFObjectHandle image, int components, QSize size)
{
    const QByteArray bytes = rawBytes(image);
    const JpxDecoder::Header header = JpxDecoder::header(bytes);
    if (header.components != components || header.size != pixelSize(image.getDict()))
        return {};
    QImage pixels = JpxDecoder::decode(bytes, size);
    if (pixels.isNull() || (pixels.format() == QImage::Format_Grayscale8) != (components == 1))
        return {};
    if (pixels.size() != size)
        pixels = pixels.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(formatFor(components));
    // Not told apart as a drawing: the smaller of JPEG and Flate is kept either way.
    return {pixels, false};
}

Decoded decode(QPDFObjectHandle image, int components, QSize size)
{
    QPDFObjectHandle dict = image.getDict();
    if (components != 4 && isLoneJpeg(dict))
        return decodeJpeg(image, components, size);
    if (isLoneJpx(dict))
        return decodeJpx(image, components, size);

    const QSize full = pixelSize(dict);
    std::shared_ptr<Buffer> data = image.getStreamData(qpdf_dl_all);
    const qsizetype rowBytes = qsizetype(full.width()) * components;
    if (qsizetype(data->getSize()) < rowBytes * full.height())
        return {};
    const QImage pixels(data->getBuffer(), full.width(), full.height(), rowBytes,
                        formatFor(components));
    const bool drawn = looksDrawn(data->getBuffer(), full.width(), full.height(), components);
    // `pixels` borrows qpdf's buffer, which dies here: what is returned must be a copy,
    // which scaling to the same size does not make.
    if (size == full)
        return {pixels.copy(), drawn};
    if (components == 4)
        return {shrinkCmyk(pixels, size), drawn};
    return {pixels.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(formatFor(components)),
            drawn};
}

// --- Coding ---------------------------------------------------------------

struct Coded
{
    QByteArray data;
    bool jpeg = false;
    int components = 0;
    QSize size;
};

QByteArray jpegBytes(const QImage &pixels, int components, int quality)
{
    return JpegCoder::encode(pixels.constBits(), pixels.width(), pixels.height(),
                             pixels.bytesPerLine(), components, quality, true);
}

int paeth(int left, int up, int upLeft)
{
    const int p = left + up - upLeft;
    const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
    return pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
}

// One PNG predictor over a row of bytes; returns the size of the residuals.
template <int Type>
qint64 predict(const uchar *cur, const uchar *up, qsizetype length, int n, uchar *out)
{
    qint64 cost = 0;
    for (qsizetype x = 0; x < length; ++x) {
        const int left = x >= n ? cur[x - n] : 0;
        int predicted = 0;
        if constexpr (Type == 1)
            predicted = left;
        else if constexpr (Type == 2)
            predicted = up[x];
        else if constexpr (Type == 3)
            predicted = (left + up[x]) / 2;
        else if constexpr (Type == 4)
            predicted = paeth(left, up[x], x >= n ? up[x - n] : 0);
        out[x] = uchar(cur[x] - predicted);
        cost += std::abs(int(qint8(out[x])));
    }
    return cost;
}

// Flate with PNG row predictors, each row using the predictor that leaves
// the smallest residuals, as PNG encoders choose them.
QByteArray flateBytes(const QImage &pixels, int n)
{
    using Predictor = qint64 (*)(const uchar *, const uchar *, qsizetype, int, uchar *);
    static const Predictor predictors[5] = {predict<0>, predict<1>, predict<2>, predict<3>,
                                            predict<4>};
    const qsizetype rowBytes = qsizetype(pixels.width()) * n;
    QByteArray rows;
    rows.reserve((rowBytes + 1) * pixels.height());
    const QByteArray zeros(rowBytes, '\0');
    QByteArray candidates[5];
    for (QByteArray &c : candidates)
        c.resize(rowBytes);
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar *cur = pixels.constScanLine(y);
        const uchar *up =
            y > 0 ? pixels.constScanLine(y - 1) : reinterpret_cast<const uchar *>(zeros.data());
        qint64 best = -1;
        int chosen = 0;
        for (int type = 0; type < 5; ++type) {
            uchar *out = reinterpret_cast<uchar *>(candidates[type].data());
            const qint64 cost = predictors[type](cur, up, rowBytes, n, out);
            if (best < 0 || cost < best) {
                best = cost;
                chosen = type;
            }
        }
        rows.append(char(chosen));
        rows.append(candidates[chosen]);
    }
    return FlateCoder(FlateCoder::Quick).compress(rows);
}

// Photographs stay JPEG; drawings stay lossless; everything else takes the
// smaller of the two.
Coded encode(const Decoded &decoded, int components, bool wasJpeg, int quality)
{
    Coded coded{{}, false, components, decoded.pixels.size()};
    if (!decoded.drawn) {
        coded.data = jpegBytes(decoded.pixels, components, quality);
        coded.jpeg = !coded.data.isEmpty();
        if (wasJpeg)
            return coded;
    }
    const QByteArray flate = flateBytes(decoded.pixels, components);
    if (coded.data.isEmpty() || flate.size() < coded.data.size()) {
        coded.data = flate;
        coded.jpeg = false;
    }
    return coded;
}

void store(QPDFObjectHandle stream, const Coded &coded)
{
    const std::string data(coded.data.constData(), size_t(coded.data.size()));
    if (coded.jpeg) {
        stream.replaceStreamData(data, QPDFObjectHandle::newName("/DCTDecode"),
                                 QPDFObjectHandle::newNull());
    } else {
        QPDFObjectHandle parms = QPDFObjectHandle::newDictionary();
        parms.replaceKey("/Predictor", QPDFObjectHandle::newInteger(15));
        parms.replaceKey("/Colors", QPDFObjectHandle::newInteger(coded.components));
        parms.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
        parms.replaceKey("/Columns", QPDFObjectHandle::newInteger(coded.size.width()));
        stream.replaceStreamData(data, QPDFObjectHandle::newName("/FlateDecode"), parms);
    }
    QPDFObjectHandle dict = stream.getDict();
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(coded.size.width()));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(coded.size.height()));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8)); // JPEG 2000 may omit it
    dict.removeKey("/Decode");
    dict.removeKey("/SMaskInData");
    dict.removeKey("/DL"); // the decoded length changed
    // Already coded as well as we can; the writer must not decode and redo it.
    stream.setFilterOnWrite(false);
}

qint64 rawLength(QPDFObjectHandle stream)
{
    QPDFObjectHandle length = stream.getDict().getKey("/Length");
    return length.isInteger() ? length.getIntValue() : qint64(stream.getRawStreamData()->getSize());
}

// What to try on one image, and what it must save to be worth it.
struct Job
{
    QSize size;
    double keep = 1;         // the new coding must be under this share of the old
    qint64 profileShare = 0; // bytes of a colour profile that go when this image drops it
    bool plainToo = false;   // when dropping the profile does not pay, still recode
    QByteArray profile;      // what the colours mean, when converting them to sRGB may pay
};

// The pixels as `profile` shows them: sRGB, or grey with sRGB's tone curve.
// Null when the profile cannot be used.
QImage throughProfile(QPDFObjectHandle dict, const QImage &pixels, int components,
                      const QByteArray &profile)
{
    QPDFObjectHandle intent = dict.getKey("/Intent");
    const IccTransform transform(
        profile, components,
        intent.isName() ? QByteArray::fromStdString(intent.getName().substr(1)) : "");
    if (!transform.isValid())
        return QImage();
    QImage out(pixels.size(), formatFor(transform.outputComponents()));
    const bool inverted = components == 4 && isInverted(dict);
    QByteArray row(qsizetype(pixels.width()) * components, '\0');
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar *in = pixels.constScanLine(y);
        if (inverted) {
            for (qsizetype i = 0; i < row.size(); ++i)
                row[i] = char(255 - in[i]);
            in = reinterpret_cast<const uchar *>(row.constData());
        }
        transform.apply(in, out.scanLine(y), pixels.width());
    }
    return out;
}

// The image's new coding, through `job.profile` when `convert`; empty when it
// cannot be read.
Coded codeImage(QPDFObjectHandle image, const Job &job, int quality, bool convert)
{
    QPDFObjectHandle dict = image.getDict();
    const int components = plainComponents(dict);
    QPDFObjectHandle filter = dict.getKey("/Filter");
    if (filter.isArray() && filter.getArrayNItems() > 0)
        filter = filter.getArrayItem(filter.getArrayNItems() - 1);
    const bool wasJpeg = isName(filter, "/DCTDecode") || isName(filter, "/DCT");
    Decoded pixels = decode(image, components, job.size);
    if (pixels.pixels.isNull())
        return {};
    // Finer coding than the source's would spend bytes on its own artefacts.
    if (wasJpeg && isLoneJpeg(dict))
        quality = std::min(quality, std::max(JpegCoder::estimateQuality(rawBytes(image)), 50));
    if (!convert)
        return encode(pixels, components, wasJpeg, quality);
    pixels.pixels = throughProfile(dict, pixels.pixels, components, job.profile);
    const int n = pixels.pixels.format() == QImage::Format_Grayscale8 ? 1 : 3;
    return pixels.pixels.isNull() ? Coded() : encode(pixels, n, wasJpeg, quality);
}

void storeImage(QPDFObjectHandle image, const Coded &coded, bool converted)
{
    QPDFObjectHandle dict = image.getDict();
    QPDFObjectHandle decode = dict.getKey("/Decode");
    store(image, coded);
    if (converted)
        dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName(
                                           coded.components == 1 ? "/DeviceGray" : "/DeviceRGB"));
    else if (coded.components == 4 && decode.isArray())
        dict.replaceKey("/Decode", decode); // inverted CMYK stays inverted
}

// Recodes one image (and its soft mask) at `job.size`; false when it is kept.
bool recode(QPDF &pdf, QPDFObjectHandle image, const Job &job, int quality)
{
    QPDFObjectHandle dict = image.getDict();
    QPDFObjectHandle mask = dict.getKey("/SMask");
    const bool masked = mask.isStream();
    if (plainComponents(dict) == 0 ||
        (masked && (plainComponents(mask.getDict()) != 1 ||
                    !isName(mask.getDict().getKey("/ColorSpace"), "/DeviceGray"))) ||
        (!masked && !mask.isNull()))
        return false;

    Coded maskCoded;
    if (masked) {
        const Decoded alpha = decode(mask, 1, job.size);
        if (alpha.pixels.isNull())
            return false;
        // Lossy masks fray the edges they cut out.
        maskCoded = encode({alpha.pixels, true}, 1, false, quality);
        if (maskCoded.data.isEmpty())
            return false;
    }
    const double before = job.keep * (rawLength(image) + (masked ? rawLength(mask) : 0));
    const bool profiled = !job.profile.isEmpty();
    Coded coded = profiled ? codeImage(image, job, quality, true) : Coded();
    bool converted = !coded.data.isEmpty() &&
                     coded.data.size() + maskCoded.data.size() < before + job.profileShare;
    if (!converted && (!profiled || job.plainToo))
        coded = codeImage(image, job, quality, false);
    if (coded.data.isEmpty() ||
        coded.data.size() + maskCoded.data.size() >= before + (converted ? job.profileShare : 0))
        return false;

    storeImage(image, coded, converted);
    if (masked) {
        // A mask may be shared with images drawn at other sizes: give this
        // image its own.
        QPDFObjectHandle own = pdf.newStream();
        own.replaceDict(mask.getDict().shallowCopy());
        store(own, maskCoded);
        image.getDict().replaceKey("/SMask", own);
    }
    return true;
}

// Whether a photograph under the resolution is stored more finely than the
// chosen quality needs: losslessly, as a JPEG of much higher quality, or as
// CMYK JPEG that codes its inks apart.
bool storedTooFinely(QPDFObjectHandle image, int quality)
{
    QPDFObjectHandle dict = image.getDict();
    if (plainComponents(dict) == 0)
        return false;
    if (!isLoneJpeg(dict))
        return true; // line art is told apart when decoded, and stays lossless
    const QByteArray jpeg = rawBytes(image);
    return (plainComponents(dict) == 4 && JpegCoder::isPlainCmyk(jpeg)) ||
           JpegCoder::estimateQuality(jpeg) >= quality + 10;
}

// A JPEG left as it is may still be stored in fewer bytes without loss.
void repackJpeg(QPDFObjectHandle image)
{
    if (!isLoneJpeg(image.getDict()))
        return;
    const QByteArray repacked = JpegCoder::repack(rawBytes(image));
    if (repacked.isEmpty() || repacked.size() >= rawLength(image))
        return;
    image.replaceStreamData(repacked.toStdString(), QPDFObjectHandle::newName("/DCTDecode"),
                            QPDFObjectHandle::newNull());
    image.setFilterOnWrite(false);
}

// Whether the image's profile is sRGB, or sRGB's grey, by another name: the
// pixels then mean the same in device colour, without a new generation of loss.
bool dropsPlainProfile(QPDFObjectHandle image)
{
    QPDFObjectHandle dict = image.getDict();
    QPDFObjectHandle profile = iccProfile(dict);
    const int components = plainComponents(dict);
    try {
        return profile.isStream() && (components == 1 || components == 3) &&
               IccTransform(bytesOf(profile.getStreamData(qpdf_dl_generalized)), components)
                   .keepsColours();
    } catch (const std::exception &) {
        return false; // an unreadable profile stays
    }
}

bool isDeviceCmyk(QPDFObjectHandle dict)
{
    return isName(dict.getKey("/ColorSpace"), "/DeviceCMYK") ||
           isName(dict.getKey("/ColorSpace"), "/CMYK");
}

// What to try on an image placed at most `placed` pixels large. `deviceCmyk`
// is the profile DeviceCMYK is shown through, or empty to keep CMYK.
Job jobFor(QPDFObjectHandle image, QSize placed, int quality, int profileUsers,
           const QByteArray &deviceCmyk)
{
    QPDFObjectHandle dict = image.getDict();
    const QSize pixels = pixelSize(dict);
    const bool finer = placed.width() < pixels.width() || placed.height() < pixels.height();
    Job job;
    job.size = finer ? placed.boundedTo(pixels) : pixels;
    job.plainToo = finer || storedTooFinely(image, quality);
    if (QPDFObjectHandle profile = iccProfile(dict); profile.isStream()) {
        job.profileShare = rawLength(profile) / std::max(profileUsers, 1);
        job.profile = bytesOf(profile.getStreamData(qpdf_dl_generalized));
    } else if (isDeviceCmyk(dict)) {
        job.profile = deviceCmyk;
    }
    // A new generation of loss is worth a real saving only.
    if (!finer && (job.plainToo || (job.profile.size() && !job.profileShare)))
        job.keep = 0.9;
    return job;
}

// A JPEG 2000 image may leave its colours to its own data; naming them in
// the dictionary means the same to readers, and lets the image be recoded.
bool nameJpxColours(QPDFObjectHandle image)
{
    QPDFObjectHandle dict = image.getDict();
    if (!isLoneJpx(dict) || !dict.getKey("/ColorSpace").isNull())
        return false;
    try {
        const int n = JpxDecoder::header(rawBytes(image)).components;
        if (n == 1 || n == 3)
            dict.replaceKey("/ColorSpace",
                            QPDFObjectHandle::newName(n == 1 ? "/DeviceGray" : "/DeviceRGB"));
        return n == 1 || n == 3;
    } catch (const std::exception &) {
        return false; // unreadable data: the image stays as it is
    }
}

// Resamples, converts or recodes one image the pages draw `use.width` by
// `use.height` points large.
void recodeUse(QPDF &pdf, ImageUse &use, double dpi, int quality, int profileUsers,
               const QByteArray &deviceCmyk)
{
    QPDFObjectHandle dict = use.stream.getDict();
    const QSize placed(int(qBound(1.0, std::round(use.width / 72 * dpi), 1e6)),
                       int(qBound(1.0, std::round(use.height / 72 * dpi), 1e6)));
    if (dropsPlainProfile(use.stream))
        dict.replaceKey(
            "/ColorSpace",
            QPDFObjectHandle::newName(plainComponents(dict) == 1 ? "/DeviceGray" : "/DeviceRGB"));
    try {
        const Job job = jobFor(use.stream, placed, quality, profileUsers, deviceCmyk);
        if (!((job.plainToo || !job.profile.isEmpty()) && recode(pdf, use.stream, job, quality)))
            repackJpeg(use.stream);
    } catch (const std::exception &) {
        // An image whose data cannot be read is kept as it is.
    }
}

// Resamples what is shown above the resolution, converts images with a
// colour profile (and CMYK ones, through `deviceCmyk`) to sRGB where that
// pays, and recodes photographs stored more finely than the quality asks.
void recodeImages(QPDF &pdf, const std::vector<ImageUse *> &uses, double dpi, int quality,
                  const QByteArray &deviceCmyk)
{
    std::map<QPDFObjGen, int> profileUsers;
    for (ImageUse *use : uses)
        if (QPDFObjectHandle profile = iccProfile(use->stream.getDict()); profile.isStream())
            ++profileUsers[profile.getObjGen()];
    for (ImageUse *use : uses) {
        QPDFObjectHandle dict = use->stream.getDict();
        if (use->blocked || use->width <= 0 || use->height <= 0)
            continue;
        const bool named = nameJpxColours(use->stream);
        QPDFObjectHandle profile = iccProfile(dict);
        if (plainComponents(dict) != 0)
            recodeUse(pdf, *use, dpi, quality,
                      profile.isStream() ? profileUsers[profile.getObjGen()] : 0, deviceCmyk);
        // A JPEG 2000 image left as it was still leaves its colours to its data.
        if (named && isLoneJpx(dict))
            dict.removeKey("/ColorSpace");
    }
}

// --- Duplicates -----------------------------------------------------------

// Images with the same dictionary and the same bytes, mapped to the first of them.
std::map<QPDFObjGen, QPDFObjectHandle> duplicatesOf(const std::vector<QPDFObjectHandle> &streams)
{
    std::map<QByteArray, QPDFObjectHandle> first;
    std::map<QPDFObjGen, QPDFObjectHandle> duplicates;
    std::map<std::string, int> sameDictionary;
    std::vector<std::string> keys;
    for (QPDFObjectHandle stream : streams) {
        QPDFObjectHandle dict = stream.getDict().shallowCopy();
        dict.replaceKey("/Length", QPDFObjectHandle::newInteger(rawLength(stream)));
        keys.push_back(dict.unparse());
        ++sameDictionary[keys.back()];
    }
    for (size_t i = 0; i < streams.size(); ++i) {
        if (sameDictionary[keys[i]] < 2) // only then are the bytes worth reading
            continue;
        QPDFObjectHandle stream = streams[i];
        std::shared_ptr<Buffer> raw = stream.getRawStreamData();
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(QByteArrayView(raw->getBuffer(), qsizetype(raw->getSize())));
        const QByteArray key = QByteArray::fromStdString(keys[i]) + hash.result();
        auto [it, added] = first.try_emplace(key, stream);
        if (!added && it->second.getObjGen() != stream.getObjGen())
            duplicates[stream.getObjGen()] = it->second;
    }
    return duplicates;
}

void redirect(QPDFObjectHandle dict, const std::map<QPDFObjGen, QPDFObjectHandle> &duplicates)
{
    for (auto &[key, value] : dict.ditems()) {
        auto it = value.isIndirect() ? duplicates.find(value.getObjGen()) : duplicates.end();
        if (it != duplicates.end())
            dict.replaceKey(key, it->second);
    }
}

// Masks first, so that images differing only in which copy of a mask they
// use become duplicates too.
void storeImagesOnce(Survey &survey)
{
    std::vector<QPDFObjectHandle> images;
    std::vector<QPDFObjectHandle> masks;
    std::set<QPDFObjGen> maskSeen;
    for (auto &[id, use] : survey.images) {
        images.push_back(use.stream);
        QPDFObjectHandle mask = use.stream.getDict().getKey("/SMask");
        if (mask.isStream() && maskSeen.insert(mask.getObjGen()).second)
            masks.push_back(mask);
    }
    const auto maskDuplicates = duplicatesOf(masks);
    for (QPDFObjectHandle image : images) {
        QPDFObjectHandle dict = image.getDict();
        QPDFObjectHandle mask = dict.getKey("/SMask");
        auto it = mask.isStream() ? maskDuplicates.find(mask.getObjGen()) : maskDuplicates.end();
        if (it != maskDuplicates.end())
            dict.replaceKey("/SMask", it->second);
    }
    const auto imageDuplicates = duplicatesOf(images);
    for (QPDFObjectHandle xobjects : survey.xobjectDicts)
        redirect(xobjects, imageDuplicates);
    // The copy kept is now drawn wherever either was.
    for (auto &[id, kept] : imageDuplicates) {
        const ImageUse &from = survey.images[id];
        ImageUse &to = survey.images[kept.getObjGen()];
        to.width = std::max(to.width, from.width);
        to.height = std::max(to.height, from.height);
        to.blocked = to.blocked || from.blocked;
        to.firstPage = std::min(to.firstPage, from.firstPage);
        survey.images.erase(id);
    }
}

// Pages of some producers share one resource dictionary listing every
// page's images; each page then needs its own, naming only what it uses.
bool sharesResources(const std::vector<QPDFPageObjectHelper> &pages)
{
    std::set<QPDFObjGen> seen;
    for (QPDFPageObjectHelper page : pages) {
        QPDFObjectHandle resources = page.getObjectHandle().getKey("/Resources");
        QPDFObjectHandle xobjects =
            resources.isDictionary() ? resources.getKey("/XObject") : QPDFObjectHandle::newNull();
        for (QPDFObjectHandle shared : {resources, xobjects})
            if (shared.isIndirect() && !seen.insert(shared.getObjGen()).second)
                return true;
    }
    return false;
}

bool copyFile(const QString &path, QIODevice *output, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QString("Could not read %1: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray chunk;
    while (!(chunk = file.read(1 << 20)).isEmpty()) {
        if (output->write(chunk) != chunk.size()) {
            *error = QString("Could not write the compressed PDF: %1").arg(output->errorString());
            return false;
        }
    }
    return true;
}

} // namespace

PdfImageCompressor::PdfImageCompressor(const Options &options)
    : options(options)
{}

int PdfImageCompressor::qualityFor(int dpi)
{
    return dpi < 150 ? 60 : dpi < 200 ? 65 : 75;
}

namespace {

// The streams the writer will write, found from the trailer as it finds them.
std::vector<QPDFObjectHandle> reachableStreams(QPDF &pdf)
{
    std::vector<QPDFObjectHandle> streams;
    std::set<QPDFObjGen> seen;
    std::vector<QPDFObjectHandle> pending{pdf.getTrailer()};
    while (!pending.empty()) {
        QPDFObjectHandle object = pending.back();
        pending.pop_back();
        if (object.isIndirect() && !seen.insert(object.getObjGen()).second)
            continue;
        if (object.isStream()) {
            streams.push_back(object);
            object = object.getDict();
        }
        if (object.isArray())
            for (QPDFObjectHandle item : object.aitems())
                pending.push_back(item);
        else if (object.isDictionary())
            for (auto &[key, value] : object.ditems())
                pending.push_back(value);
    }
    return streams;
}

// The decoded data of a stream the writer would compress, or nothing.
std::optional<QByteArray> decodedForPacking(QPDFObjectHandle stream)
{
    QPDFObjectHandle dict = stream.getDict();
    // The writer leaves XMP readable as text.
    if (!stream.getFilterOnWrite() || isName(dict.getKey("/Subtype"), "/Image") ||
        isName(dict.getKey("/Type"), "/Metadata"))
        return std::nullopt;
    try {
        Pl_Buffer decoded("decoded");
        bool attempted = false;
        if (!stream.pipeStreamData(&decoded, &attempted, 0, qpdf_dl_generalized, true, true) ||
            !attempted)
            return std::nullopt; // the writer keeps what it cannot decode
        return bytesOf(decoded.getBufferSharedPointer());
    } catch (const std::exception &) {
        return std::nullopt; // a stream that cannot be read is the writer's to keep
    }
}

// Page content, fonts and the like, coded anew with a search more thorough
// than zlib's where that makes them smaller; images are coded already. The
// library is read and written on this thread only; the coding runs on all
// cores, a batch of streams at a time so that memory stays bounded.
void deflateStreams(QPDF &pdf)
{
    constexpr qsizetype kBatchBytes = 64 << 20;
    std::vector<QPDFObjectHandle> streams;
    std::vector<QByteArray> data;
    qsizetype batched = 0;
    const auto flush = [&] {
        FlateCoder::compressEach(data, FlateCoder::Thorough);
        for (size_t i = 0; i < streams.size(); ++i) {
            try {
                if (data[i].isEmpty() || data[i].size() >= rawLength(streams[i]))
                    continue;
                streams[i].replaceStreamData(data[i].toStdString(),
                                             QPDFObjectHandle::newName("/FlateDecode"),
                                             QPDFObjectHandle::newNull());
                streams[i].setFilterOnWrite(false);
            } catch (const std::exception &) {
                // Left as it was: the writer keeps it.
            }
        }
        streams.clear();
        data.clear();
        batched = 0;
    };
    for (QPDFObjectHandle stream : reachableStreams(pdf)) {
        std::optional<QByteArray> decoded = decodedForPacking(stream);
        if (!decoded)
            continue;
        batched += decoded->size();
        streams.push_back(stream);
        data.push_back(std::move(*decoded));
        if (batched >= kBatchBytes)
            flush();
    }
    flush();
}

// Resamples and recodes the images the pages draw, each stored once.
void shrinkImages(QPDF &pdf, int dpi, int quality)
{
    QPDFPageDocumentHelper document(pdf);
    document.pushInheritedAttributesToPage();
    std::vector<QPDFPageObjectHelper> pages = document.getAllPages();
    if (sharesResources(pages))
        document.removeUnreferencedResources();

    Survey survey(pdf);
    for (size_t i = 0; i < pages.size(); ++i)
        survey.page(pages[i], int(i));

    // Identical images become one before resampling, at the size of their largest use.
    storeImagesOnce(survey);
    std::vector<ImageUse *> uses;
    for (auto &[id, use] : survey.images)
        uses.push_back(&use);
    std::stable_sort(uses.begin(), uses.end(),
                     [](ImageUse *a, ImageUse *b) { return a->firstPage < b->firstPage; });
    // Looking through every object for a CMYK mapping pays only when there is CMYK.
    const bool cmyk = std::any_of(uses.begin(), uses.end(), [](ImageUse *use) {
        return isDeviceCmyk(use->stream.getDict()) && plainComponents(use->stream.getDict()) == 4;
    });
    recodeImages(pdf, uses, dpi, quality,
                 cmyk ? PdfColourSpaces::deviceCmykProfile(pdf) : QByteArray());
    storeImagesOnce(survey);
}

// Writes the document with object streams and every stream compressed anew.
void writeCompact(QPDF &pdf, QTemporaryFile &compressed)
{
    if (!compressed.open())
        throw std::runtime_error("no room for a temporary file: " +
                                 compressed.errorString().toStdString());
    // The writer fills in /Size only where the trailer has one; a cross-reference
    // stream without it is unreadable.
    pdf.getTrailer().replaceKey("/Size", QPDFObjectHandle::newInteger(0));
    // The writer keeps this pointer until it is done (it seeds the /ID with it).
    const QByteArray compressedName = QFile::encodeName(compressed.fileName());
    QPDFWriter writer(pdf, compressedName.constData());
    writer.setObjectStreamMode(qpdf_o_generate);
    writer.setCompressStreams(true);
    writer.setDecodeLevel(qpdf_dl_generalized);
    writer.setMinimumPDFVersion("1.3"); // for progressive JPEG
    writer.write();
}

} // namespace

bool PdfImageCompressor::process(const QString &inputPath, QIODevice *output)
{
    error.clear();
    QTemporaryFile compressed;
    bool passed = false;
    // Parsing from memory spares the reader a seek and a read for every
    // object: most of the time taken to load a long document. The mapping
    // must outlive the parser, which reads it in place.
    QFile input(inputPath);
    const uchar *mapped = input.open(QIODevice::ReadOnly) ? input.map(0, input.size()) : nullptr;
    const QByteArray name = QFile::encodeName(inputPath);
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        if (mapped)
            pdf.processMemoryFile(name.constData(), reinterpret_cast<const char *>(mapped),
                                  size_t(input.size()));
        else
            pdf.processFile(name.constData());
        // A damaged file is better replaced by its repaired copy, whatever the size.
        const bool repaired = pdf.anyWarnings();

        PdfPrivateData::strip(pdf);
        shrinkImages(pdf, options.dpi, options.jpegQuality);
        PdfColourSpaces::pruneUnused(pdf);
        FontCompactor(pdf).compact();

        deflateStreams(pdf);
        writeCompact(pdf, compressed);
        passed =
            !repaired && QFileInfo(compressed.fileName()).size() >= QFileInfo(inputPath).size();
    } catch (const QPDFExc &damage) {
        const QString detail = QString::fromStdString(damage.getMessageDetail());
        error = damage.getErrorCode() == qpdf_e_password
                    ? QString("The PDF is password-protected: %1").arg(detail)
                    : QString("Damaged PDF: %1").arg(detail);
        return false;
    } catch (const std::exception &failure) {
        error =
            QString("Could not compress the PDF: %1").arg(QString::fromStdString(failure.what()));
        return false;
    } catch (...) {
        error = QStringLiteral("Could not compress the PDF: unknown error");
        return false;
    }
    return copyFile(passed ? inputPath : compressed.fileName(), output, &error);
}
