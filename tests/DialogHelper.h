#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

class QWidget;

// Answers the modal dialogs that the code under test opens, in order, and
// records what each one said. A dialog that appears when nothing (or
// something else) was expected is closed and recorded as unexpected, so a
// test never hangs on it.
class DialogHelper : public QObject
{
    Q_OBJECT

public:
    struct Record
    {
        QString className; // "QMessageBox", "QFileDialog", "QInputDialog", ...
        QString title;
        QString text; // message boxes: the text; input dialogs: the label
        bool expected = true;
    };

    explicit DialogHelper(QObject *parent = nullptr);

    // Message boxes: click this button.
    DialogHelper &messageBox(QMessageBox::StandardButton button = QMessageBox::Ok);
    // QFileDialog (open, save or folder): select this path and accept.
    DialogHelper &file(const QString &path);
    DialogHelper &files(const QStringList &paths);
    // QInputDialog: enter the value and accept.
    DialogHelper &item(const QString &text);
    DialogHelper &integer(int value);
    // Any dialog: cancel it (reject), or run a function on it (which may accept it).
    DialogHelper &reject();
    DialogHelper &custom(std::function<void(QWidget *)> answer);
    // QPrintDialog: send the printer's output into this PDF file and accept.
    DialogHelper &print(const QString &pdfPath);

    // True when every queued answer was used and no unexpected dialog showed.
    bool done() const { return queue.isEmpty() && unexpectedCount == 0; }
    const QList<Record> &records() const { return log; }
    // Titles and texts of message boxes, for compact assertions.
    QStringList titles() const { return boxes(&Record::title); }
    QStringList texts() const { return boxes(&Record::text); }
    // A description of what went wrong, for QVERIFY2.
    QString problems() const;
    void clear();

private:
    struct Answer
    {
        QString kind;
        std::function<void(QWidget *)> act;
    };

    void poll();
    void enqueue(const QString &kind, std::function<void(QWidget *)> act);
    DialogHelper &input(std::function<void(class QInputDialog *)> set);
    static Record describe(QWidget *dialog);
    QStringList boxes(QString Record::*field) const;

    QList<Answer> queue;
    QList<Record> log;
    int unexpectedCount = 0;
    QPointer<QWidget> lastHandled;
    QTimer timer;
};
