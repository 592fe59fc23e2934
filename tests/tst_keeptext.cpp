#include "MainWindow.h"
#include "OutputTestSupport.h"
#include "PdfPostProcessor.h"
#include "Theme.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSettings>
#include <QTextDocument>

using namespace OutputTest;

namespace {
using Outline = QList<QPair<QString, int>>; // title, target page from 1

QStringList withPassword(const QString &password, const QStringList &arguments)
{
    return password.isEmpty() ? arguments : QStringList{"-upw", password} + arguments;
}

// One field of page n (from 1) as pdfinfo reports it: "size", "rot", "CropBox", ...
QString pageInfo(const QString &pdf, int n, const QString &field, const QString &password = {})
{
    const QString page = QString::number(n);
    return QRegularExpression(QString("Page +%1 %2: +([^\\n]*)").arg(n).arg(field))
        .match(PdfFixtures::run("pdfinfo",
                                withPassword(password, {"-box", "-f", page, "-l", page, pdf})))
        .captured(1)
        .simplified();
}

QString textOf(const QString &pdf, int n, const QString &password = {})
{
    const QString page = QString::number(n);
    return PdfFixtures::run("pdftotext", withPassword(password, {"-f", page, "-l", page, pdf, "-"}))
        .simplified();
}

// a.pdf: an A4 page reading "Alpha"; b.pdf: a Letter landscape page reading
// "Bravo" that its source turns by /Rotate 90; c.pdf: a.pdf with an owner
// password only, so it opens without one. Loads the tiles in order:
// a source's name, then the tile's turn ("b90").
void loadSources(Workspace &ws, const QStringList &tiles)
{
    PdfFixtures::writePdf(ws.path("a.pdf"), {{QPageSize(QPageSize::A4), {}, "Alpha"}});
    PdfFixtures::writePdf(ws.path("b0.pdf"),
                          {{QPageSize(QPageSize::Letter), QPageLayout::Landscape, "Bravo"}});
    PdfFixtures::run("qpdf", {"--rotate=+90", ws.path("b0.pdf"), ws.path("b.pdf")});
    PdfFixtures::encrypt(ws.path("a.pdf"), ws.path("c.pdf"), "", "owner");
    { // p.pdf: "Photo" under a 2000 px picture placed two inches wide, at 1000 dpi
        QPdfWriter writer(ws.path("p.pdf"));
        writer.setResolution(72);
        QPainter painter(&writer);
        QImage photo(2000, 2000, QImage::Format_RGB32);
        for (int y = 0; y < 2000; ++y)
            for (int x = 0; x < 2000; ++x)
                photo.setPixel(x, y, qRgb(x / 8, y / 8, (x * y + x % 7 * 31) % 256));
        painter.drawImage(QRect(72, 72, 144, 144), photo);
        painter.drawText(72, 400, "Photo");
    }
    for (const QString &tile : tiles)
        ws.state.pages.append({ws.path(tile.left(1) + ".pdf"), 1, tile.mid(1).toInt()});
    ws.state.keepText = true;
}

const QMap<QString, QString> kWord{{"a", "Alpha"}, {"b", "Bravo"}, {"c", "Alpha"}, {"p", "Photo"}};
const QMap<QString, QSizeF> kSize{
    {"a", {595, 842}}, {"b", {792, 612}}, {"c", {595, 842}}, {"p", {595, 842}}};

// Scripts the answers to a command's questions: "yes", "no", "item:text",
// "int:n", "real:x", "password:text", "save:name", "folder" (out). Returns
// the password typed.
QString answer(Workspace &ws, const QStringList &answers)
{
    QString password;
    for (const QString &answer : answers) {
        const QString value = answer.section(':', 1);
        if (answer == "yes" || answer == "no")
            ws.prompter << (answer == "yes" ? Answer::Yes : Answer::No);
        else if (answer.startsWith("item:"))
            ws.prompter << value;
        else if (answer.startsWith("int:"))
            ws.prompter << value.toInt();
        else if (answer.startsWith("real:"))
            ws.prompter << value.toDouble();
        else if (answer.startsWith("password:"))
            ws.prompter << typed(password = value);
        else if (answer.startsWith("save:"))
            ws.prompter << ws.path(value);
        else if (answer == "folder")
            ws.prompter << ws.folder("out");
    }
    return password;
}

// Writes the objects (number, then text) with their cross-reference table.
void writeObjects(const QString &path, const QMap<int, QString> &objects)
{
    QByteArray pdf = "%PDF-1.7\n";
    QMap<int, qsizetype> offsets;
    for (auto i = objects.begin(); i != objects.end(); ++i) {
        offsets[i.key()] = pdf.size();
        pdf += QString("%1 0 obj\n%2\nendobj\n").arg(i.key()).arg(i.value()).toLatin1();
    }
    const int size = objects.lastKey() + 1;
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(size) + "\n";
    for (int n = 0; n < size; ++n)
        pdf += offsets.contains(n)
                   ? QString("%1 00000 n \n").arg(offsets[n], 10, 10, QChar('0')).toLatin1()
                   : QByteArray("0000000000 65535 f \n");
    pdf += QString("trailer\n<< /Size %1 /Root 1 0 R >>\nstartxref\n%2\n%%EOF\n")
               .arg(size)
               .arg(xref)
               .toLatin1();
    PdfFixtures::writeFile(path, pdf);
}

// Four 300 x 400 pages (objects 11 to 14). Page 1 links to page 3 (explicit),
// 2 (named in the name tree, "two" in every source), 4 (go-to action) and the
// web; page 2 to page 3 (named in the older dictionary). The outline: T1 (red,
// bold, closed) at page 1 with T1.1 at 2 (named) and T1.2 at 3, then T2 at 4;
// T is the title prefix. `odd` spoils it: "cyclic" loops, "deep" nests beyond
// reason, "damaged" puts numbers where objects belong, "missing" names a page
// that is not in the page tree and one that does not exist.
void writeLinkedSource(const QString &path, const QString &t, const QString &odd)
{
    const bool damaged = odd == "damaged", missing = odd == "missing", cyclic = odd == "cyclic",
               deep = odd == "deep";
    QMap<int, QString> o;
    o[1] = QString("<< /Type /Catalog /Pages 2 0 R /Outlines 40 0 R /Names << /Dests 50 0 R >> "
                   "/Dests << /three [%1 0 R /FitV 20] >> >>")
               .arg(missing ? 99 : 13);
    o[2] = "<< /Type /Pages /Kids [11 0 R 12 0 R 13 0 R 14 0 R] /Count 4 >>";
    o[3] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
    const QString annotations[]{"[31 0 R 32 0 R 33 0 R 34 0 R]", "[35 0 R]", "[]", "[]"};
    for (int p = 1; p <= 4; ++p) {
        const QString text = QString("BT /F1 40 Tf 80 200 Td (%1%2) Tj ET").arg(t).arg(p);
        o[10 + p] = QString("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Contents %1 0 R "
                            "/Annots %2 /Resources << /Font << /F1 3 0 R >> >> >>")
                        .arg(20 + p)
                        .arg(annotations[p - 1]);
        o[20 + p] = QString("<< /Length %1 >>\nstream\n%2\nendstream").arg(text.size()).arg(text);
    }
    const QString link = "<< /Subtype /Link /Rect [0 0 9 9] %1 >>";
    o[31] = link.arg("/Dest [13 0 R /XYZ 10 300 0]");
    o[32] = link.arg("/Dest (two)");
    o[33] = link.arg("/A << /S /GoTo /D [14 0 R /Fit] >>");
    o[34] = link.arg("/A << /S /URI /URI (https://example.org/) >>");
    o[35] = link.arg(damaged ? "/Dest 42" : "/Dest /three");
    o[15] = "<< /Type /Page /MediaBox [0 0 300 400] >>";
    o[51] = QString("<< /Names [(two) << /D [%1 0 R /FitH 350] >>] >>").arg(missing ? 15 : 12);
    o[50] = QString("<< /Kids [%1] >>")
                .arg(deep      ? "700 0 R"
                     : cyclic  ? "51 0 R 50 0 R"
                     : damaged ? "51 0 R 7"
                               : "51 0 R");
    for (int n = 700; deep && n < 1000; ++n) // the leaf far below
        o[n] = QString("<< /Kids [%1 0 R] >>").arg(n == 999 ? 51 : n + 1);
    o[40] = "<< /Type /Outlines /First 41 0 R /Last 44 0 R /Count 2 >>";
    o[41] = "<< /Title (" + t + "1) /Parent 40 0 R /Dest [11 0 R /Fit] /C [1 0 0] /F 2 /First " +
            (damaged ? "5" : "42 0 R") + " /Last 43 0 R /Count -2 /Next 44 0 R >>";
    o[42] = "<< /Title (" + t + "1.1) /Parent 41 0 R /Dest (two) /Next 43 0 R >>";
    o[43] = "<< /Title (" + t + "1.2) /Parent 41 0 R /Prev 42 0 R /A << /S /GoTo /D [13 0 R /XYZ " +
            "10 300 0] >>" + (cyclic ? " /First 41 0 R >>" : " >>");
    o[44] = "<< /Title (" + t + "2) /Parent 40 0 R /Dest [14 0 R /Fit] /Prev 41 0 R" +
            (cyclic ? " /Next 41 0 R"
             : deep ? " /First 300 0 R"
                    : "") +
            " >>";
    for (int n = 300; deep && n < 600; ++n) // each the only child of the one before
        o[n] = QString("<< /Title (D) /Parent %1 0 R /Dest [14 0 R /Fit] /First %2 0 R /Count 1 >>")
                   .arg(n == 300 ? 44 : n - 1)
                   .arg(n + 1);
    writeObjects(path, o);
}

// A file's links and outline as qpdf reads them, in short. Links: for each
// page with any, "page:" and each link's target page and view (x, h, f, v as
// the sources use them), or u for the web. Outline: "title@page view", * when
// red and bold, - when closed, children in brackets.
QString navigation(const QString &pdf, const QString &password)
{
    const QJsonObject json =
        QJsonDocument::fromJson(
            PdfFixtures::run("qpdf",
                             {"--json", "--json-key=pages", "--json-key=outlines",
                              "--json-key=qpdf", "--no-warn", "--password=" + password, pdf})
                .toUtf8())
            .object();
    const QJsonObject objects = json["qpdf"].toArray()[1].toObject();
    const auto value = [&](const QJsonValue &v) {
        return v.toString().endsWith(" R") ? objects["obj:" + v.toString()]["value"] : v;
    };
    QHash<QString, int> position;
    for (const QJsonValue page : json["pages"].toArray())
        position[page["object"].toString()] = page["pageposfrom1"].toInt();
    const QMap<QString, QString> views{
        {"/XYZ 10 300 0", "x"}, {"/FitH 350", "h"}, {"/Fit", "f"}, {"/FitV 20", "v"}};
    const auto target = [&](const QJsonValue &dest) {
        const QJsonArray a = value(dest).toArray();
        QStringList view;
        for (int i = 1; i < a.size(); ++i)
            view << (a[i].isNull() ? "null" : a[i].toVariant().toString());
        const QString page = a.isEmpty() ? QString() : a[0].toString();
        return position.contains(page)
                   ? QString::number(position[page]) + views.value(view.join(' '))
                   : QString("dead");
    };
    QStringList links;
    for (const QJsonValue page : json["pages"].toArray()) {
        QStringList targets;
        for (const QJsonValue a : value(value(page["object"])["/Annots"]).toArray()) {
            const QJsonValue link = value(a), action = value(link["/A"]);
            targets << (action["/S"].toString() == "/URI"
                            ? "u"
                            : target(link["/Dest"].isUndefined() ? action["/D"] : link["/Dest"]));
        }
        if (!targets.isEmpty())
            links << QString("%1:%2").arg(page["pageposfrom1"].toInt()).arg(targets.join(','));
    }
    std::function<QString(const QJsonArray &)> items = [&](const QJsonArray &list) {
        QStringList shown;
        for (const QJsonValue item : list) {
            const QJsonValue object = value(item["object"]);
            const QJsonArray kids = item["kids"].toArray();
            const bool marked =
                object["/C"].toArray() == QJsonArray{1, 0, 0} && object["/F"].toInt() == 2;
            shown << item["title"].toString() + (marked ? "*@" : "@") + target(item["dest"]) +
                         (!kids.isEmpty() && !item["open"].toBool() ? "-" : "") +
                         (kids.isEmpty() ? "" : "(" + items(kids) + ")");
        }
        return shown.join(' ');
    };
    // Pages reached only through a destination would be written as strays.
    int pageObjects = 0;
    for (const QJsonValue object : objects)
        pageObjects += object["value"]["/Type"].toString() == "/Page";
    const QString strays =
        pageObjects == position.size() ? "" : QString(" +%1").arg(pageObjects - position.size());
    return links.join(' ') + " | " + items(json["outlines"].toArray()) + strays;
}
} // namespace

// Output commands with "Keep Text" checked copy pages as they are.
class TestKeepText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Theme::setupApplication(*qApp);
        QSettings().clear();
    }
    void cleanupTestCase() { QSettings().clear(); }

    void checkBoxPlaceAndMemory()
    {
        {
            MainWindow window;
            auto *box = window.findChild<QCheckBox *>("keepTextCheckBox");
            QVERIFY(!box->isChecked());
            box->setChecked(true);
        }
        for (bool checked : {true, false}) {
            MainWindow window;
            auto *box = window.findChild<QCheckBox *>("keepTextCheckBox");
            QCOMPARE(box->isChecked(), checked);
            box->setChecked(!checked);
        }
    }

    // Merge, split, crop, optimize and lock of the pages a, b and c.
    void commands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("tiles");   // source, then the tile's turn
        QTest::addColumn<QStringList>("answers"); // see the loop below
        QTest::addColumn<QStringList>("files");   // in the workspace, then the page count
        QTest::addColumn<double>("margin");       // 0.5 leaves blank pages
        const QStringList aba{"a0", "b0", "a0"};
        const auto row = [](const char *name, const char *command, const QStringList &tiles,
                            const QStringList &answers, const QStringList &files, double margin) {
            QTest::newRow(name) << command << tiles << answers << files << margin;
        };
        row("merge, a page turned", "merge", {"a0", "b90"}, {"no", "save:m.pdf"}, {"m.pdf:2"}, 0);
        row("merge a page twice, numbered", "merge", {"a0", "b0", "a270"},
            {"numbers", "no", "save:m.pdf"}, {"m.pdf:3"}, 0);
        row("merge with a password onto a source", "merge", {"a0", "b0"},
            {"yes", "password:secret", "save:a.pdf"}, {"a.pdf:2"}, 0);
        row("split every page", "split", {"a0", "b0", "c0"},
            {QString::fromUtf8("item:Her sayfayı ayrı PDF yap"), "folder"},
            {"out/a_sayfa_001.pdf:1", "out/b_sayfa_002.pdf:1", "out/c_sayfa_003.pdf:1"}, 0);
        row("split every 2", "split", {"a0", "b90", "a0"},
            {QString::fromUtf8("item:Her N sayfada bir böl"), "folder", "int:2"},
            {"out/bolum_001.pdf:2", "out/bolum_002.pdf:1"}, 0);
        row("crop 10%", "crop", aba, {"item:Remove 10% margins (all sides)", "save:k.pdf"},
            {"k.pdf:3"}, 0.1);
        row("crop to nothing", "crop", aba, {"item:Custom crop...", "real:50", "save:k.pdf"},
            {"k.pdf:3"}, 0.5);
        row("optimize", "optimizeForWeb", aba, {"save:o.pdf"}, {"o.pdf:3"}, 0);
        row("lock", "lock", aba, {"password:secret", "save:l.pdf"}, {"l.pdf:3"}, 0);
        row("compress", "compress", {"p0", "a90"},
            {QString::fromUtf8("item:⚖️ Dengeli kalite (150 DPI - önerilen)"), "save:z.pdf"},
            {"z.pdf:2"}, 0);
    }
    void commands()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, tiles);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, files);
        QFETCH(double, margin);
        Workspace ws;
        loadSources(ws, tiles);
        const bool numbers = answers.contains("numbers");
        ws.state.autoNumbers = numbers;
        const QString password = answer(ws, answers);
        RUN_COMMAND(ws, command);
        QVERIFY(ws.prompter.texts().last().startsWith(QString::fromUtf8("✅")));

        for (int f = 0, tile = 0; f < files.size(); ++f) {
            const QString pdf = ws.path(files[f].section(':', 0, 0));
            const int pages = files[f].section(':', 1).toInt();
            QVERIFY(PdfFixtures::qpdfCheckClean(pdf, password));
            QCOMPARE(PdfFixtures::pdfinfoPages(pdf), password.isEmpty() ? pages : -1);
            for (int n = 1; n <= pages; ++n, ++tile) {
                if (pdf.contains("sayfa")) // named by its tile
                    tile = files[f].mid(12, 3).toInt() - 1;
                const QString text = textOf(pdf, n, password);
                QCOMPARE(text.contains(kWord[tiles[tile].left(1)]), margin < 0.5);
                // pdftotext drops the narrow spaces of the label.
                QCOMPARE(text.contains(QString("%1/%2").arg(n).arg(tiles.size())), numbers);
                QCOMPARE(pageInfo(pdf, n, "rot", password).toInt(),
                         ((tiles[tile][0] == 'b' ? 90 : 0) + tiles[tile].mid(1).toInt()) % 360);
                // Each page keeps its own size; a crop shrinks what is seen of it.
                const QSizeF size = kSize[tiles[tile].left(1)];
                const double m = margin < 0.5 ? margin : 0, w = size.width(), h = size.height();
                QCOMPARE(
                    pageInfo(pdf, n, "CropBox", password),
                    QString::asprintf("%.2f %.2f %.2f %.2f", w * m, h * m, w - w * m, h - h * m));
                // The label sits at the bottom centre of the page as it is seen.
                const QImage page = popplerPage(pdf, n, 30);
                const QRect bottom(page.width() * 2 / 5, page.height() * 9 / 10, page.width() / 5,
                                   page.height() / 10);
                QCOMPARE(PdfFixtures::darkCentre(page.copy(bottom)).x() > 0, numbers);
            }
        }
        const QString first = ws.path(files[0].section(':', 0, 0));
        if (command == "compress") // two inches at 150 dpi
            QCOMPARE(embeddedImages(first).value(0).section(' ', 1), QString("300 300"));
        if (command == "merge")
            QCOMPARE(PdfFixtures::outline(first, password), Outline({{"a.pdf", 1}, {"b.pdf", 2}}));
        // Not linearized at all also passes the check, quietly.
        QCOMPARE(PdfFixtures::run("qpdf", {"--check-linearization", first})
                     .contains("no linearization errors"),
                 command == "optimizeForWeb");
    }

    // Links and outlines of two sources that both name a destination "two".
    void linksAndOutlines_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("tiles"); // a1: page 1 of source a
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("odd");       // what spoils source a
        QTest::addColumn<QStringList>("files"); // name=links | outline
        const QStringList a{"a1", "a2", "a3", "a4"}, merge{"bookmarks off", "no", "save:m.pdf"};
        const QString whole = "1:3x,2h,4f,u 2:3v | A1*@1f-(A1.1@2h A1.2@3x) A2@4f";
        const auto row = [](const char *name, const char *command, const QStringList &tiles,
                            const QStringList &answers, const QString &odd,
                            const QStringList &files) {
            QTest::newRow(name) << command << tiles << answers << odd << files;
        };
        row("merge in order, bookmarks", "merge", a + QStringList{"b1", "b2", "b3", "b4"},
            {"no", "save:m.pdf"}, "",
            {"m.pdf=1:3x,2h,4f,u 2:3v 5:7x,6h,8f,u 6:7v | a.pdf@1(A1*@1f-(A1.1@2h A1.2@3x) A2@4f) "
             "b.pdf@5(B1*@5f-(B1.1@6h B1.2@7x) B2@8f)"});
        row("merge reversed", "merge", {"b4", "b3", "b2", "b1", "a4", "a3", "a2", "a1"}, merge, "",
            {"m.pdf=3:2v 4:2x,3h,1f,u 7:6v 8:6x,7h,5f,u | B1*@4f-(B1.1@3h B1.2@2x) B2@1f "
             "A1*@8f-(A1.1@7h A1.2@6x) A2@5f"});
        row("merge a page twice, others left out", "merge", {"a1", "a3", "a1", "b2"},
            {"no", "save:m.pdf"}, "",
            {"m.pdf=1:2x,u 3:2x,u | a.pdf@1(A1*@1f-(A1.2@2x)) b.pdf@4(B1.1@4h)"});
        row("split every 2", "split", a,
            {QString::fromUtf8("item:Her N sayfada bir böl"), "folder", "int:2"}, "",
            {"out/bolum_001.pdf=1:2h,u | A1*@1f-(A1.1@2h)", "out/bolum_002.pdf= | A1.2@1x A2@2f"});
        row("crop", "crop", a, {"item:Remove 10% margins (all sides)", "save:k.pdf"}, "",
            {"k.pdf=" + whole});
        row("lock", "lock", a, {"password:secret", "save:l.pdf"}, "", {"l.pdf=" + whole});
        row("optimize", "optimizeForWeb", a, {"save:o.pdf"}, "", {"o.pdf=" + whole});
        row("compress", "compress", a,
            {QString::fromUtf8("item:⚖️ Dengeli kalite (150 DPI - önerilen)"), "save:z.pdf"},
            "", {"z.pdf=" + whole});
        row("owner password only", "merge", a, merge, "locked", {"m.pdf=" + whole});
        row("cyclic outline and name tree", "merge", a, merge, "cyclic", {"m.pdf=" + whole});
        row("damaged", "merge", a, merge, "damaged", {"m.pdf=1:3x,2h,4f,u | A1*@1f A2@4f"});
        row("names lead to missing pages", "merge", a, merge, "missing",
            {"m.pdf=1:3x,4f,u | A1*@1f-(A1.2@3x) A2@4f"});
        const QString deep = QString("D@4f(").repeated(48) + "D@4f" + QString(")").repeated(48);
        row("deep outline and name tree", "merge", a, merge, "deep",
            {"m.pdf=1:3x,4f,u 2:3v | A1*@1f-(A1.2@3x) A2@4f-(" + deep + ")"});
    }
    void linksAndOutlines()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, tiles);
        QFETCH(QStringList, answers);
        QFETCH(QString, odd);
        QFETCH(QStringList, files);
        Workspace ws;
        const bool locked = odd == "locked";
        writeLinkedSource(ws.path(locked ? "a0.pdf" : "a.pdf"), "A", odd);
        if (locked)
            QVERIFY(PdfFixtures::encrypt(ws.path("a0.pdf"), ws.path("a.pdf"), "", "owner"));
        writeLinkedSource(ws.path("b.pdf"), "B", "");
        for (const QString &tile : tiles)
            ws.state.pages.append({ws.path(tile.left(1) + ".pdf"), tile.mid(1).toInt()});
        ws.state.keepText = true;
        ws.state.bookmarks = !answers.contains("bookmarks off");
        const QString password = answer(ws, answers);
        RUN_COMMAND(ws, command);
        for (const QString &file : files) {
            const QString pdf = ws.path(file.section('=', 0, 0));
            QCOMPARE(navigation(pdf, password), file.section('=', 1));
            QVERIFY(PdfFixtures::qpdfCheckClean(pdf, password));
        }
    }

    void unlockKeepsOutlineLinksAndText()
    {
        // Two pages, a link on the first, an outline, AES-256 with a user password.
        Workspace ws;
        loadSources(ws, {});
        {
            QPdfWriter writer(ws.path("plain.pdf"));
            writer.setResolution(96); // as the text layout assumes
            QPainter painter(&writer);
            QTextDocument page;
            page.setHtml("<p>Secret <a href=\"https://example.org/\">link</a></p>");
            page.drawContents(&painter);
            writer.newPage();
            painter.drawText(200, 200, "Second");
        }
        PdfPostProcessor post;
        post.setOutline({{"Chapter", 1}});
        post.setEncryption({"user", "owner", 256});
        QFile locked(ws.path("locked.pdf"));
        QVERIFY(locked.open(QIODevice::WriteOnly) && post.process(ws.path("plain.pdf"), &locked));
        locked.close();
        const QString out = ws.path("open.pdf");
        ws.prompter << ws.path("locked.pdf") << typed("user") << out;
        RUN_COMMAND(ws, "unlock");

        QCOMPARE(PdfFixtures::pdfinfoPages(out), 2);
        QVERIFY(PdfFixtures::run("qpdf", {"--show-encryption", out}).contains("not encrypted"));
        QCOMPARE(PdfFixtures::outline(out), Outline({{"Chapter", 2}}));
        QVERIFY(PdfFixtures::run("pdfinfo", {"-url", out}).contains("https://example.org/"));
        QVERIFY(textOf(out, 1).contains("Secret link"));
        QVERIFY(PdfFixtures::qpdfCheckClean(out));
    }

    // Replaced on disk after loading by a copy that the renderer still reads
    // but the copying library cannot: object streams and a wrong pointer to
    // the cross-reference stream.
    void damagedSourceBecomesPicture()
    {
        Workspace ws;
        loadSources(ws, {"a"});
        const QString damaged = ws.load("d.pdf", {{QPageSize(QPageSize::A4), {}, "Delta"}});
        PdfFixtures::run("qpdf", {"--object-streams=generate", damaged, ws.path("d2.pdf")});
        QFile file(damaged);
        QVERIFY(QFile::remove(damaged) && QFile::rename(ws.path("d2.pdf"), damaged));
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.resize(file.readAll().lastIndexOf("startxref")));
        file.close();
        int code = 0;
        PdfFixtures::run("qpdf", {"--show-npages", damaged}, &code);
        if (code != 2)
            QSKIP("This qpdf repairs the damage.");
        const QString out = ws.path("merged.pdf");
        ws.prompter << Answer::No << out;
        RUN_COMMAND(ws, "merge");

        QVERIFY(ws.prompter.texts().last().endsWith(
            QString::fromUtf8("\n\n⚠️ 1 sayfa kopyalanamadı, resim olarak yazıldı")));
        QVERIFY(PdfFixtures::qpdfCheckClean(out));
        QVERIFY(textOf(out, 1).contains("Alpha"));
        QCOMPARE(embeddedImages(out, 2).size(), 1);
        QVERIFY(pageInfo(out, 2, "size").startsWith("595 x 842"));
        // Drawn as the picture path draws it: the black mark at the top left.
        const QPointF mark = PdfFixtures::darkCentre(popplerPage(out, 2, 20));
        QVERIFY(mark.x() < 0.2 && mark.y() < 0.2);
    }

    // The library refuses a 128-bit password outside its letters: a warning
    // naming the file, no success box, and the old file left as it was.
    void failureWritesNothing()
    {
        Workspace ws;
        loadSources(ws, {"a"});
        const QString out = ws.path("out.pdf");
        QVERIFY(QFile::copy(ws.path("b.pdf"), out));
        ws.prompter << typed(QString::fromUtf8("пароль"), 128) << out;
        RUN_COMMAND(ws, "lock");
        QCOMPARE(ws.prompter.titles().last(), QString("Error"));
        QVERIFY(ws.prompter.texts().last().contains(QDir::toNativeSeparators(out)));
        QCOMPARE(QFileInfo(out).size(), QFileInfo(ws.path("b.pdf")).size());
        QCOMPARE(filesIn(ws.dir.path()).size(), 6); // a, b0, b, c, p and out
    }
};

QTEST_MAIN(TestKeepText)
#include "tst_keeptext.moc"
