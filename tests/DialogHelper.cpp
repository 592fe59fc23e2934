#include "DialogHelper.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QTest>

DialogHelper::DialogHelper(QObject *parent)
    : QObject(parent)
{
    timer.setInterval(15);
    connect(&timer, &QTimer::timeout, this, &DialogHelper::poll);
    timer.start();
}

void DialogHelper::enqueue(const QString &kind, std::function<void(QWidget *)> act)
{
    queue.append({kind, std::move(act)});
}

DialogHelper &DialogHelper::messageBox(QMessageBox::StandardButton button)
{
    enqueue("QMessageBox", [button](QWidget *w) {
        auto *box = static_cast<QMessageBox *>(w);
        if (QAbstractButton *b = box->button(button))
            b->click();
        else
            box->done(button);
    });
    return *this;
}

DialogHelper &DialogHelper::file(const QString &path)
{
    return files({path});
}

DialogHelper &DialogHelper::files(const QStringList &paths)
{
    enqueue("QFileDialog", [paths](QWidget *w) {
        auto *dialog = static_cast<QFileDialog *>(w);
        if (paths.size() == 1) {
            dialog->selectFile(paths.first());
            // selectFile() may leave the proposed name in the name field (a
            // save dialog opened on "merged.pdf"); the full path is unambiguous.
            if (auto *edit = dialog->findChild<QLineEdit *>("fileNameEdit"))
                edit->setText(paths.first());
        } else {
            // Typed names only select files the folder view already lists,
            // and it fills in the background: wait for each name.
            dialog->setNameFilter("All Files (*.*)");
            dialog->setDirectory(QFileInfo(paths.first()).absolutePath());
            auto *view = dialog->findChild<QAbstractItemView *>("listView");
            auto *model = view->model();
            QStringList names;
            for (const QString &path : paths) {
                names << QFileInfo(path).fileName();
                const auto listed = [&] {
                    return !model
                                ->match(model->index(0, 0, view->rootIndex()), Qt::DisplayRole,
                                        names.last(), 1, Qt::MatchExactly)
                                .isEmpty();
                };
                if (!QTest::qWaitFor(listed, 60000)) // returns as soon as it is listed
                    qWarning("DialogHelper: %s is not listed", qPrintable(path));
            }
            dialog->findChild<QLineEdit *>("fileNameEdit")
                ->setText('"' + names.join("\" \"") + '"');
            // Typing selects the names in the view, and a selection of
            // neighbouring rows comes back in folder order; without one the
            // dialog returns the names in the order they were typed.
            view->selectionModel()->clearSelection();
        }
        // Queued: accepting may open a dialog of its own (asking before
        // replacing a file), which the next poll must be free to answer.
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    return *this;
}

// Input dialogs: set the value, then accept.
DialogHelper &DialogHelper::input(std::function<void(QInputDialog *)> set)
{
    enqueue("QInputDialog", [set](QWidget *w) {
        set(static_cast<QInputDialog *>(w));
        static_cast<QInputDialog *>(w)->accept();
    });
    return *this;
}

DialogHelper &DialogHelper::item(const QString &text)
{
    return input([text](QInputDialog *d) { d->setTextValue(text); });
}

DialogHelper &DialogHelper::integer(int value)
{
    return input([value](QInputDialog *d) { d->setIntValue(value); });
}

DialogHelper &DialogHelper::reject()
{
    return custom([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
}

DialogHelper &DialogHelper::custom(std::function<void(QWidget *)> answer)
{
    enqueue(QString(), std::move(answer));
    return *this;
}

DialogHelper &DialogHelper::print(const QString &pdfPath)
{
    enqueue("QPrintDialog", [pdfPath](QWidget *w) {
        auto *dialog = static_cast<QPrintDialog *>(w);
        // Accepting first lets the dialog apply its own settings; the output is
        // then pointed at the PDF file, which is what the caller prints to.
        QMetaObject::invokeMethod(dialog, "accept");
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(pdfPath);
    });
    return *this;
}

DialogHelper::Record DialogHelper::describe(QWidget *dialog)
{
    Record record{dialog->metaObject()->className(), dialog->windowTitle(), QString()};
    // Standard dialogs by their public class, whatever private subclass the platform shows.
    for (const char *kind : {"QMessageBox", "QFileDialog", "QInputDialog", "QPrintDialog"})
        if (dialog->inherits(kind))
            record.className = kind;
    if (auto *box = qobject_cast<QMessageBox *>(dialog))
        record.text = box->text();
    else if (auto *input = qobject_cast<QInputDialog *>(dialog))
        record.text = input->labelText();
    return record;
}

void DialogHelper::poll()
{
    QWidget *dialog = QApplication::activeModalWidget();
    // One that was answered may still be visible for one more tick.
    if (!dialog || !dialog->isVisible() || dialog == lastHandled)
        return;
    lastHandled = dialog;
    QPointer<QWidget> guard(dialog);

    Record record = describe(dialog);
    record.expected =
        !queue.isEmpty() && QStringList{"", record.className}.contains(queue.first().kind);
    log.append(record);
    if (!record.expected) {
        ++unexpectedCount;
        if (auto *d = qobject_cast<QDialog *>(dialog))
            d->reject();
        else
            dialog->close();
        return;
    }
    queue.takeFirst().act(dialog);
    // Dialogs reused after validation (a password dialog that refused its
    // input) may come back; allow them to be answered again.
    if (guard && guard->isVisible())
        QTimer::singleShot(50, this, [this, guard] {
            if (lastHandled == guard)
                lastHandled.clear();
        });
}

QStringList DialogHelper::boxes(QString Record::*field) const
{
    QStringList result;
    for (const Record &r : log)
        if (r.className == "QMessageBox")
            result << r.*field;
    return result;
}

QString DialogHelper::problems() const
{
    QStringList lines;
    if (!queue.isEmpty())
        lines << QString("%1 expected dialog(s) never appeared (next: %2)")
                     .arg(queue.size())
                     .arg(queue.first().kind.isEmpty() ? "any dialog" : queue.first().kind);
    for (const Record &r : log)
        if (!r.expected)
            lines << QString("unexpected %1 \"%2\": %3").arg(r.className, r.title, r.text);
    return lines.join('\n');
}

void DialogHelper::clear()
{
    queue.clear();
    log.clear();
    unexpectedCount = 0;
    lastHandled.clear();
}
