#include "ScriptedPrompter.h"

#include <QPrinter>

QString ScriptedPrompter::problems() const
{
    return QString("unanswered: [%1]; unused replies: %2; asked: [%3]")
        .arg(unanswered.join(" | "))
        .arg(script.size())
        .arg(asked.join(" | "));
}

QStringList ScriptedPrompter::field(QString Message::*member) const
{
    QStringList list;
    for (const Message &message : messages)
        list << message.*member;
    return list;
}

QStringList ScriptedPrompter::openFiles(const QString &title, const QString &, const QString &)
{
    const auto reply = next<QString>(title);
    return reply ? reply->split('\n') : QStringList();
}

std::optional<QString> ScriptedPrompter::item(const QString &title, const QString &,
                                              const QStringList &items, int)
{
    lastItems = items;
    const auto reply = next<QString>(title);
    if (reply && !items.contains(*reply)) {
        unanswered << title + ": no item " + *reply;
        return std::nullopt;
    }
    return reply;
}

std::optional<int> ScriptedPrompter::number(const QString &title, const QString &, int, int minimum,
                                            int maximum, int)
{
    const auto reply = next<int>(title);
    return reply ? std::optional<int>(qBound(minimum, *reply, maximum)) : std::nullopt;
}

std::optional<double> ScriptedPrompter::decimal(const QString &title, const QString &, double,
                                                double minimum, double maximum)
{
    const auto reply = next<double>(title);
    return reply ? std::optional<double>(qBound(minimum, *reply, maximum)) : std::nullopt;
}

Prompter::Answer ScriptedPrompter::question(const QString &title, const QString &text, Buttons,
                                            Answer, Tone)
{
    messages.append({"question", title, text});
    return next<Answer>(title).value_or(Answer::Cancel);
}

std::optional<PdfPostProcessor::EncryptionOptions> ScriptedPrompter::password(PasswordUse)
{
    return next<PdfPostProcessor::EncryptionOptions>("password");
}

std::optional<Prompter::ExportChoice> ScriptedPrompter::exportChoice(int, int)
{
    return next<ExportChoice>("export");
}

bool ScriptedPrompter::setUpPrinter(QPrinter *printer)
{
    const auto file = next<QString>("print");
    if (!file)
        return false;
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(*file);
    return true;
}

void ScriptedPrompter::previewPrint(QPrinter *printer, const std::function<void(QPrinter *)> &paint)
{
    ++previews;
    paint(printer);
}
