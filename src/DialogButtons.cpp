#include "DialogButtons.h"

#include "Theme.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QDialogButtonBox *DialogButtons::okCancel(QDialog *dialog, const QString &okText)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName("okButton");
    ok->setText(okText);
    ok->setStyleSheet(Theme::dialogOkButton());
    QPushButton *cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setObjectName("cancelButton");
    cancel->setStyleSheet(Theme::dialogCancelButton());
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
