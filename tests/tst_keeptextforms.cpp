#include "PageAssembler.h"
#include "PdfFixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Three empty pages; the second holds the text field "person.name" with the
// value %2, whose default appearance names /Helv in the form's resources,
// which is the font %3. %1: the catalog's page labels; %4: more form keys.
const char *kSource = R"(%PDF-1.7
1 0 obj <</Type/Catalog/Pages 2 0 R%1/AcroForm<</Fields[6 0 R]/DA(/Helv 0 Tf 0 g)%4
/DR<</Font<</Helv 9 0 R>>>>>>>> endobj
2 0 obj <</Type/Pages/Kids[3 0 R 4 0 R 5 0 R]/Count 3/MediaBox[0 0 200 200]/Resources<<>>>> endobj
3 0 obj <</Type/Page/Parent 2 0 R>> endobj
4 0 obj <</Type/Page/Parent 2 0 R/Annots[7 0 R]>> endobj
5 0 obj <</Type/Page/Parent 2 0 R>> endobj
6 0 obj <</FT/Tx/T(person)/Kids[7 0 R]>> endobj
7 0 obj <</Type/Annot/Subtype/Widget/Parent 6 0 R/T(name)/V(%2)/Rect[10 10 150 40]>> endobj
8 0 obj <</Kids[8 0 R]>> endobj
9 0 obj <</Type/Font/Subtype/Type1/BaseFont/%3>> endobj
trailer <</Size 10/Root 1 0 R>>
)";
const QString kLabels = "/PageLabels<</Nums[0<</S/r>>2<</S/D/P(A-)/St 3>>]>>";

// What qpdf reads: every page's label ("A-D3": prefix, style, start; "0" for
// none), then every field as "page:full name=value font", where font is what
// its default appearance names in the form's resources, then whether readers
// must draw the fields anew.
QString formAndLabels(const QString &pdf, const QString &password = {})
{
    // Into a file: qpdf may also say something on its error output.
    PdfFixtures::run("qpdf",
                     {"--json", "--json-key=pages", "--json-key=acroform", "--json-key=qpdf",
                      "--no-warn", "--password=" + password, pdf, pdf + ".json"});
    QFile file(pdf + ".json");
    const QJsonObject json =
        QJsonDocument::fromJson(file.open(QIODevice::ReadOnly) ? file.readAll() : "").object();
    const QJsonObject objects = json["qpdf"][1].toObject();
    const auto value = [&](const QJsonValue &v) {
        return v.toString().endsWith(" R") ? objects["obj:" + v.toString()]["value"] : v;
    };
    QStringList labels, fields;
    for (const QJsonValue page : json["pages"].toArray())
        labels << page["label"]["/P"].toString().mid(2) + page["label"]["/S"].toString().mid(1) +
                      QString::number(page["label"]["/St"].toInt());
    const QJsonValue form = value(value(objects["trailer"]["value"]["/Root"])["/AcroForm"]);
    for (const QJsonValue field : json["acroform"]["fields"].toArray()) {
        QJsonValue f = value(field["object"]);
        while (f.isObject() && !f["/DA"].isString())
            f = value(f["/Parent"]);
        const QString da = (f.isObject() ? f : form)["/DA"].toString();
        const QJsonValue font = value(value(form["/DR"])["/Font"])[da.section(' ', 0, 0).mid(2)];
        fields << QString("%1:%2=%3 %4")
                      .arg(field["pageposfrom1"].toInt())
                      .arg(field["fullname"].toString(), field["value"].toString().mid(2),
                           value(value(font)["/BaseFont"]).toString().mid(1));
    }
    return labels.join(' ') + " | " + fields.join(' ') + " |" +
           (json["acroform"]["needappearances"].toBool() ? " redraw" : "");
}

} // namespace

// Page labels and form fields of the sources in what Keep Text writes.
class TestKeepTextForms : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }
    // kSource with its four arguments, then each `from` of the changes replaced by its `to`.
    void writeSource(const QString &name, const QStringList &args, const QStringList &changes = {})
    {
        QString text = QString(kSource).arg(args[0], args[1], args[2], args[3]);
        for (int i = 0; i + 1 < changes.size(); i += 2)
            text.replace(changes[i], changes[i + 1]);
        QVERIFY(PdfFixtures::writeFile(path("raw.pdf"), text.toLatin1()));
        PdfFixtures::run("qpdf", {path("raw.pdf"), path(name)});
    }

private slots:
    void everyOutputKeepsThem_data()
    {
        QTest::addColumn<QString>("tiles"); // o: a.pdf with the changes; e: o.pdf owner-locked
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("files");   // as formAndLabels reads each written file
        QTest::addColumn<QStringList>("changes"); // from, to, from, to, ...
        const auto row = [](const char *name, const QString &tiles, const char *how,
                            const QStringList &files, const QStringList &changes = {}) {
            QTest::newRow(name) << tiles << how << files << changes;
        };
        const QString ada = "person.name=Ada Helvetica", bob = "person.name=Bob Courier";
        const QString ada2 = "person+1.name=Ada Helvetica", bob2 = "person+1.name=Bob Courier";
        // x.pdf does not exist: its page becomes a blank page.
        row("merge", "a1 a2 a3 x1 b1 b2 b3", "",
            {"r1 r2 A-D3 D4 D1 D2 D3 | 2:" + ada + " 6:" + bob2 + " | redraw"});
        row("reversed, a page twice", "b3 b2 b1 a3 a2 a2", "",
            {"D3 D2 D1 A-D3 r2 r2 | 2:" + bob + " 5:" + ada2 + " 6:person+2.name=Ada Helvetica" +
             " | redraw"});
        // The last file's source has no labels, so it has none.
        row("split every 2", "a1 a2 a3 b2 b1", "split",
            {"r1 r2 | 2:" + ada + " | redraw", "A-D3 D2 | 2:" + bob + " |", "0 |  |"});
        row("crop, lock, optimize", "b2 a3 a2", "crop lock web",
            {"D2 A-D3 r2 | 1:" + bob + " 3:" + ada2 + " | redraw"});

        const QString labels = "[0<</S/r>>2<</S/D/P(A-)/St 3>>]", odd = "o1 o2 o3 o2";
        const QString fields = " | 2:" + ada + " 4:" + ada2 + " |";
        row("owner password only", "e1 e2 e3 e2", "", {"r1 r2 A-D3 r2" + fields});
        // An entry that is no label numbers its page as in the source; a
        // label's parts that make no sense are left out ("1": no style).
        row("labels with nonsense, fields in a loop", odd, "", {"D1 1 r1 1" + fields},
            {labels, "[0 7 1<</S/Q/P 5/St -2>>2<</S/r/St 99999999999>>]", "/Kids[7 0 R]>>",
             "/Kids[7 0 R]/Parent 7 0 R>>"});
        row("label tree in a loop, fields not a list", odd, "", {"D1 D2 D3 D2" + fields},
            {"<</Nums" + labels + ">>", " 8 0 R", "/Fields[6 0 R]", "/Fields 6 0 R"});
    }
    void everyOutputKeepsThem()
    {
        QFETCH(QString, tiles);
        QFETCH(QString, how);
        QFETCH(QStringList, files);
        QFETCH(QStringList, changes);
        writeSource("a.pdf", {kLabels, "Ada", "Helvetica", "/NeedAppearances true"});
        // b's field has a's name, and its /Helv is another font.
        writeSource("b.pdf", {"", "Bob", "Courier", ""});
        writeSource("o.pdf", {kLabels, "Ada", "Helvetica", ""}, changes);
        QVERIFY(PdfFixtures::encrypt(path("o.pdf"), path("e.pdf"), "", "owner"));
        QList<PageRef> pages; // "a2": page 2 of a.pdf
        for (const QString &tile : tiles.split(' '))
            pages.append({path(tile.left(1) + ".pdf"), tile.mid(1).toInt(), 0, false});
        PageAssembler::Options options;
        options.margin = how.contains("crop") ? 0.1 : 0;
        options.webOptimized = how.contains("web");
        options.blankForMissing = true;
        const QString password = how.contains("lock") ? "user" : "";
        if (!password.isEmpty())
            options.encryption = PdfPostProcessor::EncryptionOptions{password, "owner", 256};
        QStringList written;
        if (how == "split") {
            QCOMPARE(PageAssembler::splitRuns(pages, path(""), 2, {}, {}).files, files.size());
            for (int k = 1; k <= files.size(); ++k)
                written << OutputJobs::runFileName(path(""), k);
        } else {
            written << path("out.pdf");
            const OutputResult result = PageAssembler::write(pages, written[0], options, {});
            QVERIFY(result.written && result.pictures == 0);
        }
        for (int f = 0; f < files.size(); ++f) {
            QVERIFY(PdfFixtures::qpdfCheckClean(written[f], password));
            QCOMPARE(formAndLabels(written[f], password), files[f]);
        }
    }
};

QTEST_MAIN(TestKeepTextForms)
#include "tst_keeptextforms.moc"
