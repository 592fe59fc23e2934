#include "OutputTestSupport.h"
#include "PdfPostProcessor.h"
#include "Theme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
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

std::function<void(QWidget *)> typePassword(const QString &password, int levelIndex = 1)
{
    return [password, levelIndex](QWidget *w) {
        for (auto *edit : w->findChildren<QLineEdit *>())
            edit->setText(password);
        if (auto *level = w->findChild<QComboBox *>("encryptionCombo"))
            level->setCurrentIndex(levelIndex);
    };
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
    for (const QString &tile : tiles) {
        ws.window.loadPDFPages(ws.path(tile.left(1) + ".pdf"));
        ws.window.pages().last()->setRotation(tile.mid(1).toInt());
    }
    ws.window.findChild<QCheckBox *>("keepTextCheckBox")->setChecked(true);
}

const QMap<QString, QString> kWord{{"a", "Alpha"}, {"b", "Bravo"}, {"c", "Alpha"}, {"p", "Photo"}};
const QMap<QString, QSizeF> kSize{
    {"a", {595, 842}}, {"b", {792, 612}}, {"c", {595, 842}}, {"p", {595, 842}}};
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
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("tiles");   // source, then the tile's turn
        QTest::addColumn<QStringList>("answers"); // see the loop below
        QTest::addColumn<QStringList>("files");   // in the workspace, then the page count
        QTest::addColumn<double>("margin");       // 0.5 leaves blank pages
        const QStringList aba{"a0", "b0", "a0"};
        const auto row = [](const char *name, const char *button, const QStringList &tiles,
                            const QStringList &answers, const QStringList &files, double margin) {
            QTest::newRow(name) << button << tiles << answers << files << margin;
        };
        row("merge, a page turned", "mergeButton", {"a0", "b90"}, {"no", "save:m.pdf"}, {"m.pdf:2"},
            0);
        row("merge a page twice, numbered", "mergeButton", {"a0", "b0", "a270"},
            {"numbers", "no", "save:m.pdf"}, {"m.pdf:3"}, 0);
        row("merge with a password onto a source", "mergeButton", {"a0", "b0"},
            {"yes", "password:secret", "save:a.pdf", "yes"}, {"a.pdf:2"}, 0);
        row("split every page", "splitButton", {"a0", "b0", "c0"},
            {QString::fromUtf8("item:Her sayfayı ayrı PDF yap"), "folder"},
            {"out/a_sayfa_001.pdf:1", "out/b_sayfa_002.pdf:1", "out/c_sayfa_003.pdf:1"}, 0);
        row("split every 2", "splitButton", {"a0", "b90", "a0"},
            {QString::fromUtf8("item:Her N sayfada bir böl"), "folder", "int:2"},
            {"out/bolum_001.pdf:2", "out/bolum_002.pdf:1"}, 0);
        row("crop 10%", "cropButton", aba, {"item:Remove 10% margins (all sides)", "save:k.pdf"},
            {"k.pdf:3"}, 0.1);
        row("crop to nothing", "cropButton", aba, {"item:Custom crop...", "real:50", "save:k.pdf"},
            {"k.pdf:3"}, 0.5);
        row("optimize", "optimizeButton", aba, {"save:o.pdf"}, {"o.pdf:3"}, 0);
        row("lock", "lockButton", aba, {"password:secret", "save:l.pdf"}, {"l.pdf:3"}, 0);
        row("compress", "compressButton", {"p0", "a90"},
            {QString::fromUtf8("item:⚖️ Dengeli kalite (150 DPI - önerilen)"), "save:z.pdf"},
            {"z.pdf:2"}, 0);
    }
    void commands()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, tiles);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, files);
        QFETCH(double, margin);
        Workspace ws;
        loadSources(ws, tiles);
        const bool numbers = answers.contains("numbers");
        ws.window.findChild<QCheckBox *>("autoNumbersCheckBox")->setChecked(numbers);
        QString password;
        DialogHelper helper;
        for (const QString &answer : answers) {
            const QString value = answer.section(':', 1);
            if (answer == "yes" || answer == "no")
                helper.messageBox(answer == "yes" ? QMessageBox::Yes : QMessageBox::No);
            else if (answer.startsWith("item:"))
                helper.item(value);
            else if (answer.startsWith("int:"))
                helper.integer(value.toInt());
            else if (answer.startsWith("real:"))
                helper.real(value.toDouble());
            else if (answer.startsWith("password:"))
                helper.accept(typePassword(password = value));
            else if (answer.startsWith("save:"))
                helper.file(ws.path(value));
            else if (answer == "folder")
                helper.file(ws.folder("out"));
        }
        helper.messageBox();
        RUN_COMMAND(ws, qPrintable(button), helper);
        QVERIFY(helper.texts().last().startsWith(QString::fromUtf8("✅")));

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
        if (button == "compressButton") // two inches at 150 dpi
            QCOMPARE(embeddedImages(first).value(0).section(' ', 1), QString("300 300"));
        if (button == "mergeButton")
            QCOMPARE(PdfFixtures::outline(first, password), Outline({{"a.pdf", 1}, {"b.pdf", 2}}));
        // Not linearized at all also passes the check, quietly.
        QCOMPARE(PdfFixtures::run("qpdf", {"--check-linearization", first})
                     .contains("no linearization errors"),
                 button == "optimizeButton");
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
        DialogHelper helper;
        helper.file(ws.path("locked.pdf")).accept(typePassword("user")).file(out).messageBox();
        RUN_COMMAND(ws, "unlockButton", helper);

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
        DialogHelper helper;
        helper.messageBox(QMessageBox::No).file(out).messageBox();
        RUN_COMMAND(ws, "mergeButton", helper);

        QVERIFY(helper.texts().last().endsWith(
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
        DialogHelper helper;
        helper.accept(typePassword(QString::fromUtf8("пароль"), 0))
            .file(out)
            .messageBox(QMessageBox::Yes)
            .messageBox();
        RUN_COMMAND(ws, "lockButton", helper);
        QCOMPARE(helper.titles().last(), QString("Error"));
        QVERIFY(helper.texts().last().contains(QDir::toNativeSeparators(out)));
        QCOMPARE(QFileInfo(out).size(), QFileInfo(ws.path("b.pdf")).size());
        QCOMPARE(filesIn(ws.dir.path()).size(), 6); // a, b0, b, c, p and out
    }
};

QTEST_MAIN(TestKeepText)
#include "tst_keeptext.moc"
