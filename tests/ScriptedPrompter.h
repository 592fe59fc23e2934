#pragma once

#include "Prompter.h"

#include <QList>
#include <variant>

// Answers a command's questions from a script, in order, and records every
// question and message. A question the script does not answer (or answers
// with the wrong kind) is cancelled and noted, so a test never waits.
class ScriptedPrompter : public Prompter
{
public:
    // Files and folders, items (by text), numbers, yes/no, password dialogs,
    // export dialogs; a print dialog's answer is the PDF file to print into.
    using Reply = std::variant<QString, int, double, Answer, PdfPostProcessor::EncryptionOptions,
                               ExportChoice>;

    struct Message
    {
        QString kind; // "information", "warning", "critical"
        QString title;
        QString text;
    };

    ScriptedPrompter &operator<<(const Reply &reply)
    {
        script.append(reply);
        return *this;
    }

    // True when every reply was used and nothing went unanswered.
    bool done() const { return script.isEmpty() && unanswered.isEmpty(); }
    QString problems() const;
    QStringList titles() const { return field(&Message::title); }
    QStringList texts() const { return field(&Message::text); }

    QList<Message> messages;
    QStringList asked; // the title of each question, in order
    QStringList unanswered;
    QStringList lastItems; // the items of the latest item question
    int previews = 0;

    QStringList openFiles(const QString &title, const QString &, const QString &) override;
    QString openFile(const QString &title, const QString &, const QString &) override
    {
        return next<QString>(title).value_or(QString());
    }
    QString saveFile(const QString &title, const QString &, const QString &) override
    {
        return next<QString>(title).value_or(QString());
    }
    QString folder(const QString &title, const QString &) override
    {
        return next<QString>(title).value_or(QString());
    }
    std::optional<QString> item(const QString &title, const QString &, const QStringList &items,
                                int) override;
    std::optional<int> number(const QString &title, const QString &, int, int minimum, int maximum,
                              int) override;
    std::optional<double> decimal(const QString &title, const QString &, double, double,
                                  double) override;
    Answer question(const QString &title, const QString &text, Buttons, Answer, Tone) override;
    void information(const QString &title, const QString &text) override
    {
        messages.append({"information", title, text});
    }
    void warning(const QString &title, const QString &text) override
    {
        messages.append({"warning", title, text});
    }
    void critical(const QString &title, const QString &text) override
    {
        messages.append({"critical", title, text});
    }
    std::optional<PdfPostProcessor::EncryptionOptions> password(PasswordUse use) override;
    std::optional<ExportChoice> exportChoice(int, int) override;
    bool setUpPrinter(QPrinter *printer) override;
    void previewPrint(QPrinter *printer, const std::function<void(QPrinter *)> &paint) override;

private:
    template <typename T> std::optional<T> next(const QString &title)
    {
        asked << title;
        if (script.isEmpty() || !std::holds_alternative<T>(script.first())) {
            unanswered << title;
            return std::nullopt;
        }
        return std::get<T>(script.takeFirst());
    }
    QStringList field(QString Message::*member) const;

    QList<Reply> script;
};
