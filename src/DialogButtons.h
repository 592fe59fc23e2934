#pragma once

class QDialog;
class QDialogButtonBox;
class QString;

// The OK and Cancel row of the option dialogs: OK relabelled and blue, both
// named for tests (okButton, cancelButton), wired to accept and reject.
class DialogButtons
{
public:
    static QDialogButtonBox *okCancel(QDialog *dialog, const QString &okText);
};
