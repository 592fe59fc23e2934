#include "FontCompactor.h"

// Only std::shared_ptr is used; this keeps qpdf 11 from warning about its old PointerHolder.
#define POINTERHOLDER_TRANSITION 4

#include <QByteArray>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <hb-subset.h>
#include <hb.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
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

bool runConverter(const QString &tx, const QStringList &arguments, QByteArray *output)
{
    QProcess process;
    process.start(tx, arguments);
    if (!process.waitForStarted(5000))
        return false;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(2000);
        return false;
    }
    *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Runs tx once per argument list, a few at a time; true for each run that succeeded.
std::vector<bool> runConverters(const QString &tx, const std::vector<QStringList> &runs)
{
    std::vector<bool> succeeded(runs.size(), false);
    const size_t together = 8; // mostly waiting for start-up
    for (size_t first = 0; first < runs.size(); first += together) {
        std::vector<std::unique_ptr<QProcess>> batch;
        for (size_t i = first; i < std::min(runs.size(), first + together); ++i) {
            batch.push_back(std::make_unique<QProcess>());
            batch.back()->setStandardOutputFile(QProcess::nullDevice());
            batch.back()->setStandardErrorFile(QProcess::nullDevice());
            batch.back()->start(tx, runs[i]);
        }
        // A damaged font can keep a converter busy; it is not worth waiting for.
        const QDeadlineTimer deadline(20000);
        for (size_t k = 0; k < batch.size(); ++k) {
            QProcess &process = *batch[k];
            if (!process.waitForFinished(int(std::max<qint64>(1, deadline.remainingTime())))) {
                process.kill();
                process.waitForFinished(2000);
                continue;
            }
            succeeded[first + k] =
                process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        }
    }
    return succeeded;
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

// Each font as tx reads it: every glyph's name, code, width and outline, hints
// left out and accents built from their parts. Empty when tx cannot read them all.
std::vector<QByteArrayList> glyphsOf(const QString &tx, const QStringList &files)
{
    QByteArray dump;
    if (files.isEmpty() ||
        !runConverter(tx, QStringList{"-dump", "-6", "-n", "-d", "-f"} + files, &dump))
        return {};
    const QByteArray header = "## glyph[tag]";
    std::vector<QByteArrayList> fonts;
    for (qsizetype at = dump.indexOf(header); at >= 0;) {
        const qsizetype next = dump.indexOf(header, at + 1);
        fonts.push_back(glyphRecords(dump.mid(at, next < 0 ? -1 : next - at)));
        at = next;
    }
    return fonts.size() == size_t(files.size()) ? fonts : std::vector<QByteArrayList>();
}

qint64 writeProgram(QPDFObjectHandle program, const QString &path)
{
    const std::shared_ptr<Buffer> data = program.getStreamData(qpdf_dl_generalized);
    const qint64 size = qint64(data->getSize());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
                   file.write(reinterpret_cast<const char *>(data->getBuffer()), size) == size
               ? size
               : 0;
}

// The CFF forms of Type 1 programs; empty where one would not be the same
// font or not smaller.
std::vector<QByteArray> toCff(const QString &tx, const QDir &folder,
                              const std::vector<QPDFObjectHandle> &programs)
{
    std::vector<qint64> sizes(programs.size(), 0);
    std::vector<QStringList> runs;
    for (size_t i = 0; i < programs.size(); ++i) {
        const QString name = folder.filePath(QString::number(i));
        try {
            sizes[i] = writeProgram(programs[i], name + ".t1");
        } catch (const std::exception &) {
            // An unreadable program stays as it is.
        }
        // Neither +S, whose shared outline parts compress worse than plain
        // ones, nor +b, which loses codes from the encoding.
        runs.push_back({"-cff", name + ".t1", name + ".cff"});
    }
    const std::vector<bool> converted = runConverters(tx, runs);
    QStringList pairs;
    std::vector<size_t> done;
    for (size_t i = 0; i < programs.size(); ++i)
        if (converted[i] && sizes[i] > 0) {
            pairs << runs[i].at(1) << runs[i].at(2);
            done.push_back(i);
        }
    // One reading of all; one at a time when some font cannot be read.
    const std::vector<QByteArrayList> glyphs = glyphsOf(tx, pairs);
    std::vector<QByteArray> cffs(programs.size());
    for (size_t k = 0; k < done.size(); ++k) {
        const std::vector<QByteArrayList> pair =
            glyphs.empty() ? glyphsOf(tx, pairs.mid(2 * k, 2))
                           : std::vector<QByteArrayList>{glyphs[2 * k], glyphs[2 * k + 1]};
        QFile cff(runs[done[k]].at(2));
        if (pair.size() == 2 && pair[0] == pair[1] && cff.open(QIODevice::ReadOnly) &&
            cff.size() > 0 && cff.size() < sizes[done[k]])
            cffs[done[k]] = cff.readAll();
    }
    return cffs;
}

// --- Which glyphs the pages show ------------------------------------------

bool isName(QPDFObjectHandle object, const char *name)
{
    return object.isName() && object.getName() == name;
}

QPDFObjectHandle entry(QPDFObjectHandle dict, const char *key)
{
    return dict.isDictionary() ? dict.getKey(key) : QPDFObjectHandle::newNull();
}

// The codes a font shows: bytes of a simple font, two-byte codes of a Type 0 font.
struct FontUse
{
    QPDFObjectHandle font;
    std::set<unsigned> codes;
};

// Reads the text of pages and of the forms they draw.
class TextSurvey : public QPDFObjectHandle::ParserCallbacks
{
public:
    std::map<QPDFObjGen, FontUse> fonts;
    std::set<QPDFObjGen> owners; // pages and forms whose content was read
    bool unreadable = false;

    void read(QPDFObjectHandle owner, QPDFObjectHandle withResources);
    void handleObject(QPDFObjectHandle object) override;
    void handleEOF() override {}

private:
    void select(QPDFObjectHandle name);
    void show(QPDFObjectHandle string);
    void draw(QPDFObjectHandle name);

    QPDFObjectHandle resources;
    QPDFObjectHandle font;
    std::vector<QPDFObjectHandle> saved; // fonts at each q
    std::vector<QPDFObjectHandle> operands;
    int depth = 0;
    int reads = 0;
};

void TextSurvey::read(QPDFObjectHandle owner, QPDFObjectHandle withResources)
{
    if (depth > 12 || ++reads > 20000) {
        unreadable = true;
        return;
    }
    owners.insert(owner.getObjGen());
    // A form runs inside the caller's text state and gives it back.
    std::vector<QPDFObjectHandle> callerOperands;
    callerOperands.swap(operands);
    QPDFObjectHandle callerResources = resources, callerFont = font;
    const size_t callerSaved = saved.size();
    resources = withResources;
    ++depth;
    if (owner.isStream())
        QPDFObjectHandle::parseContentStream(owner, this);
    else
        QPDFPageObjectHelper(owner).parseContents(this);
    --depth;
    resources = callerResources;
    font = callerFont;
    saved.resize(callerSaved);
    operands.swap(callerOperands);
}

void TextSurvey::handleObject(QPDFObjectHandle object)
{
    if (!object.isOperator()) {
        operands.push_back(object);
        return;
    }
    const std::string op = object.getOperatorValue();
    if (op == "q") {
        saved.push_back(font);
    } else if (op == "Q" && !saved.empty()) {
        font = saved.back();
        saved.pop_back();
    } else if (op == "Tf" && operands.size() == 2) {
        select(operands[0]);
    } else if ((op == "Tj" || op == "'" || op == "\"") && !operands.empty()) {
        show(operands.back());
    } else if (op == "TJ" && !operands.empty() && operands.back().isArray()) {
        for (QPDFObjectHandle item : operands.back().aitems())
            if (item.isString())
                show(item);
    } else if (op == "Do" && !operands.empty()) {
        draw(operands.back());
    } else if (op == "gs" && !operands.empty()) {
        QPDFObjectHandle state =
            entry(entry(resources, "/ExtGState"),
                  operands.back().isName() ? operands.back().getName().c_str() : "");
        unreadable = unreadable || !entry(state, "/Font").isNull();
    }
    operands.clear();
}

void TextSurvey::select(QPDFObjectHandle name)
{
    font = name.isName() ? entry(entry(resources, "/Font"), name.getName().c_str())
                         : QPDFObjectHandle::newNull();
    // Type 3 glyphs without resources of their own use the page's fonts.
    if (!font.isDictionary() || !font.isIndirect() ||
        (isName(font.getKey("/Subtype"), "/Type3") && !font.getKey("/Resources").isDictionary()))
        unreadable = true;
    else
        fonts.try_emplace(font.getObjGen(), FontUse{font, {}});
}

void TextSurvey::show(QPDFObjectHandle string)
{
    if (!font.isDictionary() || !font.isIndirect() || !string.isString()) {
        unreadable = true;
        return;
    }
    const std::string bytes = string.getStringValue();
    std::set<unsigned> &codes = fonts[font.getObjGen()].codes;
    if (!isName(font.getKey("/Subtype"), "/Type0")) {
        for (unsigned char byte : bytes)
            codes.insert(byte);
        return;
    }
    unreadable = unreadable || bytes.size() % 2 != 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        codes.insert(unsigned((unsigned char)bytes[i]) << 8 | (unsigned char)bytes[i + 1]);
}

void TextSurvey::draw(QPDFObjectHandle name)
{
    QPDFObjectHandle xobject = name.isName()
                                   ? entry(entry(resources, "/XObject"), name.getName().c_str())
                                   : QPDFObjectHandle::newNull();
    if (!xobject.isStream() || !isName(xobject.getDict().getKey("/Subtype"), "/Form"))
        return;
    // A form without resources uses its caller's.
    QPDFObjectHandle own = xobject.getDict().getKey("/Resources");
    read(xobject, own.isDictionary() ? own : resources);
}

// The TrueType program of a simple or Type 0 font, or null.
QPDFObjectHandle programOf(QPDFObjectHandle font)
{
    if (isName(entry(font, "/Subtype"), "/Type0")) {
        QPDFObjectHandle descendants = font.getKey("/DescendantFonts");
        font = descendants.isArray() && descendants.getArrayNItems() == 1
                   ? descendants.getArrayItem(0)
                   : QPDFObjectHandle::newNull();
    }
    QPDFObjectHandle program = entry(entry(font, "/FontDescriptor"), "/FontFile2");
    return program.isStream() ? program : QPDFObjectHandle::newNull();
}

// Programs of fonts that something besides the content read may show:
// annotations, Type 3 glyphs, patterns, form fields, fonts never selected.
std::set<QPDFObjGen> programsUsedElsewhere(QPDF &pdf, const TextSurvey &survey)
{
    std::set<QPDFObjGen> elsewhere, covered;
    auto block = [&elsewhere](QPDFObjectHandle font) {
        if (QPDFObjectHandle program = programOf(font); program.isStream())
            elsewhere.insert(program.getObjGen());
    };
    for (const auto &[id, use] : survey.fonts)
        if (QPDFObjectHandle d = entry(use.font, "/DescendantFonts"); d.isArray())
            for (QPDFObjectHandle descendant : d.aitems())
                covered.insert(descendant.getObjGen());
    QPDFObjectHandle fieldFonts = entry(entry(pdf.getRoot().getKey("/AcroForm"), "/DR"), "/Font");
    if (fieldFonts.isDictionary())
        for (auto &[key, font] : fieldFonts.ditems())
            block(font);
    for (QPDFObjectHandle object : pdf.getAllObjects()) {
        QPDFObjectHandle dict = object.isStream() ? object.getDict() : object;
        if (!dict.isDictionary())
            continue;
        QPDFObjectHandle fonts = entry(dict.getKey("/Resources"), "/Font");
        if (fonts.isDictionary() && !survey.owners.count(object.getObjGen()))
            for (auto &[key, font] : fonts.ditems())
                block(font);
        QPDFObjectHandle subtype = dict.getKey("/Subtype");
        if (((isName(subtype, "/TrueType") || isName(subtype, "/Type0")) &&
             !survey.fonts.count(object.getObjGen())) ||
            (isName(subtype, "/CIDFontType2") && !covered.count(object.getObjGen())))
            block(dict);
    }
    return elsewhere;
}

// --- Cutting TrueType programs down ----------------------------------------

// A TrueType program open in HarfBuzz, which reads the bytes in place.
class Sfnt
{
public:
    explicit Sfnt(const QByteArray &bytes)
        : data(bytes)
        , blob(hb_blob_create(data.constData(), unsigned(data.size()), HB_MEMORY_MODE_READONLY,
                              nullptr, nullptr))
        , face(hb_face_create(blob, 0))
        , font(hb_font_create(face))
    {}
    ~Sfnt()
    {
        hb_font_destroy(font);
        hb_face_destroy(face);
        hb_blob_destroy(blob);
    }
    Sfnt(const Sfnt &) = delete;
    Sfnt &operator=(const Sfnt &) = delete;

    unsigned glyph(hb_codepoint_t character) const
    {
        hb_codepoint_t id = 0;
        return hb_font_get_nominal_glyph(font, character, &id) ? id : 0;
    }
    unsigned glyphCount() const { return hb_face_get_glyph_count(face); }
    // A Windows Unicode cmap, where readers look up the characters of a
    // non-symbolic font before any other.
    bool hasUnicodeCmap() const
    {
        hb_blob_t *table = hb_face_reference_table(face, HB_TAG('c', 'm', 'a', 'p'));
        unsigned length = 0;
        const auto *b = reinterpret_cast<const unsigned char *>(hb_blob_get_data(table, &length));
        const unsigned count = length >= 4 ? unsigned(b[2] << 8 | b[3]) : 0;
        bool found = false;
        for (unsigned i = 0; i < count && 12 + 8 * i <= length; ++i)
            found = found || (b[4 + 8 * i] == 0 && b[5 + 8 * i] == 3 && b[6 + 8 * i] == 0 &&
                              b[7 + 8 * i] == 1);
        hb_blob_destroy(table);
        return found;
    }
    // Advance and outline box: what a glyph draws.
    std::vector<int> shape(hb_codepoint_t id) const
    {
        hb_glyph_extents_t box{};
        hb_font_get_glyph_extents(font, id, &box);
        return {hb_font_get_glyph_h_advance(font, id), box.x_bearing, box.y_bearing, box.width,
                box.height};
    }

    const QByteArray data; // the blob points into it
    hb_blob_t *const blob;
    hb_face_t *const face;
    hb_font_t *const font;
};

// Characters a reader looks up in a non-symbolic TrueType font's Unicode
// cmap for each code; false when it would look up something else.
bool charactersOf(const FontUse &use, std::set<hb_codepoint_t> *characters)
{
    QPDFObjectHandle encoding = entry(use.font, "/Encoding");
    QPDFObjectHandle flags = entry(entry(use.font, "/FontDescriptor"), "/Flags");
    const char *codec = isName(encoding, "/WinAnsiEncoding")    ? "windows-1252"
                        : isName(encoding, "/MacRomanEncoding") ? "macintosh"
                                                                : nullptr;
    if (!codec || !flags.isInteger() || (flags.getIntValue() & 4)) // 4: symbolic
        return false;
    QStringDecoder decode(codec);
    for (unsigned code : use.codes) {
        const char byte = char(code);
        const QString text = decode(QByteArrayView(&byte, 1));
        const char16_t c = text.size() == 1 ? text[0].unicode() : 0;
        if (!decode.isValid() || c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0xfffd)
            return false;
        characters->insert(c);
        if (c == 0xa0 || c == 0xad) // readers also name these space and hyphen
            characters->insert(c == 0xa0 ? 0x20 : 0x2d);
    }
    return true;
}

// Glyphs of a Type 0 font whose codes are glyph ids.
bool identityGlyphs(const FontUse &use, const Sfnt &sfnt, std::set<hb_codepoint_t> *glyphs)
{
    QPDFObjectHandle encoding = entry(use.font, "/Encoding");
    QPDFObjectHandle cidFont = entry(use.font, "/DescendantFonts").getArrayItem(0);
    QPDFObjectHandle map = cidFont.getKey("/CIDToGIDMap");
    if (!(isName(encoding, "/Identity-H") || isName(encoding, "/Identity-V")) ||
        !isName(cidFont.getKey("/Subtype"), "/CIDFontType2") ||
        !(map.isNull() || isName(map, "/Identity")))
        return false;
    for (unsigned code : use.codes)
        if (code < sfnt.glyphCount())
            glyphs->insert(code);
    return true;
}

QByteArray subsetBytes(const Sfnt &sfnt, const std::set<hb_codepoint_t> &glyphs,
                       const std::set<hb_codepoint_t> &characters)
{
    hb_subset_input_t *input = hb_subset_input_create_or_fail();
    if (!input)
        return {};
    for (hb_codepoint_t id : glyphs)
        hb_set_add(hb_subset_input_glyph_set(input), id);
    for (hb_codepoint_t c : characters)
        hb_set_add(hb_subset_input_unicode_set(input), c);
    // Readers place glyphs as the PDF says: layout and kerning tables go.
    for (const char *tag : {"GSUB", "GPOS", "GDEF", "BASE", "JSTF", "MATH", "kern", "hdmx", "VDMX",
                            "LTSH", "DSIG", "meta"})
        hb_set_add(hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG),
                   hb_tag_from_string(tag, 4));
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NOTDEF_OUTLINE);
    hb_face_t *subset = hb_subset_or_fail(sfnt.face, input);
    hb_subset_input_destroy(input);
    if (!subset)
        return {};
    hb_blob_t *blob = hb_face_reference_blob(subset);
    unsigned length = 0;
    const char *bytes = hb_blob_get_data(blob, &length);
    const QByteArray copy(bytes, qsizetype(length));
    hb_blob_destroy(blob);
    hb_face_destroy(subset);
    return copy;
}

// Cuts one program down to the glyphs its fonts show; false leaves it as it is.
bool subsetProgram(QPDFObjectHandle program, const std::vector<const FontUse *> &uses)
{
    const std::shared_ptr<Buffer> data = program.getStreamData(qpdf_dl_generalized);
    const Sfnt before(
        QByteArray(reinterpret_cast<const char *>(data->getBuffer()), qsizetype(data->getSize())));
    std::set<hb_codepoint_t> glyphs{0}, characters, kept;
    for (const FontUse *use : uses) {
        const bool simple = isName(entry(use->font, "/Subtype"), "/TrueType");
        if (simple ? !charactersOf(*use, &characters) : !identityGlyphs(*use, before, &glyphs))
            return false;
    }
    if (!characters.empty() && !before.hasUnicodeCmap())
        return false;
    for (hb_codepoint_t c : characters) {
        if (!before.glyph(c))
            return false; // the reader would try other tables
        glyphs.insert(before.glyph(c));
    }
    // The cmap keeps every character of the glyphs kept.
    hb_set_t *all = hb_set_create();
    hb_face_collect_unicodes(before.face, all);
    for (hb_codepoint_t c = HB_SET_VALUE_INVALID; hb_set_next(all, &c);)
        if (glyphs.count(before.glyph(c)))
            kept.insert(c);
    hb_set_destroy(all);
    const Sfnt after(subsetBytes(before, glyphs, kept));
    if (after.data.isEmpty() || after.data.size() >= before.data.size() ||
        (!characters.empty() && !after.hasUnicodeCmap()))
        return false;
    for (hb_codepoint_t c : characters)
        if (after.glyph(c) != before.glyph(c))
            return false;
    for (hb_codepoint_t id : glyphs)
        if (id >= after.glyphCount() || after.shape(id) != before.shape(id))
            return false;
    program.replaceStreamData(after.data.toStdString(), QPDFObjectHandle::newNull(),
                              QPDFObjectHandle::newNull());
    program.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(after.data.size()));
    return true;
}

} // namespace

void FontCompactor::compact()
{
    // Each step is on its own: a font a step fails on is left to the next.
    for (void (FontCompactor::*step)() : {&FontCompactor::storeOnce, &FontCompactor::convertType1,
                                          &FontCompactor::subsetTrueType}) {
        try {
            (this->*step)();
        } catch (...) {
            // Whatever the step changed before is sound on its own.
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
    // Each program once, however many fonts share it.
    const std::vector<QPDFObjectHandle> descriptors = fontDescriptors(pdf);
    std::vector<QPDFObjectHandle> programs;
    std::set<QPDFObjGen> seen;
    for (QPDFObjectHandle descriptor : descriptors)
        if (QPDFObjectHandle file = descriptor.getKey("/FontFile");
            file.isStream() && seen.insert(file.getObjGen()).second)
            programs.push_back(file);
    const std::vector<QByteArray> cffs = toCff(tx, QDir(folder.path()), programs);
    std::map<QPDFObjGen, QPDFObjectHandle> converted;
    for (size_t i = 0; i < programs.size(); ++i) {
        if (cffs[i].isEmpty())
            continue;
        QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf, cffs[i].toStdString());
        stream.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Type1C"));
        converted[programs[i].getObjGen()] = stream;
    }
    for (QPDFObjectHandle descriptor : descriptors) {
        QPDFObjectHandle file = descriptor.getKey("/FontFile");
        auto it = file.isStream() ? converted.find(file.getObjGen()) : converted.end();
        if (it != converted.end()) {
            descriptor.removeKey("/FontFile");
            descriptor.replaceKey("/FontFile3", it->second);
        }
    }
}

// Word and others embed "subsets" that still carry every layout table.
void FontCompactor::subsetTrueType()
{
    // Reading every page's text is most of the work: not for nothing.
    const std::vector<QPDFObjectHandle> descriptors = fontDescriptors(pdf);
    if (std::none_of(descriptors.begin(), descriptors.end(),
                     [](QPDFObjectHandle d) { return d.getKey("/FontFile2").isStream(); }))
        return;
    TextSurvey survey;
    const size_t warnings = pdf.numWarnings();
    for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages())
        survey.read(page.getObjectHandle(), page.getAttribute("/Resources", false));
    if (survey.unreadable || pdf.numWarnings() != warnings)
        return;
    const std::set<QPDFObjGen> elsewhere = programsUsedElsewhere(pdf, survey);
    std::map<QPDFObjGen, std::vector<const FontUse *>> programs;
    for (const auto &[id, use] : survey.fonts)
        if (QPDFObjectHandle program = programOf(use.font);
            program.isStream() && !elsewhere.count(program.getObjGen()))
            programs[program.getObjGen()].push_back(&use);
    for (const auto &[id, uses] : programs) {
        try {
            subsetProgram(programOf(uses.front()->font), uses);
        } catch (const std::exception &) {
            // An unreadable program stays as it is.
        }
    }
}
